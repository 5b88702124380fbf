#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

namespace korvex {

// The about box: the program's name and version, its licence, the libraries it uses with
// their versions, and where its settings file and aliases file live.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const QString& settingsPath, const QString& aliasesPath, QWidget* parent = nullptr);

    // "Name version" of every library the program uses, as this build knows them.
    static QStringList libraryVersions();
};

} // namespace korvex
