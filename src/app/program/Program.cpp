#include "Program.h"

#include "AliasFile.h"
#include "HandlerErrors.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTranslator>

namespace korvex {

namespace {

SettingsFile makeSettings(const QString& path)
{
    return path.isEmpty() ? SettingsFile() : SettingsFile(path);
}

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
                                 QStringLiteral("A table to select: the browser opens on its directory."),
                                 QStringLiteral("[FILE]"));
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
    QGuiApplication::setApplicationDisplayName(TForm_PrintTable::Title);
    QGuiApplication::setDesktopFileName(QStringLiteral("korvex"));
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
    : options_(std::move(options))
    , settings_(makeSettings(options_.settingsPath))
    , fieldColumns_(MakeFieldHeader())
    , bodyFont_(LoadBodyFont(settings_))
    , printer_(options_.pdfFolder.isEmpty() ? defaultPdfFolder() : options_.pdfFolder)
    , printerSetup_(printer_)
    , mainWindow_({settings_, engine_, location_, aliasesFolder(settings_), options_.volumes, options_.errors})
    , margins_(&mainWindow_)
    , configuration_({settings_, fieldColumns_, labels_, bodyFont_, engine_, printerSetup_, margins_}, &mainWindow_)
    , about_(settings_.path(), AliasFile::pathFor(aliasesFolder(settings_)), &mainWindow_)
    , progressWindow_(&mainWindow_)
    , messages_(&mainWindow_)
    , progress_(progressWindow_)
    , reporter_(TableReporter::Services{engine_, descriptors_, settings_, printer_, fieldColumns_,
                                        [this](const QString& text) { return LookupLabel(labels_, text); },
                                        options_.errors ? *options_.errors : messages_, progress_, location_})
{
    LoadLanguageTable(labels_, settings_);
    if (!options_.tellPdfFolder) {
        options_.tellPdfFolder = [this](const QString& folder) {
            QMessageBox::information(&mainWindow_, QGuiApplication::applicationDisplayName(),
                                     QStringLiteral("The structure reports are written as PDF files into the folder\n%1")
                                         .arg(QDir::toNativeSeparators(folder)));
        };
    }
    mainWindow_.setPartners({&configuration_, &about_, [this](const QString& name) { return printTable(name); },
                             [this] {
                                 reporter_.printedTable().close();
                             }});
    if (!options_.startFile.isEmpty()) {
        try {
            mainWindow_.openTableFile(options_.startFile);
        } catch (...) {
            ShowError(options_.errors ? *options_.errors : messages_, std::current_exception());
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
    // The body font is held in memory: the configuration dialog's Save changes it.
    reporter_.setBodyFont(bodyFont_.name, bodyFont_.points);
    const bool printed = reporter_.PrintTableReport(name);
    if (printed && printer_.isPdfPrinter() && !printer_.lastOutputFile().isEmpty() && !pdfFolderTold_) {
        pdfFolderTold_ = true;
        options_.tellPdfFolder(QFileInfo(printer_.lastOutputFile()).absolutePath());
    }
    return printed;
}

} // namespace korvex
