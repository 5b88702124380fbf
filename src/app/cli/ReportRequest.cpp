#include "ReportRequest.h"

#include "AliasFile.h"
#include "SettingsFile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace korvex {

namespace {

// The options of korvex-report with their help texts, in the order the help lists them.
struct ReportOptions {
    QCommandLineOption printer{QStringLiteral("printer"), QStringLiteral("Print on the CUPS printer NAME."),
                               QStringLiteral("NAME")};
    QCommandLineOption out{QStringLiteral("out"),
                           QStringLiteral("Write one PDF per table into DIR (the default when the machine has "
                                          "no printer: ./korvex-reports)."),
                           QStringLiteral("DIR")};
    QCommandLineOption settings{QStringLiteral("settings"),
                                QStringLiteral("Take the report options from FILE instead of the "
                                               "settings file %1.")
                                    .arg(SettingsFile().path()),
                                QStringLiteral("FILE")};
    QCommandLineOption password{QStringLiteral("password"),
                                QStringLiteral("A password for protected tables (may be given several times)."),
                                QStringLiteral("PW")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Print through the recording device and write its trace to FILE."),
                             QStringLiteral("FILE")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Write the structure of every TABLE as one JSON object to standard "
                                           "output instead of printing.")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("Write the structure to standard output instead of printing: json "
                                             "(as --json) or tbls (the schema JSON of tbls); with --diff, json or "
                                             "markdown."),
                              QStringLiteral("FORMAT")};
    QCommandLineOption markdown{QStringLiteral("markdown"),
                                QStringLiteral("Write README.md and one Markdown file per table into DIR instead "
                                               "of printing."),
                                QStringLiteral("DIR")};
    QCommandLineOption book{QStringLiteral("book"),
                            QStringLiteral("Print all the tables as one PDF book into FILE: title page, "
                                           "contents, bookmarks, then every table's report."),
                            QStringLiteral("FILE")};
    QCommandLineOption ddl{QStringLiteral("ddl"),
                           QStringLiteral("Write an SQL script that makes every TABLE on a server to standard "
                                          "output instead of printing: postgresql or sqlite."),
                           QStringLiteral("DIALECT")};
    QCommandLineOption diff{QStringLiteral("diff"),
                            QStringLiteral("Compare two structures, OLD and NEW (the two TABLE arguments: each a "
                                           "table, a directory, a JSON snapshot written by --json, or alias:NAME), "
                                           "and write what differs to standard output: as text, or with --format "
                                           "json or markdown. Exit status 0: no difference, 1: differences, 2: "
                                           "trouble.")};
    QCommandLineOption alias{QStringLiteral("alias"),
                             QStringLiteral("Open every TABLE by name in the directory of the alias NAME, "
                                            "from the file %1 beside the settings file.")
                                 .arg(AliasFile::FileName),
                             QStringLiteral("NAME")};
    QCommandLineOption listAliases{QStringLiteral("list-aliases"),
                                   QStringLiteral("List the aliases, one per line: name, driver, and directory "
                                                  "or parameters, separated by tabs.")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Prints the structure reports of Paradox and dBASE tables, one print job per table:\n"
                           "on the system's default printer, a named CUPS printer, or as PDF files."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(
            {printer, out, settings, password, trace, json, format, markdown, book, ddl, diff, alias, listAliases});
        parser.addPositionalArgument(QStringLiteral("TABLE"),
                                     QStringLiteral(
                                         "Table files (.db, .dbf), or directories standing for all their "
                                         "tables; with --alias, table names (none: every table of the alias)."),
                                     QStringLiteral("TABLE|DIR..."));
    }
};

std::optional<QString> valueOf(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    return parser.isSet(option) ? std::optional(parser.value(option)) : std::nullopt;
}

// The form the options ask for, or why they ask for none or for several.
// --diff OLD NEW, with the format of its output and nothing else that chooses a form.
std::optional<ReportForm> diffFormOf(const QCommandLineParser& parser, const ReportOptions& o, QString& problem)
{
    const QString formatName = parser.value(o.format);
    if (parser.isSet(o.format) && formatName != QLatin1String("json") && formatName != QLatin1String("markdown")) {
        problem = QStringLiteral("--diff with --format takes json or markdown, not %1").arg(formatName);
        return std::nullopt;
    }
    for (const auto* option :
         {&o.json, &o.markdown, &o.book, &o.ddl, &o.printer, &o.out, &o.trace, &o.alias, &o.listAliases}) {
        if (parser.isSet(*option)) {
            problem = QStringLiteral("--diff compares two sides alone: without --%1 (an alias is a side: alias:NAME)")
                          .arg(option->names().constFirst());
            return std::nullopt;
        }
    }
    if (parser.positionalArguments().size() != 2) {
        problem =
            QStringLiteral("--diff takes two sides, OLD and NEW, not %1").arg(parser.positionalArguments().size());
        return std::nullopt;
    }
    return ReportForm::Diff;
}

