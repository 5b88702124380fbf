#include "ReportCommand.h"

#include "AliasCommand.h"
#include "Json.h"
#include "PrintProgram.h"
#include "StructureDump.h"

#include "DatabaseEngine.h"
#include "FileNames.h"
#include "FileWriter.h"
#include "MarkdownExport.h"
#include "ReportServices.h"
#include "SettingsFile.h"
#include "TableSet.h"
#include "TblsExport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <cstdio>
#include <memory>
#include <optional>

namespace korvex {

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
const QString Program = QStringLiteral("korvex-report");

// The tables of a run one by one, with their progress shown, until a signal asks the run
// to end (RunEnded).
template <typename Read>
void forEachTable(const std::vector<TableEntry>& tables, Read read)
{
    ProgressLine progress;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        stopWhenAsked();
        progress.show(i + 1, tables.size(), tables[i].name);
        read(tables[i]);
    }
    stopWhenAsked();
}

int writeJson(ReportServices& services, const TableSet& set, const QString& databaseName)
{
    const LabelLookup label = services.labelLookup();
    bool allOk = true;
    Json::Array results;
    forEachTable(set.tables, [&](const TableEntry& table) {
        auto dump = dumpTableStructure(services.engine(), services.descriptors(), table.argument, label, databaseName,
                                       table.shownName());
        allOk = allOk && dump.ok;
        results.push_back(std::move(dump.json));
    });
    writeTo(stdout, Json(Json::Object{{"tables", std::move(results)}}).serialize());
    return allOk ? 0 : ExitFailed;
}

std::vector<TableSchema> readSchemas(DatabaseEngine& engine, const TableSet& set)
{
    FieldDescriptorBuffer descriptors;
    std::vector<TableSchema> schemas;
    schemas.reserve(set.tables.size());
    forEachTable(set.tables,
                 [&](const TableEntry& table) { schemas.push_back(readTableSchema(engine, descriptors, table)); });
    return schemas;
}

// The tables that could not be read, on standard error; answers whether all could.
bool reportFailures(const std::vector<TableSchema>& schemas)
{
    bool allOk = true;
    for (const auto& t : schemas) {
        for (const auto& w : t.warnings)
            writeMessage(QStringLiteral("korvex-report: %1: warning: %2\n").arg(t.table.argument, w));
        if (!t.ok)
            writeMessage(QStringLiteral("korvex-report: %1: %2\n").arg(t.table.argument, t.error));
        allOk = allOk && t.ok;
    }
    return allOk;
}

int writeMarkdown(ReportServices& services, const TableSet& set, const QString& folder)
{
    const LabelLookup label = services.labelLookup();
    const auto schemas = readSchemas(services.engine(), set);
    const bool allOk = reportFailures(schemas);
    if (std::none_of(schemas.begin(), schemas.end(), [](const TableSchema& t) { return t.ok; })) {
        writeMessage(
            QStringLiteral("korvex-report: no table could be read; nothing was written into %1\n").arg(folder));
        return ExitFailed;
    }
    const auto documents = markdownDocuments(set.origin, schemas, loadFieldTableOptions(services.settings()), label);
    // The last moment to stop: afterwards the files are written all at once.
    stopWhenAsked();
    const QString error = writeMarkdownFiles(folder, documents);
    if (!error.isEmpty()) {
        writeMessage(QStringLiteral("korvex-report: %1; the earlier files are left as they were\n").arg(error));
        return ExitFailed;
    }
    writeLines(QStringLiteral("markdown: %1\n").arg(QDir(folder).absoluteFilePath(QStringLiteral("README.md"))));
    return allOk ? 0 : ExitFailed;
}

int writeTbls(DatabaseEngine& engine, const TableSet& set)
{
    const auto schemas = readSchemas(engine, set);
    const bool allOk = reportFailures(schemas);
    writeTo(stdout, Json::escapeControls(QString::fromUtf8(tblsSchemaJson(set.origin, schemas))));
    return allOk ? 0 : ExitFailed;
}

// Why an output file cannot be written at path, found before the run rather than after it:
// its folder must take new files, and what is there must be a plain file.
QString outputFileProblem(const QString& path)
{
    const QFileInfo info(QDir::current().absoluteFilePath(path));
    if (info.isSymLink())
        return QStringLiteral("%1: a symbolic link, which is never written through").arg(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("%1: not a file").arg(path);
    return folderWritableProblem(info.absolutePath());
}

// The same for an output folder, made when missing: the nearest folder that exists must
// take new files.
QString outputFolderProblem(const QString& folder)
{
    QFileInfo info(QDir::current().absoluteFilePath(folder));
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1: not a folder").arg(folder);
    while (!info.exists() && !info.isSymLink() && !info.isRoot())
        info = QFileInfo(info.absolutePath());
    return folderWritableProblem(info.absoluteFilePath());
}

} // namespace

