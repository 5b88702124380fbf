#include "Program.h"

#include "AliasFile.h"
#include "ContextMenuKey.h"
#include "HandlerErrors.h"
#include "Pictures.h"
#include "TableExport.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>

#include <utility>

namespace korvex {

namespace {

QString aliasesFolder(const SettingsFile& settings)
{
    return QFileInfo(settings.path()).absolutePath();
}

} // namespace

Program::Options Program::optionsFrom(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the structure of Paradox and dBASE tables."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A table to select (the browser opens on its directory) or a "
                                                "directory to open; a path or a file:// URI."),
                                 QStringLiteral("[FILE|DIRECTORY]"));
    parser.process(arguments);
    Options options;
    options.startFile = parser.positionalArguments().value(0);
    return options;
}

QString Program::defaultPdfFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("Korvex"));
}

void Program::prepareApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("korvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    // No display name: Qt would append it to every window's title, and the titles are the
    // windows' own ("Korvex V3.2 - Configuration", "Margins").
    QGuiApplication::setDesktopFileName(QStringLiteral("korvex"));
    QGuiApplication::setWindowIcon(applicationIcon());
    installMainWindowAccessible();
    installContextMenuKey();
    // Qt's own texts (the buttons of message boxes, the printer dialog) in the user's
    // language.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

Program::Program(Options options)
    : options_(std::move(options)), services_(options_.settingsPath),
      printer_(options_.pdfFolder.isEmpty() ? defaultPdfFolder() : options_.pdfFolder), printerSetup_(printer_),
      mainWindow_({services_.settings(), services_.engine(), services_.location(), aliasesFolder(services_.settings()),
                   options_.volumes, options_.errors}),
      margins_(&mainWindow_),
      configuration_(TForm_PrnTabCfg::Services::from(services_, printerSetup_, margins_, options_.errors),
                     &mainWindow_),
      about_(services_.settings().path(), AliasFile::pathFor(aliasesFolder(services_.settings())),
             printer_.isPdfPrinter() ? (options_.pdfFolder.isEmpty() ? defaultPdfFolder() : options_.pdfFolder)
                                     : QString(),
             &mainWindow_),
      progressWindow_(&mainWindow_), messages_(&mainWindow_), progress_(progressWindow_),
      reporter_(services_, printer_, options_.errors ? *options_.errors : messages_, progress_)
{
    if (!options_.tellPdfFolder)
        options_.tellPdfFolder = [this](const QString& folder) { return tellPdfFolderNote(folder, &mainWindow_); };
    mainWindow_.setPartners({&configuration_, &about_, [this](const QString& name) { return printTable(name); },
                             [this] { reporter_.printedTable().close(); }, askContinuePrinting,
                             [this](const QStringList& names) { previewTables(names); },
                             [this](const QStringList& names) { exportTables(names); }, [this] { printRunEnded(); }});
    if (!options_.startFile.isEmpty()) {
        try {
            mainWindow_.openTableFile(options_.startFile);
        } catch (...) {
            showError(options_.errors ? *options_.errors : messages_, std::current_exception());
        }
    }
}

Program::~Program()
{
    // The report and the dialogs go before the main window: it must not reach them when it
    // saves its state on its way out.
    mainWindow_.setPartners({});
}

int Program::run()
{
    mainWindow_.show();
    return QApplication::exec();
}

bool Program::printTable(const QString& name)
{
    const bool printed = reporter_.PrintTableReport(name);
    if (printed && printer_.isPdfPrinter() && !printer_.lastOutputFile().isEmpty() && !pdfFolderTold_)
        untoldPdfFolder_ = QFileInfo(printer_.lastOutputFile()).absolutePath();
    return printed;
}

// Told after the run, so that the note never holds up the tables still to print.
void Program::printRunEnded()
{
    const QString folder = std::exchange(untoldPdfFolder_, QString());
    if (folder.isEmpty() || pdfFolderTold_ || !services_.settings().ReadFlag(ShowPdfFolderNote))
        return;
    pdfFolderTold_ = true;
    if (options_.tellPdfFolder(folder))
        services_.settings().WriteFlag(ShowPdfFolderNote, false);
}

bool Program::tellPdfFolderNote(const QString& folder, QWidget* parent)
{
    QMessageBox box(QMessageBox::Information, ApplicationTitle,
                    QStringLiteral("The structure reports are written as PDF files into the folder\n%1")
                        .arg(QDir::toNativeSeparators(folder)),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("PdfFolderNote"));
    QPushButton* open = box.addButton(OpenFolderCaption, QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    auto* never = new QCheckBox(DoNotShowAgainCaption, &box);
    box.setCheckBox(never);
    box.exec();
    if (box.clickedButton() == open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    return never->isChecked();
}

namespace {

// The tables left out of a preview or an export, one per line with why.
QString leftOutText(const std::vector<PreviewFailure>& failures)
{
    QStringList lines;
    for (const auto& f : failures)
        lines << (f.table.isEmpty() ? f.error : QStringLiteral("%1: %2").arg(f.table, f.error));
    return lines.join(u'\n');
}

} // namespace

void Program::previewTables(const QStringList& names)
{
    UserMessages& errors = options_.errors ? *options_.errors : messages_;
    TablePreview preview(services_, progress_, printer_);
    const auto failures = preview.exec(names, &mainWindow_);
    if (!failures.empty())
        errors.showError(QStringLiteral("Some tables are not in the print preview!\n"), leftOutText(failures));
}

void Program::exportTables(const QStringList& names)
{
    UserMessages& errors = options_.errors ? *options_.errors : messages_;
    if (exportFolder_.isEmpty())
        exportFolder_ = options_.pdfFolder.isEmpty() ? defaultPdfFolder() : options_.pdfFolder;
    ExportDialog dialog(int(names.size()), exportFolder_, &mainWindow_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString target = QDir::current().absoluteFilePath(dialog.target());
    exportFolder_ = QFileInfo(target).absolutePath();
    // A book goes into a folder that may not be there yet, as the Markdown's does.
    if (dialog.kind() != ExportKind::Markdown)
        QDir().mkpath(exportFolder_);
    const ExportOutcome outcome = korvex::exportTables(services_, progress_, tableSetOf(services_.location(), names),
                                                       dialog.kind(), target, QCoreApplication::applicationVersion());
    if (!outcome.error.isEmpty())
        errors.showError(QStringLiteral("Export failed!\n"), outcome.error);
    else if (!outcome.leftOut.empty())
        errors.showError(QStringLiteral("Some tables were left out of the export!\n"), leftOutText(outcome.leftOut));
}

} // namespace korvex
