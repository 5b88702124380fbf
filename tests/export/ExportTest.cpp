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

TEST(MarkdownText, MermaidKeepsEveryNameWithTheDiagramsQuotingAndEntityCodes)
{
    // The link name that lost its quote and turned <b> into bold.
    EXPECT_EQ(mermaidQuoted("to\"m|<b>ple"), "to#quot;m|#lt;b#gt;ple");
    EXPECT_EQ(mermaidQuoted("A.db"), "A.db");
    EXPECT_EQ(mermaidQuoted("100% & #quot; C:\\x"), "100#37; #amp; #35;quot; C:#92;x");
    EXPECT_EQ(mermaidQuoted("a\nb"), "a#10;b");
    // Greek, Cyrillic and accented key fields are words as they are; so is Auto-Inc.
    for (const char* word : {"Ключ", "κλειδί", "Größe", "Auto-Inc", "PK_ID", "FKZ", "Amount(2)"})
        EXPECT_TRUE(isMermaidWord(QString::fromUtf8(word))) << word;
    // Key markers, blanks, dots and a leading digit are not: those names go to the comment.
    for (const char* word : {"FK", "pk", "Uk-1", "FKé", "A.db", "Small Integer", "1st", "", "µ"})
        EXPECT_FALSE(isMermaidWord(QString::fromUtf8(word))) << word;
}

// The diagram renamed them: "to"m|<b>ple" lost its quote and went bold, Ключ became x__1,
// FK FK_, A.db A_db.
TEST(MarkdownText, TheDiagramKeepsTableFieldAndLinkNamesAsTheyAre)
{
    const auto field = [](int position, const char* name, bool key) {
        FieldEntry entry;
        entry.position = position;
        entry.name = QString::fromUtf8(name);
        entry.type = FieldType::Integer;
        entry.key = key;
        return SchemaField{entry, {}};
    };
    const auto table = [](const char* name) {
        TableSchema t;
        t.table = {name, "/data", name};
        t.ok = true;
        t.structure.tableType = "PARADOX";
        return t;
    };
    TableSchema master = table("A.db");
    master.fields = {field(0, "Ключ", true)};
    TableSchema dependent = table("B.db");
    dependent.fields = {field(0, "Nr", true), field(1, "FK", false)};
    dependent.links.push_back({"to\"m|<b>ple", true, "A.db", false, {{"FK", QString::fromUtf8("Ключ")}}});

    const auto files = markdownDocuments("/data", {master, dependent}, FieldTableOptions{},
                                         [](const QString& t) { return t; });
    const QString readme = QString::fromUtf8(files.front().contents);
    for (const char* line : {"    \"A.db\" {\n        Integer Ключ PK\n    }", "        Integer FK_ FK \"FK\"\n",
                             "    \"A.db\" |o--o{ \"B.db\" : \"to#quot;m|#lt;b#gt;ple\"\n"})
        EXPECT_TRUE(readme.contains(QString::fromUtf8(line))) << line << "\n" << readme.toStdString();
}

TEST(TableSet, TablesFromSeveralDirectoriesAreQualifiedBelowTheirCommonRoot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("dbase3/types") && QDir(dir.path()).mkpath("dbase4/types"));
    for (const char* name : {"dbase3/types/NUMBER.DBF", "dbase4/types/NUMBER.DBF", "dbase4/types/X.DBF", "R.DBF"})
        touch(dir.filePath(name));
    DatabaseEngine engine;
    const auto shown = [](const TableSet& set) {
        QStringList names;
        for (const auto& t : set.tables)
            names << t.shownName();
        return names;
    };
    EXPECT_EQ(shown(expandTableArguments(engine, {dir.filePath("dbase3/types"), dir.filePath("dbase4/types/")})),
              QStringList({"dbase3/types/NUMBER.DBF", "dbase4/types/NUMBER.DBF", "dbase4/types/X.DBF"}));
    // A table of the common root itself, and tables named one by one.
    EXPECT_EQ(shown(expandTableArguments(engine, {dir.filePath("dbase4/types/X.DBF"), dir.filePath("R.DBF"),
                                                  dir.filePath("dbase4/types/../../dbase3/types/NUMBER.DBF")})),
              QStringList({"dbase4/types/X.DBF", "R.DBF", "dbase3/types/NUMBER.DBF"}));
    // One directory, however it is spelled: the names alone.
    EXPECT_EQ(shown(expandTableArguments(engine, {dir.filePath("dbase4/types"), dir.filePath("dbase4/./types/X.DBF")})),
              QStringList({"NUMBER.DBF", "X.DBF", "X.DBF"}));
}

} // namespace
