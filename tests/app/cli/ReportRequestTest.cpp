// korvex-report's arguments read into a request, without running it: which form they ask
// for, and the first problem the user is told of when they ask for none.

#include "ReportRequest.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

ReportRequestParse parse(const QStringList& arguments)
{
    return parseReportRequest(QStringList{QStringLiteral("korvex-report")} + arguments);
}

struct Refused {
    QStringList arguments;
    QString problem;
};

TEST(ReportRequest, ArgumentsThatMakeNoRequestTellTheFirstProblem)
{
    const Refused cases[] = {
        {{"--json", "--markdown", "md", "T.DB"},
         "--json, --format, --markdown, --book and the printer options (--printer, --out, --trace) exclude each other"},
        {{"--book", "b.pdf", "--trace", "t.txt", "T.DB"},
         "--json, --format, --markdown, --book and the printer options (--printer, --out, --trace) exclude each other"},
        {{"--format", "tbls", "--out", "pdf", "T.DB"},
         "--json, --format, --markdown, --book and the printer options (--printer, --out, --trace) exclude each other"},
        // the unknown format is told before the forms it would conflict with
        {{"--format", "xml", "--markdown", "md", "T.DB"}, "--format takes json or tbls, not xml"},
        // a missing table is told before conflicting options
        {{"--printer", "p", "--out", "o"}, "no TABLE given"},
        {{"--printer", "p", "--out", "o", "T.DB"}, "--printer and --out exclude each other"},
        {{"--list-aliases", "--alias", "A"}, "--list-aliases takes no TABLE and no --alias"},
        {{"--list-aliases", "T.DB"}, "--list-aliases takes no TABLE and no --alias"},
        {{"--markdown", "", "T.DB"}, "--markdown needs a name, not an empty one"},
        {{"--trace", "", "T.DB"}, "--trace needs a name, not an empty one"},
        {{"--settings", "", "--book", "", "T.DB"}, "--book needs a name, not an empty one"},
        {{"--book"}, "Missing value after '--book'."},
        {{"--settings", "no-such.ini", "T.DB"}, "the settings file no-such.ini does not exist"},
        {{"--settings", "/", "T.DB"}, "the settings file / is not a file"},
        {{"--ddl", "mysql", "T.DB"}, "--ddl takes postgresql or sqlite, not mysql"},
        {{"--ddl", "sqlite", "--json", "T.DB"},
         "--ddl writes its script alone: without --json, --format, --markdown, --book and the printer options "
         "(--printer, --out, --trace)"},
    };
    for (const auto& c : cases) {
        const auto parsed = parse(c.arguments);
        EXPECT_FALSE(parsed.request) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.problem, c.problem) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(parsed.helpText.contains("--list-aliases")) << "the help follows a problem";
    }
}

TEST(ReportRequest, EachOptionAsksForItsForm)
{
    const std::pair<QStringList, ReportForm> cases[] = {
        {{"T.DB"}, ReportForm::Print},
        {{"--printer", "p", "T.DB"}, ReportForm::Print},
        {{"--trace", "t.txt", "T.DB"}, ReportForm::Print},
        {{"--book", "b.pdf", "T.DB"}, ReportForm::Book},
        {{"--json", "T.DB"}, ReportForm::Json},
        {{"--format", "json", "T.DB"}, ReportForm::Json},
        // --json with --format tbls is one structure dump, and --json wins
        {{"--json", "--format", "tbls", "T.DB"}, ReportForm::Json},
        {{"--format", "tbls", "--alias", "A"}, ReportForm::Tbls},
        {{"--markdown", "md", "T.DB"}, ReportForm::Markdown},
        {{"--list-aliases"}, ReportForm::ListAliases},
        {{"--list-aliases", "--json"}, ReportForm::ListAliases},
        {{"--ddl", "postgresql", "--alias", "A"}, ReportForm::Ddl},
    };
    for (const auto& [arguments, form] : cases) {
        const auto parsed = parse(arguments);
        ASSERT_TRUE(parsed.request) << parsed.problem.toStdString();
        EXPECT_EQ(parsed.request->form, form) << arguments.join(' ').toStdString();
    }
}

TEST(ReportRequest, RequestCarriesEveryValueAsGiven)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath("mine.ini");
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const auto parsed = parse({"--password", "one", "--settings", settings, "B.DB", "--password", "two", "A.DB",
                               "--alias", "Work", "--out", "pdf"});
    ASSERT_TRUE(parsed.request) << parsed.problem.toStdString();
    const ReportRequest& r = *parsed.request;
    EXPECT_EQ(r.tables, (QStringList{"B.DB", "A.DB"}));
    EXPECT_EQ(r.passwords, (QStringList{"one", "two"}));
    EXPECT_EQ(r.settingsFile, settings);
    EXPECT_EQ(r.alias, "Work");
    EXPECT_EQ(r.outFolder, "pdf");
    EXPECT_FALSE(r.printer || r.traceFile || r.bookFile || r.markdownFolder);
    EXPECT_TRUE(r.readsAliases());
    EXPECT_FALSE(r.replacesFiles());

    EXPECT_EQ(parse({"--ddl", "sqlite", "T.DB"}).request->ddlDialect, SqlDialect::Sqlite);
    EXPECT_EQ(parse({"--ddl", "postgresql", "T.DB"}).request->ddlDialect, SqlDialect::PostgreSql);

    EXPECT_TRUE(parse({"--help"}).answer.startsWith("Usage: "));
    EXPECT_FALSE(parse({"--help"}).request);
}

} // namespace
