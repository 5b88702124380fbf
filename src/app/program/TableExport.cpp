#include "TableExport.h"

#include "BookPdf.h"
#include "DdlScript.h"
#include "FileWriter.h"
#include "MarkdownExport.h"
#include "TblsExport.h"

#include "QtPrinterDevice.h"
#include "ReportServices.h"
#include "TableLocation.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace korvex {

namespace {

// Runs an export step; what stops it becomes the outcome's error.
template <typename Step>
QString guardedStep(Step step)
{
    try {
        step();
    } catch (const PrinterError& e) {
        return e.message();
    } catch (const SettingsWriteError& e) {
        return e.reason().isEmpty() ? e.message() : QStringLiteral("%1 (%2)").arg(e.message(), e.reason());
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    }
    return QString();
}

// The structure of every table, one after the other in the progress window.
std::vector<TableSchema> readSchemas(ReportServices& services, ReportProgress& progress, const TableSet& tables,
                                     ExportOutcome& outcome)
{
    std::vector<TableSchema> schemas;
    for (const auto& entry : tables.tables) {
        progress.showMessage(QStringLiteral("Exporting structure of table %1...").arg(entry.name));
        progress.processEvents();
        schemas.push_back(readTableSchema(services.engine(), services.descriptors(), entry));
        if (!schemas.back().ok)
            outcome.leftOut.push_back({entry.name, schemas.back().error});
    }
    return schemas;
}

void writeBook(ReportServices& services, ReportProgress& progress, const TableSet& tables, const QString& target,
               const QString& version, ExportOutcome& outcome)
{
    const QTemporaryDir spool;
    if (!spool.isValid())
        throw PrinterError(QStringLiteral("There is no temporary folder for the book: %1").arg(spool.errorString()));
    const BookLayout layout = writeBookPdf(services, progress, tables, spool.path(), target, version);
    for (const auto& chapter : layout.chapters)
        if (!chapter.printed)
            outcome.leftOut.push_back({chapter.table.name, chapter.error});
}

void writeFile(const QString& target, const QByteArray& bytes)
{
    const QString error = writeFileAtomically(target, bytes);
    if (!error.isEmpty())
        throw PrinterError(QStringLiteral("The file %1 cannot be written: %2").arg(target, error));
}

QString defaultName(ExportKind kind)
{
    switch (kind) {
    case ExportKind::Book: return QStringLiteral("tables.pdf");
    case ExportKind::Markdown: return QStringLiteral("tables-markdown");
    case ExportKind::PostgresScript: return QStringLiteral("tables-postgresql.sql");
    case ExportKind::SqliteScript: return QStringLiteral("tables-sqlite.sql");
    case ExportKind::Tbls: break;
    }
    return QStringLiteral("tables.json");
}

} // namespace

TableSet tableSetOf(const TableLocation& location, const QStringList& names)
{
    TableSet set;
    set.aliasName = location.CurrentAlias;
    const QString database = location.CurrentAlias.isEmpty() ? location.currentDirectory : location.CurrentDatabase;
    set.origin = location.CurrentAlias.isEmpty() ? QDir::toNativeSeparators(location.currentDirectory)
                                                 : QStringLiteral("alias %1").arg(location.CurrentAlias);
    for (const auto& name : names)
        set.tables.push_back(
            {name, database, location.CurrentAlias.isEmpty() ? QDir(location.currentDirectory).filePath(name) : name});
    return set;
}