std::optional<ReportForm> formOf(const QCommandLineParser& parser, const ReportOptions& o, QString& problem)
{
    if (parser.isSet(o.diff))
        return diffFormOf(parser, o, problem);
    const QString formatName = parser.value(o.format);
    if (parser.isSet(o.format) && formatName != QLatin1String("json") && formatName != QLatin1String("tbls")) {
        problem = QStringLiteral("--format takes json or tbls, not %1").arg(formatName);
        return std::nullopt;
    }
    if (parser.isSet(o.ddl) && !sqlDialectNamed(parser.value(o.ddl))) {
        problem = QStringLiteral("--ddl takes postgresql or sqlite, not %1").arg(parser.value(o.ddl));
        return std::nullopt;
    }
    const bool json = parser.isSet(o.json) || formatName == QLatin1String("json");
    const bool printing = parser.isSet(o.printer) || parser.isSet(o.out) || parser.isSet(o.trace);
    // One form per run: printing (with its printer options), the book, or a structure dump.
    const int forms = int(json || parser.isSet(o.format)) + int(parser.isSet(o.markdown)) + int(parser.isSet(o.book)) +
                      int(printing);
    if (forms > 1) {
        problem = QStringLiteral("--json, --format, --markdown, --book and the printer options (--printer, --out, "
                                 "--trace) exclude each other");
        return std::nullopt;
    }
    if (forms > 0 && parser.isSet(o.ddl)) {
        problem = QStringLiteral("--ddl writes its script alone: without --json, --format, --markdown, --book and the "
                                 "printer options (--printer, --out, --trace)");
        return std::nullopt;
    }
    if (parser.isSet(o.listAliases))
        return ReportForm::ListAliases;
    if (json)
        return ReportForm::Json;
    if (parser.isSet(o.format))
        return ReportForm::Tbls;
    if (parser.isSet(o.markdown))
        return ReportForm::Markdown;
    if (parser.isSet(o.book))
        return ReportForm::Book;
    if (parser.isSet(o.ddl))
        return ReportForm::Ddl;
    return ReportForm::Print;
}

// Why the tables and options do not go together; empty when they do.
QString pairingProblem(const QCommandLineParser& parser, const ReportOptions& o)
{
    const bool tables = !parser.positionalArguments().isEmpty();
    if (parser.isSet(o.diff))
        return {}; // its own rules, with its form
    if (parser.isSet(o.listAliases) && (tables || parser.isSet(o.alias)))
        return QStringLiteral("--list-aliases takes no TABLE and no --alias");
    if (!tables && !parser.isSet(o.listAliases) && !parser.isSet(o.alias))
        return QStringLiteral("no TABLE given");
    if (parser.isSet(o.printer) && parser.isSet(o.out))
        return QStringLiteral("--printer and --out exclude each other");
    return {};
}

// Why a file or folder named cannot be the one meant; empty when every one can.
QString nameProblem(const QCommandLineParser& parser, const ReportOptions& o)
{
    for (const auto* option : {&o.markdown, &o.book, &o.out, &o.trace, &o.settings})
        if (parser.isSet(*option) && parser.value(*option).isEmpty())
            return QStringLiteral("--%1 needs a name, not an empty one").arg(option->names().constFirst());
    // A file named here is a path from the current directory; it must exist, so that a
    // mistyped name is never taken for an empty file nor created.
    const QFileInfo settings(parser.value(o.settings));
    if (parser.isSet(o.settings) && !settings.exists())
        return QStringLiteral("the settings file %1 does not exist").arg(settings.filePath());
    if (parser.isSet(o.settings) && !settings.isFile())
        return QStringLiteral("the settings file %1 is not a file").arg(settings.filePath());
    return {};
}

ReportRequest requestOf(const QCommandLineParser& parser, const ReportOptions& o, ReportForm form)
{
    ReportRequest request;
    request.form = form;
    request.tables = parser.positionalArguments();
    request.alias = valueOf(parser, o.alias);
    if (parser.isSet(o.settings))
        request.settingsFile = QFileInfo(parser.value(o.settings)).filePath();
    request.passwords = parser.values(o.password);
    request.printer = valueOf(parser, o.printer);
    request.outFolder = valueOf(parser, o.out);
    request.traceFile = valueOf(parser, o.trace);
    request.bookFile = valueOf(parser, o.book);
    request.markdownFolder = valueOf(parser, o.markdown);
    if (form == ReportForm::Ddl)
        request.ddlDialect = *sqlDialectNamed(parser.value(o.ddl));
    if (form == ReportForm::Diff && parser.isSet(o.format))
        request.diffFormat = parser.value(o.format) == QLatin1String("json") ? DiffFormat::Json : DiffFormat::Markdown;
    return request;
}

} // namespace

ReportRequestParse parseReportRequest(const QStringList& arguments)
{
    const ReportOptions o;
    QCommandLineParser parser;
    o.addTo(parser);
    ReportRequestParse parse;
    const bool parsed = parser.parse(arguments);
    parse.helpText = parser.helpText();
    if (!parsed) {
        parse.problem = parser.errorText();
        return parse;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parse.answer = parse.helpText;
        return parse;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parse.answer = QStringLiteral("korvex-report %1\n").arg(QCoreApplication::applicationVersion());
        return parse;
    }
    // The problems in the order the user is told of them: the first one found.
    parse.problem = pairingProblem(parser, o);
    if (!parse.problem.isEmpty())
        return parse;
    const std::optional<ReportForm> form = formOf(parser, o, parse.problem);
    if (!form)
        return parse;
    parse.problem = nameProblem(parser, o);
    if (!parse.problem.isEmpty())
        return parse;

    parse.request = requestOf(parser, o, *form);
    return parse;
}

} // namespace korvex
