// korvex-report --diff on pairs of tables written by independent writers (python3-dbf,
// pxlib, the demo's writers) that differ in known ways, and on pairs that do not differ.

#include "DemoDatabase.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <set>

namespace {

using korvex::test::ProgramRun;

ProgramRun report(const QStringList& args, const QString& home)
{
    // A home of its own: no settings or aliases of the user's.
    const QProcessEnvironment env = korvex::test::withSettings(QProcessEnvironment::systemEnvironment(),
                                                               {QStringLiteral("XDG_CONFIG_HOME=") + home,
                                                                QStringLiteral("LC_ALL=C.UTF-8")});
    return korvex::test::runProgram(QStringLiteral(KORVEX_REPORT_EXE), args, env, 120000);
}

// dBASE III tables written by python3-dbf: each file name, then its fields as python3-dbf takes them.
bool writeDbaseTables(const QString& folder, const std::vector<std::pair<QString, QString>>& tables)
{
    QString script = QStringLiteral("import dbf\n");
    for (const auto& [file, fields] : tables)
        script += QStringLiteral("t = dbf.Table(%1, '%2', dbf_type='db3')\nt.open(dbf.READ_WRITE)\nt.close()\n")
                      .arg(QStringLiteral("'%1'").arg(QDir(folder).filePath(file)), fields);
    const ProgramRun run = korvex::test::runProgram(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script},
                                                    QProcessEnvironment::systemEnvironment(), 60000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return run.exitCode == 0;
}

QStringList linesOf(const QByteArray& out)
{
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class Diff : public ::testing::Test {
protected:
    ProgramRun diff(const QStringList& args) const { return report(QStringList{"--diff"} + args, home_.path()); }
    QString folder(const QString& name) const
    {
        QDir(work_.path()).mkpath(name);
        return work_.filePath(name);
    }

    QTemporaryDir home_;
    QTemporaryDir work_;
};

} // namespace

TEST_F(Diff, PythonDbfTablesDifferInTheirKnownWays)
{
    const QString before = folder("before");
    const QString after = folder("after");
    ASSERT_TRUE(writeDbaseTables(before, {{"PARTS.DBF", "NAME C(20); QTY N(5,0); NOTE C(10)"},
                                          {"GONE.DBF", "A C(5)"},
                                          {"SAME.DBF", "CODE C(4); WHEN D"}}));
    ASSERT_TRUE(writeDbaseTables(after, {{"parts.dbf", "NAME C(30); QTY N(8,2); PRICE N(8,2)"},
                                         {"FRESH.DBF", "A C(5)"},
                                         {"SAME.DBF", "CODE C(4); WHEN D"}}));
    const auto text = diff({before, after});
    EXPECT_EQ(text.exitCode, 1) << text.err.toStdString();
    const QStringList expected{"--- " + before,
                               "+++ " + after,
                               "table FRESH.DBF added",
                               "table PARTS.DBF -> parts.dbf changed",
                               "  field NAME changed: size 20 -> 30",
                               "  field QTY changed: size 5 -> 8",
                               "  field QTY changed: decimals 0 -> 2",
                               "  field PRICE added: Float 8,2",
                               "  field NOTE removed: String 10",
                               "  property Record size changed: 36 -> 47",
                               "table GONE.DBF removed",
                               ""};
    EXPECT_EQ(text.out.toStdString(), expected.join('\n').toStdString());

    const auto json = diff({"--format", "json", before, after});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_TRUE(object.value("different").toBool());
    const QJsonArray tables = object.value("tables").toArray();
    ASSERT_EQ(tables.size(), 3);
    EXPECT_EQ(tables[1].toObject().value("fields").toArray().size(), 4);

    const auto markdown = diff({"--format", "markdown", before, after});
    EXPECT_EQ(markdown.exitCode, 1);
    EXPECT_TRUE(markdown.out.contains("| field | QTY | decimals | 0 | 2 |\n")) << markdown.out.toStdString();
    EXPECT_TRUE(markdown.out.contains("\n## GONE.DBF (removed)\n"));

    // The same tables written twice are the same structure: no output, as diff(1).
    const QString again = folder("again");
    ASSERT_TRUE(writeDbaseTables(again, {{"SAME.DBF", "CODE C(4); WHEN D"}}));
    const auto same = diff({before + "/SAME.DBF", again});
    EXPECT_EQ(same.exitCode, 0) << same.out.toStdString();
    EXPECT_TRUE(same.out.isEmpty());
    EXPECT_TRUE(diff({"--format", "markdown", again, again}).out.endsWith("\nNo differences.\n"));
}

TEST_F(Diff, PxlibKeyedTableAgainstItsUnkeyedTwin)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString tables = korvex::test::fixturesDir() + "/paradox/";
    const auto run = diff({tables + "everytype_keyed.db", tables + "everytype_unkeyed.db"});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(linesOf(run.out).mid(2).join('\n').toStdString(),
              (QStringList{"table everytype_keyed.db -> everytype_unkeyed.db changed",
                           "  field Alpha changed: key true -> false", "  field Date changed: key true -> false",
                           "  index (unnamed) removed: (Alpha, Date) primary unique",
                           "  property Key size changed: 24 -> 0"})
                  .join('\n')
                  .toStdString());
    EXPECT_EQ(diff({tables + "widekey.db", tables + "widekey.db"}).exitCode, 0);
}

