#include "ReportCommand.h"

#include "AliasCommand.h"
#include "DiffCommand.h"
#include "Json.h"
#include "PrintProgram.h"
#include "StructureDump.h"
#include "TerminalLogin.h"

#include "DatabaseEngine.h"
#include "DdlScript.h"
#include "FileNames.h"
#include "FileWriter.h"
#include "MarkdownExport.h"
#include "ReportServices.h"
#include "ServerLogin.h"
#include "TableSet.h"
#include "TblsExport.h"

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
    // {"tables": [...]}, each table's part made as soon as it is read, so that a run over
    // many tables holds their text rather than all their trees; nothing is written until
    // the run is over.
    QByteArray document = "{\n  \"tables\": [";
    bool first = true;
    forEachTable(set.tables, [&](const TableEntry& table) {
        const auto dump = dumpTableStructure(services.engine(), services.descriptors(), table.argument, label,
                                             databaseName, table.shownName());
        allOk = allOk && dump.ok;
        document += first ? "\n    " : ",\n    ";
        document += dump.json.nestedUtf8(4);
        first = false;
    });
    document += first ? "]\n}\n" : "\n  ]\n}\n";
    writeUtf8(stdout, document);
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

int writeDdl(DatabaseEngine& engine, const TableSet& set, SqlDialect dialect)
{
    auto schemas = readSchemas(engine, set);
    const bool allOk = reportFailures(schemas);
    const auto tables = readDdlTables(engine, std::move(schemas));
    writeTo(stdout, QString::fromUtf8(ddlScript(dialect, set.origin, QCoreApplication::applicationVersion(), tables)));
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

namespace {

// A run once its request is good: the services with the passwords registered, and the
// connected database of the alias the tables are named in.
struct ReportRun {
    const ReportRequest& request;
    ReportServices& services;
    const AliasDatabase* aliasDatabase;
    const TablePrinter& printTables;
};

// Why the output of the run cannot be written, found before any table is read.
QString outputProblem(const ReportRequest& request)
{
    if (request.bookFile)
        return outputFileProblem(*request.bookFile);
    if (request.traceFile)
        return outputFileProblem(*request.traceFile);
    if (request.markdownFolder)
        return outputFolderProblem(*request.markdownFolder);
    return {};
}

// The tables of the run (a directory stands for its tables, an alias without names for
// all of its tables), or nothing when a problem with them or with the output stops the run
// before anything is read or written.
std::optional<TableSet> checkedTables(const ReportRun& run)
{
    TableSet set = expandTableArguments(run.services.engine(), run.request.tables, run.aliasDatabase);
    // The book and the Markdown replace earlier files: a mistyped argument must not put a
    // book of errors in place of a good one, nor an output that cannot be written be found
    // out only after every table was printed.
    const QStringList problems = tableArgumentProblems(set, run.request.replacesFiles());
    const QString output = outputProblem(run.request);
    if (problems.isEmpty() && output.isEmpty())
        return set;
    for (const auto& problem : problems)
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(problem));
    if (!output.isEmpty())
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(output));
    writeMessage(QStringLiteral("korvex-report: nothing was read or written\n"));
    return std::nullopt;
}

// The structure outputs, written by this program: what a directory lacked is told first;
// a signal ends the run with what was left unwritten.
template <typename Write>
int writeStructure(const ReportRun& run, const QString& unwritten, Write write)
{
    const auto set = checkedTables(run);
    if (!set)
        return ExitFailed;
    for (const auto& problem : set->problems)
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(problem));
    int status = 0;
    try {
        status = write(*set);
    } catch (const RunEnded& ended) {
        return endedRun(Program, ended.signal, unwritten);
    }
    return set->problems.isEmpty() ? status : ExitFailed;
}

const QString NothingOnStandardOutput = QStringLiteral("nothing was written to standard output");

// One runner per form.

int runPrint(const ReportRun& run)
{
    const auto set = checkedTables(run);
    if (!set)
        return ExitFailed;
    const ReportRequest& r = run.request;
    // the printing program tells what a directory lacked
    return run.printTables(PrintRequest{*set, r.bookFile, r.printer, r.outFolder, r.traceFile, run.aliasDatabase},
                           run.services);
}