ExportOutcome exportTables(ReportServices& services, ReportProgress& progress, const TableSet& tables, ExportKind kind,
                           const QString& target, const QString& version)
{
    ExportOutcome outcome;
    progress.setBusy(true);
    const DatabaseEngine::Run run(services.engine()); // each directory listed once for all the tables
    outcome.error = guardedStep([&] {
        switch (kind) {
        case ExportKind::Book: writeBook(services, progress, tables, target, version, outcome); break;
        case ExportKind::Markdown: {
            const LabelLookup label = services.labelLookup();
            const auto schemas = readSchemas(services, progress, tables, outcome);
            const QString error = writeMarkdownFiles(
                target, markdownDocuments(tables.origin, schemas, loadFieldTableOptions(services.settings()), label));
            if (!error.isEmpty())
                throw PrinterError(error);
            break;
        }
        case ExportKind::Tbls:
            // tbls reads the built-in labels, whatever the user's language.
            writeFile(target, tblsSchemaJson(tables.origin, readSchemas(services, progress, tables, outcome)));
            break;
        case ExportKind::PostgresScript:
        case ExportKind::SqliteScript: {
            const SqlDialect dialect = kind == ExportKind::PostgresScript ? SqlDialect::PostgreSql : SqlDialect::Sqlite;
            auto ddlTables = readDdlTables(services.engine(), readSchemas(services, progress, tables, outcome));
            writeFile(target, ddlScript(dialect, tables.origin, version, ddlTables));
            break;
        }
        }
    });
    progress.hideMessage();
    progress.setBusy(false);
    return outcome;
}

QString ExportDialog::chooseWithFileDialog(QWidget* parent, ExportKind kind, const QString& current)
{
    switch (kind) {
    case ExportKind::Book:
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Export the book"), current,
                                            QStringLiteral("PDF files (*.pdf)"));
    case ExportKind::Markdown:
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Export the Markdown into"), current);
    case ExportKind::PostgresScript:
    case ExportKind::SqliteScript:
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Export the SQL script"), current,
                                            QStringLiteral("SQL scripts (*.sql)"));
    case ExportKind::Tbls: break;
    }
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export the tbls JSON"), current,
                                        QStringLiteral("JSON files (*.json)"));
}

ExportDialog::ExportDialog(int tableCount, const QString& folder, QWidget* parent, PlaceChooser chooser)
    : QDialog(parent), folder_(folder), chooser_(std::move(chooser))
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(tableCount == 1 ? QStringLiteral("Export 1 table")
                                   : QStringLiteral("Export %1 tables").arg(tableCount));
    auto* kindBox = new QGroupBox(QStringLiteral("Export as"), this);
    kindBox->setAccessibleName(QStringLiteral("Export as"));
    auto* kindLayout = new QVBoxLayout(kindBox);
    kinds_ = new QButtonGroup(this);
    const auto addKind = [&](ExportKind kind, const QString& caption, const QString& description) {
        auto* button = new QRadioButton(caption, kindBox);
        button->setAccessibleName(QString(caption).remove(u'&'));
        button->setAccessibleDescription(description);
        button->setToolTip(description);
        kinds_->addButton(button, int(kind));
        kindLayout->addWidget(button);
    };
    addKind(ExportKind::Book, QStringLiteral("&PDF book"),
            QStringLiteral("One PDF file: title page, contents, bookmarks and every table's report"));
    addKind(ExportKind::Markdown, QStringLiteral("&Markdown"),
            QStringLiteral("README.md with a diagram of the links and one Markdown file per table, into a folder"));
    addKind(ExportKind::Tbls, QStringLiteral("&tbls JSON"),
            QStringLiteral("The schema JSON that tbls reads, one file"));
    addKind(ExportKind::PostgresScript, QStringLiteral("Post&greSQL script"),
            QStringLiteral("An SQL script that makes the tables, their checks, indexes and links in PostgreSQL"));
    addKind(ExportKind::SqliteScript, QStringLiteral("&SQLite script"),
            QStringLiteral("An SQL script that makes the tables, their checks, indexes and links in SQLite"));

    auto* placeLabel = new QLabel(QStringLiteral("P&lace:"), this);
    target_ = new QLineEdit(this);
    target_->setObjectName(QStringLiteral("ExportTarget"));
    target_->setAccessibleName(QStringLiteral("Place"));
    placeLabel->setBuddy(target_);
    choose_ = new QPushButton(QStringLiteral("C&hoose..."), this);
    choose_->setObjectName(QStringLiteral("ChooseExportTarget"));
    choose_->setAccessibleName(QStringLiteral("Choose the place"));
    choose_->setAutoDefault(false);
    auto* placeRow = new QHBoxLayout;
    placeRow->addWidget(placeLabel);
    placeRow->addWidget(target_, 1);
    placeRow->addWidget(choose_);

    auto* buttons = new QDialogButtonBox(this);
    export_ = buttons->addButton(QStringLiteral("&Export"), QDialogButtonBox::AcceptRole);
    export_->setObjectName(QStringLiteral("ExportButton"));
    export_->setAccessibleName(QStringLiteral("Export"));
    export_->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setAccessibleName(QStringLiteral("Cancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kindBox);
    layout->addLayout(placeRow);
    layout->addWidget(buttons);

    connect(kinds_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            kindChanged();
    });
    connect(target_, &QLineEdit::textChanged, this,
            [this](const QString& text) { export_->setEnabled(!text.trimmed().isEmpty()); });
    connect(choose_, &QPushButton::clicked, this, &ExportDialog::choosePlace);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setKind(ExportKind::Book);
    target_->setFocus();
}