QStringList tableArgumentProblems(TableSet& set, bool fileForm)
{
    QStringList problems;
    if (!set.aliasName.isEmpty()) {
        std::vector<TableEntry> kept;
        for (auto& t : set.tables) {
            if (t.name.contains('/') || t.name.contains('\\') || t.name == QLatin1String(".") ||
                t.name == QLatin1String(".."))
                problems << QStringLiteral("%1: not a table name of the alias %2: a name holds no / and is not ..")
                                .arg(t.name, set.aliasName);
            else
                kept.push_back(std::move(t));
        }
        set.tables = std::move(kept);
    }
    if (!fileForm)
        return problems;
    problems << set.problems;
    if (set.aliasName.isEmpty())
        for (const auto& t : set.tables)
            if (!QFileInfo::exists(t.argument) && !QFileInfo(t.argument).isSymLink())
                problems << QStringLiteral("%1: no such file or directory").arg(t.argument);
    return problems;
}

int runReportCommand(const QStringList& arguments, const TablePrinter& printTables)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the structure reports of Paradox and dBASE tables, one print job per table:\n"
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
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Write the structure to standard output instead of printing: json "
                                                   "(as --json) or tbls (the schema JSON of tbls)."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption markdown(QStringLiteral("markdown"),
                                      QStringLiteral("Write README.md and one Markdown file per table into DIR instead "
                                                     "of printing."),
                                      QStringLiteral("DIR"));
    const QCommandLineOption book(QStringLiteral("book"),
                                  QStringLiteral("Print all the tables as one PDF book into FILE: title page, "
                                                 "contents, bookmarks, then every table's report."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption listAliases(QStringLiteral("list-aliases"),
                                         QStringLiteral("List the aliases, one per line: name, driver, and directory "
                                                        "or parameters, separated by tabs."));
    parser.addOptions(
        {printer, out, settingsOption, password, trace, json, format, markdown, book, alias, listAliases});
    parser.addPositionalArgument(QStringLiteral("TABLE"),
                                 QStringLiteral("Table files (.db, .dbf), or directories standing for all their "
                                                "tables; with --alias, table names (none: every table of the alias)."),
                                 QStringLiteral("TABLE|DIR..."));

    if (!parser.parse(arguments)) {
        writeMessage(QStringLiteral("korvex-report: %1\n\n%2").arg(parser.errorText(), parser.helpText()));
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
    const auto optionValue = [&parser](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(parser.value(option)) : std::nullopt;
    };
    const auto usage = [&](const QString& problem) {
        writeMessage(QStringLiteral("korvex-report: %1\n\n%2").arg(problem, parser.helpText()));
        return ExitUsage;
    };
    if (parser.isSet(listAliases) && (!tables.isEmpty() || parser.isSet(alias)))
        return usage(QStringLiteral("--list-aliases takes no TABLE and no --alias"));
    if (tables.isEmpty() && !parser.isSet(listAliases) && !parser.isSet(alias))
        return usage(QStringLiteral("no TABLE given"));
    if (parser.isSet(printer) && parser.isSet(out))
        return usage(QStringLiteral("--printer and --out exclude each other"));
    const QString formatName = parser.value(format);
    if (parser.isSet(format) && formatName != QLatin1String("json") && formatName != QLatin1String("tbls"))
        return usage(QStringLiteral("--format takes json or tbls, not %1").arg(formatName));
    const bool writeJsonDump = parser.isSet(json) || formatName == QLatin1String("json");
    // One form per run: printing (with its printer options), the book, or a structure dump.
    const int forms = int(writeJsonDump || parser.isSet(format)) + int(parser.isSet(markdown)) +
                      int(parser.isSet(book)) + int(parser.isSet(printer) || parser.isSet(out) || parser.isSet(trace));
    if (forms > 1)
        return usage(QStringLiteral("--json, --format, --markdown, --book and the printer options (--printer, --out, "
                                    "--trace) exclude each other"));
    for (const auto* option : {&markdown, &book, &out, &trace, &settingsOption})
        if (parser.isSet(*option) && parser.value(*option).isEmpty())
            return usage(QStringLiteral("--%1 needs a name, not an empty one").arg(option->names().constFirst()));

    // A file named here is a path from the current directory; it must exist, so that a
    // mistyped name is never taken for an empty file nor created.
    const QFileInfo settingsInfo(parser.value(settingsOption));
    if (parser.isSet(settingsOption) && !settingsInfo.exists())
        return usage(QStringLiteral("the settings file %1 does not exist").arg(settingsInfo.filePath()));
    if (parser.isSet(settingsOption) && !settingsInfo.isFile())
        return usage(QStringLiteral("the settings file %1 is not a file").arg(settingsInfo.filePath()));
    ReportServices services(parser.isSet(settingsOption) ? settingsInfo.filePath() : QString());
    DatabaseEngine& engine = services.engine();
    // Every form reads many tables in one run: each directory is listed once for all of them.
    const DatabaseEngine::Run run(engine);
    for (const auto& pw : parser.values(password))
        engine.RegisterPassword(pw);

    // Aliases are read only when asked for, so that a broken aliases file stops no other use.
    std::unique_ptr<AliasDatabase> aliasDatabase;
    if (parser.isSet(listAliases) || parser.isSet(alias)) {
        if (engine.loadAliases(QFileInfo(services.settings().path()).absolutePath()) != result::Ok) {
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(engine.lastError()));
            return ExitFailed;
        }
        if (parser.isSet(listAliases)) {
            writeLines(aliasListText(engine));
            return 0;
        }
        QString error;
        aliasDatabase = connectAlias(engine, parser.value(alias), error);
        if (!aliasDatabase) {
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(error));
            return ExitFailed;
        }
    }

    // A directory stands for its tables, an alias without names for all of its tables.
    TableSet set = expandTableArguments(engine, tables, aliasDatabase.get());
    // The book and the Markdown replace earlier files: a mistyped argument must not put a
    // book of errors in place of a good one, nor an output that cannot be written be found
    // out only after every table was printed.
    const bool fileForm = parser.isSet(book) || parser.isSet(markdown);
    const QStringList problems = tableArgumentProblems(set, fileForm);
    QString outputProblem;
    if (parser.isSet(book))
        outputProblem = outputFileProblem(parser.value(book));
    else if (parser.isSet(trace))
        outputProblem = outputFileProblem(parser.value(trace));
    else if (parser.isSet(markdown))
        outputProblem = outputFolderProblem(parser.value(markdown));
    if (!problems.isEmpty() || !outputProblem.isEmpty()) {
        for (const auto& problem : problems)
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(problem));
        if (!outputProblem.isEmpty())
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(outputProblem));
        writeMessage(QStringLiteral("korvex-report: nothing was read or written\n"));
        return ExitFailed;
    }
    const bool dump = writeJsonDump || parser.isSet(format) || parser.isSet(markdown);
    if (!dump) // the printing program tells what a directory lacked
        return printTables(PrintRequest{set, optionValue(book), optionValue(printer), optionValue(out),
                                        optionValue(trace), aliasDatabase.get()},
                           services);

    for (const auto& problem : set.problems)
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(problem));
    int status = 0;
    try {
        if (writeJsonDump)
            status = writeJson(services, set, aliasDatabase ? aliasDatabase->databaseName() : QString());
        else if (parser.isSet(format))
            status = writeTbls(engine, set);
        else
            status = writeMarkdown(services, set, parser.value(markdown));
    } catch (const RunEnded& ended) {
        return endedRun(Program, ended.signal,
                        parser.isSet(markdown) ? QStringLiteral("no file was written")
                                               : QStringLiteral("nothing was written to standard output"));
    }
    return set.problems.isEmpty() ? status : ExitFailed;
}

ReportCommand::ReportCommand(int& argc, char** argv) : arguments_(argv, argv + argc + 1), application_(argc, argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("korvex-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
}

QStringList commandLineArguments(int argc, char* const argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeFileName(argv[i]);
    return arguments;
}

int ReportCommand::run()
{
    endRunsOnSignals();
    const int status = runReportCommand(commandLineArguments(int(arguments_.size()) - 1, arguments_.data()),
                                        [this](const PrintRequest&, ReportServices&) {
                                            // The printing program sets up its own handling of
                                            // signals; one that came before is not carried over.
                                            if (const int signal = endingSignal())
                                                return endedRun(Program, signal, QStringLiteral("nothing was printed"));
                                            return runPrintProgram(arguments_.data());
                                        });
    return finishStandardOutput(Program, status);
}

} // namespace korvex