int runJson(const ReportRun& run)
{
    const QString databaseName = run.aliasDatabase ? run.aliasDatabase->databaseName() : QString();
    return writeStructure(run, NothingOnStandardOutput,
                          [&](const TableSet& set) { return writeJson(run.services, set, databaseName); });
}

int runTbls(const ReportRun& run)
{
    return writeStructure(run, NothingOnStandardOutput,
                          [&](const TableSet& set) { return writeTbls(run.services.engine(), set); });
}

int runMarkdown(const ReportRun& run)
{
    return writeStructure(run, QStringLiteral("no file was written"), [&](const TableSet& set) {
        return writeMarkdown(run.services, set, *run.request.markdownFolder);
    });
}

int runDdl(const ReportRun& run)
{
    return writeStructure(run, NothingOnStandardOutput, [&](const TableSet& set) {
        return writeDdl(run.services.engine(), set, run.request.ddlDialect);
    });
}

int runDiff(const ReportRun& run)
{
    try {
        return runDiffRequest(run.request, run.services.engine());
    } catch (const RunEnded& ended) {
        return endedRun(Program, ended.signal, NothingOnStandardOutput);
    }
}

int runAliasList(const ReportRun& run)
{
    writeLines(aliasListText(run.services.engine()));
    return 0;
}

using FormRunner = int (*)(const ReportRun&);

FormRunner runnerOf(ReportForm form)
{
    switch (form) {
    case ReportForm::Print:
    case ReportForm::Book: return runPrint;
    case ReportForm::Json: return runJson;
    case ReportForm::Tbls: return runTbls;
    case ReportForm::Markdown: return runMarkdown;
    case ReportForm::Ddl: return runDdl;
    case ReportForm::ListAliases: return runAliasList;
    case ReportForm::Diff: return runDiff;
    }
    return nullptr;
}

} // namespace

int runReportRequest(const ReportRequest& request, const TablePrinter& printTables, PrintPlace place)
{
    ReportServices services(request.settingsFile.value_or(QString()));
    DatabaseEngine& engine = services.engine();
    // Every form reads many tables in one run: each directory is listed once for all of them.
    const DatabaseEngine::Run run(engine);
    for (const auto& pw : request.passwords)
        engine.RegisterPassword(pw);

    if (request.readsAliases() &&
        engine.loadAliases(QFileInfo(services.settings().path()).absolutePath()) != result::Ok) {
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(engine.lastError()));
        // diff(1)'s status for trouble: 1 means the sides differ
        return request.form == ReportForm::Diff ? ExitUsage : ExitFailed;
    }
    const bool prints = request.form == ReportForm::Print || request.form == ReportForm::Book;
    if (place == PrintPlace::PrintingProgram && prints && request.alias && isServerAlias(engine, *request.alias))
        return printTables(PrintRequest{}, services);
    TerminalLogin login(QStringLiteral("korvex-report"));
    askPasswordsThrough(engine, login);
    std::unique_ptr<AliasDatabase> aliasDatabase;
    if (request.alias) {
        QString error;
        aliasDatabase = connectAlias(engine, *request.alias, error);
        if (!aliasDatabase) {
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(error));
            return ExitFailed;
        }
    }
    return runnerOf(request.form)(ReportRun{request, services, aliasDatabase.get(), printTables});
}

int runReportCommand(const QStringList& arguments, const TablePrinter& printTables, PrintPlace place)
{
    const ReportRequestParse parse = parseReportRequest(arguments);
    if (!parse.problem.isEmpty()) {
        writeMessage(QStringLiteral("korvex-report: %1\n\n%2").arg(parse.problem, parse.helpText));
        return ExitUsage;
    }
    if (!parse.request) {
        writeTo(stdout, parse.answer);
        return 0;
    }
    return runReportRequest(*parse.request, printTables, place);
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
    const int status = runReportCommand(
        commandLineArguments(int(arguments_.size()) - 1, arguments_.data()),
        [this](const PrintRequest&, ReportServices&) {
            // The printing program sets up its own handling of signals; one that came
            // before is not carried over.
            if (const int signal = endingSignal())
                return endedRun(Program, signal, QStringLiteral("nothing was printed"));
            return runPrintProgram(arguments_.data());
        },
        PrintPlace::PrintingProgram);
    return finishStandardOutput(Program, status);
}

} // namespace korvex
