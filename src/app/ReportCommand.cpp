#include "ReportCommand.h"

#include "AliasCommand.h"
#include "Json.h"
#include "StructureDump.h"

#include "DatabaseEngine.h"
#include "FieldColumns.h"
#include "HeaderStrip.h"
#include "LanguageTable.h"
#include "PasswordList.h"
#include "QtPrinterDevice.h"
#include "RecordingDevice.h"
#include "ReportSettings.h"
#include "SettingsFile.h"
#include "TableReport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace korvex {

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

void writeTo(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// The report's messages on standard error, with the table they are about and why: the
// reason the report gives, else what the engine said last.
class CommandLineMessages : public UserMessages {
public:
    explicit CommandLineMessages(const DatabaseEngine& engine) : engine_(engine) {}

    void setTable(const QString& table) { table_ = table; }

    void showError(const QString& message, const QString& reason) override
    {
        QString text = QStringLiteral("korvex-report: %1: %2").arg(table_, message.trimmed().replace('\n', ' '));
        const QString why = reason.isEmpty() ? engine_.lastError() : reason;
        if (!why.isEmpty())
            text += QStringLiteral(" (%1)").arg(why);
        writeTo(stderr, text + '\n');
    }

private:
    const DatabaseEngine& engine_;
    QString table_;
};

// The command line shows no window and no cursor.
class SilentProgress : public ReportProgress {
public:
    void showMessage(const QString&) override {}
    void hideMessage() override {}
    void setBusy(bool) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
};

// What the engine notices about a table that does not stop its report (a validity-check
// file that is not read, names read as UTF-8) goes to standard error before it prints.
void writeWarnings(DatabaseEngine& engine, const QString& table, const QString& databaseName,
                   const QString& tableName)
{
    TableHandle handle = 0;
    if (engine.OpenTable(databaseName, tableName, handle) != result::Ok)
        return;  // the report tells why it cannot open the table
    QStringList warnings;
    engine.ReadWarnings(handle, warnings);
    engine.CloseTable(handle);
    for (const auto& w : warnings)
        writeTo(stderr, QStringLiteral("korvex-report: %1: warning: %2\n").arg(table, w));
}

int writeJson(DatabaseEngine& engine, const SettingsFile& settings, const QStringList& tables,
              const QString& databaseName)
{
    FieldDescriptorBuffer descriptors;
    LanguageTable labels;
    LoadLanguageTable(labels, settings);
    const LabelLookup label = [&labels](const QString& text) { return LookupLabel(labels, text); };
    bool allOk = true;
    Json::Array results;
    for (const auto& table : tables) {
        auto dump = DumpTableStructure(engine, descriptors, table, label, QLocale::system(), databaseName);
        allOk = allOk && dump.ok;
        results.push_back(std::move(dump.json));
    }
    writeTo(stdout, Json(Json::Object{{"tables", std::move(results)}}).serialize());
    return allOk ? 0 : ExitFailed;
}

} // namespace

int RunReportCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the structure reports of Paradox and dBASE tables, one print job per table:\n"
        "on the system's default printer, a named CUPS printer, or as PDF files."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption printer(QStringLiteral("printer"), QStringLiteral("Print on the CUPS printer NAME."),
                                     QStringLiteral("NAME"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Write one PDF per table into DIR (the default when the machine has "
                                                "no printer: ./korvex-reports)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption settingsOption(QStringLiteral("settings"),
                                            QStringLiteral("Take the report options from FILE instead of the "
                                                           "settings file %1.")
                                                .arg(SettingsFile().path()),
                                            QStringLiteral("FILE"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("A password for protected tables (may be given several times)."),
                                      QStringLiteral("PW"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Print through the recording device and write its trace to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Write the structure of every TABLE as one JSON object to standard "
                                                 "output instead of printing."));
    const QCommandLineOption alias(QStringLiteral("alias"),
                                   QStringLiteral("Open every TABLE by name in the directory of the alias NAME, "
                                                  "from the file %1 beside the settings file.")
                                       .arg(AliasFile::FileName),
                                   QStringLiteral("NAME"));
    const QCommandLineOption listAliases(QStringLiteral("list-aliases"),
                                         QStringLiteral("List the aliases, one per line: name, driver, and directory "
                                                        "or parameters, separated by tabs."));
    parser.addOptions({printer, out, settingsOption, password, trace, json, alias, listAliases});
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("Table files (.db, .dbf)."),
                                 QStringLiteral("TABLE..."));

    if (!parser.parse(arguments)) {
        writeTo(stderr, QStringLiteral("korvex-report: %1\n\n%2").arg(parser.errorText(), parser.helpText()));
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        writeTo(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        writeTo(stdout, QStringLiteral("korvex-report %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    const QStringList tables = parser.positionalArguments();
    const auto usage = [&](const QString& problem) {
        writeTo(stderr, QStringLiteral("korvex-report: %1\n\n%2").arg(problem, parser.helpText()));
        return ExitUsage;
    };
    if (parser.isSet(listAliases) && (!tables.isEmpty() || parser.isSet(alias)))
        return usage(QStringLiteral("--list-aliases takes no TABLE and no --alias"));
    if (tables.isEmpty() && !parser.isSet(listAliases))
        return usage(QStringLiteral("no TABLE given"));
    if (parser.isSet(printer) && parser.isSet(out))
        return usage(QStringLiteral("--printer and --out exclude each other"));
    if (parser.isSet(json) && (parser.isSet(printer) || parser.isSet(out) || parser.isSet(trace)))
        return usage(QStringLiteral("--json writes the structure instead of printing; it takes no printer"));

    // A file named here is a path from the current directory; it must exist, so that a
    // mistyped name is never taken for an empty file nor created.
    const QFileInfo settingsInfo(parser.value(settingsOption));
    if (parser.isSet(settingsOption) && !settingsInfo.exists())
        return usage(QStringLiteral("the settings file %1 does not exist").arg(settingsInfo.filePath()));
    if (parser.isSet(settingsOption) && !settingsInfo.isFile())
        return usage(QStringLiteral("the settings file %1 is not a file").arg(settingsInfo.filePath()));
    SettingsFile settings = parser.isSet(settingsOption) ? SettingsFile(settingsInfo.filePath()) : SettingsFile();
    DatabaseEngine engine;
    for (const auto& pw : parser.values(password) + LoadPasswordList(settings))
        engine.RegisterPassword(pw);

    // Aliases are read only when asked for, so that a broken aliases file stops no other use.
    std::unique_ptr<AliasDatabase> aliasDatabase;
    if (parser.isSet(listAliases) || parser.isSet(alias)) {
        if (engine.LoadAliases(QFileInfo(settings.path()).absolutePath()) != result::Ok) {
            writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(engine.lastError()));
            return ExitFailed;
        }
        if (parser.isSet(listAliases)) {
            writeTo(stdout, AliasListText(engine));
            return 0;
        }
        QString error;
        aliasDatabase = ConnectAlias(engine, parser.value(alias), error);
        if (!aliasDatabase) {
            writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(error));
            return ExitFailed;
        }
    }

    if (parser.isSet(json))
        return writeJson(engine, settings, tables, aliasDatabase ? aliasDatabase->databaseName() : QString());

    // The printer: a recording device with the PDF printer's pages for --trace, a CUPS
    // printer, or the PDF printer writing into the output folder.
    const QString folder = QDir::current().absoluteFilePath(
        parser.isSet(out) ? parser.value(out) : QStringLiteral("korvex-reports"));
    std::unique_ptr<QtPrinterDevice> qtPrinter;
    std::unique_ptr<RecordingDevice> recorder;
    PrintDevice* device = nullptr;
    try {
        qtPrinter = std::make_unique<QtPrinterDevice>(folder);
        if (parser.isSet(printer))
            qtPrinter->selectCupsPrinter(parser.value(printer));
        else if (parser.isSet(out) || parser.isSet(trace))
            qtPrinter->selectPdfPrinter(folder);
    } catch (const PrinterError& e) {
        writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(e.message()));
        return ExitFailed;
    }
    if (parser.isSet(trace)) {
        recorder = std::make_unique<RecordingDevice>(RecordingDevice::Metrics::RealFonts, qtPrinter->caps());
        qtPrinter->setOrientation(Orientation::Landscape);
        recorder->setCaps(Orientation::Landscape, qtPrinter->caps());
        qtPrinter->setOrientation(Orientation::Portrait);
        device = recorder.get();
    } else {
        device = qtPrinter.get();
    }

    CommandLineMessages messages(engine);
    SilentProgress progress;
    FieldDescriptorBuffer descriptors;
    HeaderStrip fieldHeader = MakeFieldHeader();
    LanguageTable labels;
    LoadLanguageTable(labels, settings);
    TableLocation location;
    if (aliasDatabase) {
        // Tables named relative to the alias open through its database, as chosen in the browser.
        QString driver;
        engine.GetAliasDriver(aliasDatabase->aliasName(), driver);
        location.currentDirectory = AliasDirectory(engine, *aliasDatabase);
        location.CurrentAlias = aliasDatabase->aliasName().left(25);
        location.CurrentAliasDriver = driver.left(25);
        location.CurrentDatabase = aliasDatabase->databaseName();
    }
    TableReporter reporter(TableReporter::Services{
        engine, descriptors, settings, *device, fieldHeader,
        [&labels](const QString& text) { return LookupLabel(labels, text); }, messages, progress, location});
    const BodyFont bodyFont = LoadBodyFont(settings);
    reporter.setBodyFont(bodyFont.name, bodyFont.points);

    bool allOk = true;
    for (const auto& table : tables) {
        const QFileInfo info(table);
        if (!aliasDatabase)
            location.currentDirectory = info.absolutePath();
        messages.setTable(table);
        if (aliasDatabase)
            writeWarnings(engine, table, aliasDatabase->databaseName(), table);
        else
            writeWarnings(engine, table, info.path(), info.fileName());
        bool ok = false;
        try {
            ok = reporter.PrintTableReport(aliasDatabase ? table : info.fileName());
        } catch (const SettingsWriteError& e) {
            writeTo(stderr, QStringLiteral("korvex-report: %1: %2 (%3)\n").arg(table, e.message(), e.reason()));
        } catch (const std::exception& e) {
            writeTo(stderr, QStringLiteral("korvex-report: %1: %2\n").arg(table, QString::fromStdString(e.what())));
        }
        allOk = allOk && ok;
        if (ok && recorder == nullptr) {
            if (qtPrinter->isPdfPrinter())
                writeTo(stdout, QStringLiteral("%1: %2\n").arg(table, qtPrinter->lastOutputFile()));
            else
                writeTo(stdout, QStringLiteral("%1: job %2 on printer %3\n")
                                    .arg(table)
                                    .arg(qtPrinter->lastJobId())
                                    .arg(qtPrinter->printerName()));
        }
    }
    if (recorder) {
        try {
            recorder->writeTrace(parser.value(trace));
            writeTo(stdout, QStringLiteral("trace: %1\n").arg(QFileInfo(parser.value(trace)).absoluteFilePath()));
        } catch (const PrinterError& e) {
            writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(e.message()));
            return ExitFailed;
        }
    }
    return allOk ? 0 : ExitFailed;
}

} // namespace korvex