ExportKind ExportDialog::kind() const
{
    return ExportKind(kinds_->checkedId());
}

void ExportDialog::setKind(ExportKind kind)
{
    kinds_->button(int(kind))->setChecked(true);
}

QRadioButton* ExportDialog::kindButton(ExportKind kind) const
{
    return qobject_cast<QRadioButton*>(kinds_->button(int(kind)));
}

QString ExportDialog::target() const
{
    return target_->text().trimmed();
}

void ExportDialog::setTarget(const QString& target)
{
    target_->setText(target);
}

void ExportDialog::kindChanged()
{
    // A place still as proposed follows the kind; one typed or chosen stays.
    const QString current = target();
    bool proposed = current.isEmpty();
    for (ExportKind k : {ExportKind::Book, ExportKind::Markdown, ExportKind::Tbls, ExportKind::PostgresScript,
                         ExportKind::SqliteScript})
        proposed = proposed || current == QDir(folder_).filePath(defaultName(k));
    if (proposed)
        setTarget(QDir(folder_).filePath(defaultName(kind())));
}

void ExportDialog::choosePlace()
{
    const QString chosen = chooser_(this, kind(), target().isEmpty() ? folder_ : target());
    if (!chosen.isEmpty())
        setTarget(chosen);
}

TablePreview::TablePreview(ReportServices& services, ReportProgress& progress, QtPrinterDevice& printer)
    : services_(services), progress_(progress), printer_(printer)
{}

void TablePreview::paint(QPrinter& preview, const QStringList& tables)
{
    std::vector<PreviewFailure> failures;
    const QString error = guardedStep([&] {
        printer_.beginJobOn(preview, QStringLiteral("Korvex : print preview"));
        try {
            failures = PreviewPages(services_, progress_).draw(printer_, tables);
        } catch (...) {
            printer_.abortJob();
            throw;
        }
        printer_.endJob();
    });
    if (!error.isEmpty())
        failures.push_back({QString(), error});
    if (!painted_)
        failures_ = std::move(failures);
    painted_ = true;
}

std::vector<PreviewFailure> TablePreview::exec(const QStringList& tables, QWidget* parent)
{
    // The preview's pages are those of the printer, in the orientation of the reports.
    const ReportSettings settings = LoadReportSettings(services_.settings());
    printer_.setOrientation(settings.Portrait ? Orientation::Portrait : Orientation::Landscape);
    QPrinter preview(QPrinter::HighResolution);
    preview.setResolution(QtPrinterDevice::Resolution);
    preview.setPageLayout(printer_.currentPageLayout());
    preview.setDocName(QStringLiteral("Korvex"));
    QPrintPreviewDialog dialog(&preview, parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Print preview"));
    dialog.setAccessibleName(QStringLiteral("Print preview"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, &tables](QPrinter* printer) { paint(*printer, tables); });
    painted_ = false;
    failures_.clear();
    dialog.exec();
    return failures_;
}

} // namespace korvex
