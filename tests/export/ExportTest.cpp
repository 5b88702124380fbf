// Which tables a directory or an alias stands for, and the texts the Markdown export must
// keep literal: table cells, running text and Mermaid names.

#include "MarkdownExport.h"
#include "TableSet.h"

#include "AliasDatabase.h"
#include "DatabaseEngine.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList namesOf(const TableSet& set)
{
    QStringList names;
    for (const auto& t : set.tables)
        names << t.name;
    return names;
}

TEST(TableSet, ADirectoryStandsForItsParadoxAndDbaseFilesAscendingIgnoringCase)
{
    QTemporaryDir dir;
    for (const char* name : {"orders.db", "Customer.DB", "ITEMS.dbf", "b.DbF", "NOTES.TXT", ".hidden.db", "x.db.bak"})
        touch(dir.filePath(name));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.db"));
    DatabaseEngine engine;
    const TableSet set = expandTableArguments(engine, {dir.path()});
    EXPECT_EQ(namesOf(set), QStringList({"b.DbF", "Customer.DB", "ITEMS.dbf", "orders.db"}));
    EXPECT_EQ(set.origin, dir.path());
    EXPECT_TRUE(set.problems.isEmpty());
    EXPECT_EQ(set.tables[1].databaseName, dir.path());
    EXPECT_EQ(set.tables[1].argument, QDir(dir.path()).filePath("Customer.DB"));
}

TEST(TableSet, FilesAndDirectoriesMixInArgumentOrderAndAnEmptyDirectoryIsAProblem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("empty"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("full"));
    touch(dir.filePath("full/A.DB"));
    touch(dir.filePath("Z.DBF"));
    DatabaseEngine engine;
    const TableSet set = expandTableArguments(engine,
                                              {dir.filePath("Z.DBF"), dir.filePath("empty"), dir.filePath("full")});
    EXPECT_EQ(namesOf(set), QStringList({"Z.DBF", "A.DB"}));
    ASSERT_EQ(set.problems.size(), 1);
    EXPECT_TRUE(set.problems[0].contains("empty: no Paradox or dBASE tables")) << set.problems[0].toStdString();
    EXPECT_EQ(set.origin, dir.path() + ", " + dir.filePath("empty") + ", " + dir.filePath("full"));
}

TEST(TableSet, AnAliasWithoutNamesStandsForAllItsTablesInTheEnginesOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("data"));
    for (const char* name : {"b.db", "A.dbf", "c.txt"})
        touch(dir.filePath(QStringLiteral("data/") + name));
    QFile aliases(dir.filePath(AliasFile::FileName));
    ASSERT_TRUE(aliases.open(QIODevice::WriteOnly));
    aliases.write("[Sales]\nPATH=data\n");
    aliases.close();
    DatabaseEngine engine;
    ASSERT_EQ(engine.loadAliases(dir.path()), result::Ok);
    AliasDatabase database(engine, "Sales");
    ASSERT_EQ(database.connect(), result::Ok);

    const TableSet all = expandTableArguments(engine, {}, &database);
    EXPECT_EQ(namesOf(all), QStringList({"A.dbf", "b.db"}));
    EXPECT_EQ(all.origin, "alias Sales");
    EXPECT_EQ(all.aliasName, "Sales");
    EXPECT_EQ(all.tables[0].databaseName, database.databaseName());
    EXPECT_EQ(namesOf(expandTableArguments(engine, {"b.db"}, &database)), QStringList({"b.db"}));
}

// A relative path worked with --json only: the other forms made it absolute, and in a deep
// directory the absolute path passes the system's limit ("no such directory").
TEST(TableSet, RelativePathsStayRelativeSoThatTablesOfADeepDirectoryOpen)
{
    QTemporaryDir dir;
    const QString start = QDir::currentPath();
    const QString component(200, 'd');
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (int i = 0; i < 21; ++i) // past PATH_MAX, one step at a time as the system allows
        ASSERT_TRUE(QDir().mkdir(component) && QDir::setCurrent(component));
    ASSERT_TRUE(QDir().mkdir("sub"));
    touch("sub/EMPTY.DB");
    DatabaseEngine engine;
    for (const QString& argument : {QStringLiteral("sub"), QStringLiteral("sub/EMPTY.DB")}) {
        const TableSet set = expandTableArguments(engine, {argument});
        ASSERT_EQ(set.tables.size(), 1u) << set.problems.join('\n').toStdString();
        EXPECT_EQ(set.tables[0].databaseName, "sub");
        TableHandle h = 0;
        EXPECT_EQ(engine.OpenTable(set.tables[0].databaseName, set.tables[0].name, h), result::NotATable);
        EXPECT_EQ(engine.lastError(), "sub/EMPTY.DB: the file is empty");
    }
    ASSERT_TRUE(QDir().remove("sub/EMPTY.DB") && QDir().rmdir("sub"));
    for (int i = 0; i < 21; ++i)
        ASSERT_TRUE(QDir::setCurrent("..") && QDir().rmdir(component));
    QDir::setCurrent(start);
}

TEST(MarkdownText, CellsShowTheirTextLiterally)
{
    EXPECT_EQ(escapeMarkdownCell("a|b"), "a\\|b");
    EXPECT_EQ(escapeMarkdownCell("C:\\DATA"), "C:\\\\DATA");
    EXPECT_EQ(escapeMarkdownCell("*x* _y_ `z` [l](u) <b> &amp; ~~s~~ $m$"),
              "\\*x\\* \\_y\\_ \\`z\\` \\[l\\](u) \\<b\\> \\&amp; \\~\\~s\\~\\~ \\$m\\$");
    EXPECT_EQ(escapeMarkdownCell("two\nlines"), "two<br>lines");
    EXPECT_EQ(escapeMarkdownCell("  padded "), "&#32;&#32;padded&#32;");
    EXPECT_EQ(escapeMarkdownCell("   "), "&#32;&#32;&#32;");
    EXPECT_EQ(escapeMarkdownCell(""), "");
    EXPECT_EQ(escapeMarkdownCell("tab\there"), "tab here");
    EXPECT_EQ(escapeMarkdownCell("(###) ###-####"), "(###) ###-####");
    // Running text has no cells: a line break would end the list item or heading.
    EXPECT_EQ(escapeMarkdownText(" a\nb|c "), "a b\\|c");
}

TEST(MarkdownText, MermaidNamesAreLettersDigitsAndUnderscoresFromALetterOn)
{
    EXPECT_EQ(mermaidName("ORDERS.DB"), "ORDERS_DB");
    EXPECT_EQ(mermaidName("Date/Time"), "Date_Time");
    EXPECT_EQ(mermaidName("Fmt. Memo"), "Fmt_Memo");
    EXPECT_EQ(mermaidName("Größe"), "Gro_e");
    EXPECT_EQ(mermaidName("Café-Bar"), "Cafe_Bar");
    EXPECT_EQ(mermaidName("1994 orders.db"), "x_1994_orders_db");
    EXPECT_EQ(mermaidName("_x"), "x__x");
    EXPECT_EQ(mermaidName(""), "x_");
    EXPECT_EQ(mermaidName("Кунди"), "x__");
    EXPECT_EQ(mermaidName("pk"), "pk_");
    EXPECT_EQ(mermaidName("Uk"), "Uk_");
    EXPECT_EQ(mermaidName("PK_ID"), "PK_ID");
}

} // namespace