// The demo's tables without the files beside them that hold a table's validity checks and
// links (ORDERS.VAL) and a secondary index (CUSTOMER.XG0/YG0).
TEST_F(Diff, DemoTablesWithoutTheirCompanionFiles)
{
    const QString demo = folder("demo");
    const QString bare = folder("bare");
    ASSERT_EQ(korvex::test::makeDemoDatabase(demo), QString());
    ASSERT_EQ(korvex::test::makeDemoDatabase(bare), QString());
    for (const char* file : {"ORDERS.VAL", "CUSTOMER.XG0", "CUSTOMER.YG0"})
        ASSERT_TRUE(QFile::remove(QDir(bare).filePath(file)));

    const auto run = diff({bare, demo});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QStringList lines = linesOf(run.out);
    for (const char* line : {
             "table CUSTOMER.DB changed",
             "  index ByPlace added: (Country, City) case-insensitive",
             "table ORDERS.DB changed",
             "  field OrderNo changed: required false -> true",
             "  field OrderDate changed: maximum (none) -> 2099-12-31",
             "  field ShipBy changed: default (none) -> 12:00:00",
             "  field Discount changed: maximum (none) -> 25.5",
             "  field Status changed: picture (none) -> {N,P,S,C}",
             "  link OrderCustomer added: to master CUSTOMER.DB (CustNo = CustNo) on update cascade on delete restrict",
         })
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line << "\n" << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("table ITEMS.DB")) << "ITEMS.VAL is still there";
    // The other way round, the same things are gone.
    const auto back = diff({demo, bare});
    EXPECT_TRUE(linesOf(back.out).contains("  index ByPlace removed: (Country, City) case-insensitive"));
}

// A snapshot written by --json reads back as the very structure of its tables: every
// sample folder and the demo give no difference either way round.
TEST_F(Diff, ASnapshotIsTheSameAsItsOwnFolder)
{
    KORVEX_REQUIRE_SAMPLES();
    std::set<QString> folders;
    for (const auto& f : korvex::test::filesWithSuffix(korvex::test::samplesDir(), {".db", ".dbf"}))
        folders.insert(QFileInfo(f).path());
    const QString demo = folder("demo");
    ASSERT_EQ(korvex::test::makeDemoDatabase(demo), QString());
    folders.insert(demo);
    int compared = 0;
    for (const QString& f : folders) {
        const auto json = report({"--json", f}, home_.path());
        const QString snapshot = work_.filePath(QStringLiteral("snapshot%1.json").arg(compared));
        ASSERT_TRUE(korvex::test::writeFile(snapshot, json.out));
        for (const auto& sides : {QStringList{snapshot, f}, QStringList{f, snapshot}}) {
            const auto run = diff(sides);
            EXPECT_EQ(run.exitCode, 0) << f.toStdString() << "\n" << run.out.toStdString() << run.err.toStdString();
        }
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

TEST_F(Diff, TroubleExitsWithTwoAndSaysWhy)
{
    const QString tables = folder("tables");
    ASSERT_TRUE(writeDbaseTables(tables, {{"ONE.DBF", "A C(5)"}}));
    const auto missing = diff({tables, work_.filePath("nowhere")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.err.contains("nowhere: no such file or directory")) << missing.err.toStdString();

    const QString notSnapshot = work_.filePath("other.json");
    ASSERT_TRUE(korvex::test::writeFile(notSnapshot, "{\"name\": 1}"));
    const auto other = diff({notSnapshot, tables});
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_TRUE(other.err.contains("not a structure snapshot")) << other.err.toStdString();

    // tbls' schema JSON has a "tables" array too, but is no snapshot
    const QString tbls = work_.filePath("schema.json");
    ASSERT_TRUE(korvex::test::writeFile(tbls, report({"--format", "tbls", tables}, home_.path()).out));
    EXPECT_EQ(diff({tbls, tables}).exitCode, 2);

    const auto noAlias = diff({"alias:Nope", tables});
    EXPECT_EQ(noAlias.exitCode, 2);
    EXPECT_FALSE(noAlias.err.isEmpty());

    EXPECT_EQ(diff({tables}).exitCode, 2);
    EXPECT_EQ(diff({"--format", "tbls", tables, tables}).exitCode, 2);
    EXPECT_EQ(diff({"--json", tables, tables}).exitCode, 2);
}
