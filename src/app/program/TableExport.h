#pragma once

#include "PreviewPages.h"
#include "TableSet.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace korvex {

class QtPrinterDevice;
class ReportProgress;
class ReportServices;
struct TableLocation;

// What the table list's "Export..." writes.
enum class ExportKind { Book, Markdown, Tbls, PostgresScript, SqliteScript };

// The tables of the table list named as it shows them, where the browser shows them: in
// the directory, or through the alias.
TableSet tableSetOf(const TableLocation& location, const QStringList& names);

// What an export did: an error that stopped it (nothing or not all was written), and the
// tables left out with why.
struct ExportOutcome {
    QString error;
    std::vector<PreviewFailure> leftOut;
};

// Writes the tables' book (a PDF file), Markdown (README.md and one file per table into a
// folder), tbls JSON or a migration script for PostgreSQL or SQLite (a file), with the labels and field columns of the
// settings; progress shows one table after the other. version is the program's, for the book.
ExportOutcome exportTables(ReportServices& services, ReportProgress& progress, const TableSet& tables, ExportKind kind,
                           const QString& target, const QString& version);

// The small dialog of "Export...": what to write (a PDF book, Markdown, tbls JSON or an SQL
// script) and
// where, the place typed or chosen in a file dialog.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for the place of a kind, starting at current; empty when nothing was chosen.
    using PlaceChooser = std::function<QString(QWidget* parent, ExportKind kind, const QString& current)>;
    static QString chooseWithFileDialog(QWidget* parent, ExportKind kind, const QString& current);

    // tableCount: how many tables are selected; folder: where the places start.
    ExportDialog(int tableCount, const QString& folder, QWidget* parent = nullptr,
                 PlaceChooser chooser = chooseWithFileDialog);

    ExportKind kind() const;
    void setKind(ExportKind kind);
    QString target() const;
    void setTarget(const QString& target);
    // Opens the chooser for the current kind; a chosen place replaces the typed one.
    void choosePlace();

    QRadioButton* kindButton(ExportKind kind) const;
    QLineEdit* targetEdit() const { return target_; }
    QPushButton* chooseButton() const { return choose_; }
    QPushButton* exportButton() const { return export_; }

private:
    void kindChanged();

    QString folder_;
    PlaceChooser chooser_;
    QButtonGroup* kinds_;
    QLineEdit* target_;
    QPushButton* choose_;
    QPushButton* export_;
};

// The print preview of the tables over the printer's pages: Qt's preview dialog, its pages
// drawn by the reports through the printer device, as printing draws them.
class TablePreview {
public:
    TablePreview(ReportServices& services, ReportProgress& progress, QtPrinterDevice& printer);

    // Draws the pages onto the preview's printer; the failures of the first drawing are
    // kept for firstFailures.
    void paint(QPrinter& preview, const QStringList& tables);
    // Shows the preview dialog modally over parent; answers the tables left out.
    std::vector<PreviewFailure> exec(const QStringList& tables, QWidget* parent);

private:
    ReportServices& services_;
    ReportProgress& progress_;
    QtPrinterDevice& printer_;
    std::vector<PreviewFailure> failures_;
    bool painted_ = false;
};

} // namespace korvex
