#include "ReportCommand.h"

#include "AliasCommand.h"
#include "Json.h"
#include "PrintProgram.h"
#include "StructureDump.h"

#include "DatabaseEngine.h"
#include "FileNames.h"
#include "MarkdownExport.h"
#include "ReportServices.h"
#include "SettingsFile.h"
#include "TableSet.h"
#include "TblsExport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>

namespace korvex {

void writeTo(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = visibleFileName(text).toUtf8(); // a file name's bytes that are not UTF-8 as \xE9
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

int writeJson(ReportServices& services, const QStringList& tables, const QString& databaseName)
{
    const LabelLookup label = services.labelLookup();
    bool allOk = true;
    Json::Array results;
    for (const auto& table : tables) {
        auto dump = dumpTableStructure(services.engine(), services.descriptors(), table, label, QLocale::system(),
                                       databaseName);
        allOk = allOk && dump.ok;
        results.push_back(std::move(dump.json));
    }
    writeTo(stdout, Json(Json::Object{{"tables", std::move(results)}}).serialize());
    return allOk ? 0 : ExitFailed;
}

// The tables that could not be read, on standard error; answers whether all could.
bool reportFailures(const std::vector<TableSchema>& schemas)
{
    bool allOk = true;
    for (const auto& t : schemas) {
        for (const auto& w : t.warnings)
            writeTo(stderr, QStringLiteral("korvex-report: %1: warning: %2\n").arg(t.table.argument, w));
        if (!t.ok)
            writeTo(stderr, QStringLiteral("korvex-report: %1: %2\n").arg(t.table.argument, t.error));
        allOk = allOk && t.ok;
    }
    return allOk;
}

int writeMarkdown(ReportServices& services, const TableSet& set, const QString& folder)
{
    const LabelLookup label = services.labelLookup();
    const auto schemas = readTableSchemas(services.engine(), set, label);
    const bool allOk = reportFailures(schemas);
    const QString error = writeMarkdownFiles(folder,
                                             markdownDocuments(set.origin, schemas,
                                                               loadFieldTableOptions(services.settings()), label));
    if (!error.isEmpty()) {
        writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(error));
        return ExitFailed;
    }
    writeTo(stdout, QStringLiteral("markdown: %1\n").arg(QDir(folder).absoluteFilePath(QStringLiteral("README.md"))));
    return allOk ? 0 : ExitFailed;
}

int writeTbls(DatabaseEngine& engine, const TableSet& set)
{
    const auto schemas = readTableSchemas(engine, set, tblsLabel, QLocale::c());
    const bool allOk = reportFailures(schemas);
    writeTo(stdout, QString::fromUtf8(tblsSchemaJson(set.origin, schemas)));
    return allOk ? 0 : ExitFailed;
}

} // namespace

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
    const auto optionValue = [&parser](const QCommandLineOption& option) {
        return parser.isSet(option) ? std::optional(parser.value(option)) : std::nullopt;
    };
    const auto usage = [&](const QString& problem) {
        writeTo(stderr, QStringLiteral("korvex-report: %1\n\n%2").arg(problem, parser.helpText()));
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
            writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(engine.lastError()));
            return ExitFailed;
        }
        if (parser.isSet(listAliases)) {
            writeTo(stdout, aliasListText(engine));
            return 0;
        }
        QString error;
        aliasDatabase = connectAlias(engine, parser.value(alias), error);
        if (!aliasDatabase) {
            writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(error));
            return ExitFailed;
        }
    }

    // A directory stands for its tables, an alias without names for all of its tables.
    const TableSet set = expandTableArguments(engine, tables, aliasDatabase.get());
    QStringList named;
    for (const auto& t : set.tables)
        named << t.argument;
    const bool dump = writeJsonDump || parser.isSet(format) || parser.isSet(markdown);
    if (!dump) // the printing program tells what a directory lacked
        return printTables(PrintRequest{set, optionValue(book), optionValue(printer), optionValue(out),
                                        optionValue(trace), aliasDatabase.get()},
                           services);

    for (const auto& problem : set.problems)
        writeTo(stderr, QStringLiteral("korvex-report: %1\n").arg(problem));
    int status = 0;
    if (writeJsonDump)
        status = writeJson(services, named, aliasDatabase ? aliasDatabase->databaseName() : QString());
    else if (parser.isSet(format))
        status = writeTbls(engine, set);
    else
        status = writeMarkdown(services, set, parser.value(markdown));
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
    return runReportCommand(commandLineArguments(int(arguments_.size()) - 1, arguments_.data()),
                            [this](const PrintRequest&, ReportServices&) {
                                return runPrintProgram(arguments_.data());
                            });
}

} // namespace korvex
