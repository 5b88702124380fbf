#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

namespace korvex {

// The about box: the program's name and version, its licence, the libraries it uses with
// their versions, where its settings file and aliases file live and, when reports go to
// PDF files, the folder they go to.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("About Korvex");
    // The licence of the project's LICENSE file.
    static inline const QString Licence = QStringLiteral("Apache License 2.0");

    // pdfFolder: empty when the reports go to a printer.
    AboutBox(const QString& settingsPath, const QString& aliasesPath, const QString& pdfFolder = {},
             QWidget* parent = nullptr);

    // "Name version" of every library the program uses, as this build knows them.
    static QStringList libraryVersions();
};

} // namespace korvex
