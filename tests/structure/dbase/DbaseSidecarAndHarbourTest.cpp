// Tables from outside the dBASE products themselves: shapefile attribute tables, whose
// code page a .cpg beside them names, and tables of Harbour applications with their own
// field types. No independent writer makes either; the small header writer does.

#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include "DatabaseEngine.h"
#include "TableSource.h"
#include "dbase/CpgFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace korvex::dbase::test {
namespace {

TableDefinition withCpg(const QByteArray& cpg, std::uint8_t languageDriverId = 0)
{
    DbfSpec spec;
    spec.languageDriverId = languageDriverId;
    spec.fields = {{"\xE2\x98\x83", 'C', 10}, {"NAME", 'C', 20}}; // a snowman in UTF-8
    DbaseCompanions companions;
    companions.cpg = bytesOf(QStringLiteral("dir/roads.cpg"), cpg);
    const QByteArray dbf = buildDbf(spec);
    return readTable(bytesOf(QStringLiteral("dir/roads.dbf"), dbf), companions);
}

TEST(DbaseCodePageFile, TheFormsGisToolsWrite)
{
    const std::pair<const char*, int> named[] = {
        {"UTF-8", 65001},       {"utf8\r\n", 65001}, {"\xEF\xBB\xBFUTF-8", 65001},
        {"65001", 65001},       {"1252", 1252},      {"CP1251", 1251},
        {"ANSI 1252", 1252},    {"OEM 866", 866},    {"Windows-1250", 1250},
        {"ISO-8859-1", 28591},  {"88591", 28591},    {"8859-5", 28595},
        {"ISO 8859-15", 28605}, {"LDID/38", 866},    {"KOI8-R", 20866},
        {"Big5", 950},
    };
    for (const auto& [text, codePage] : named) {
        SCOPED_TRACE(text);
        EXPECT_EQ(codePageOfCpg(text), std::optional<int>(codePage));
    }
    for (const char* unknown : {"", "Klingon", "CP99999", "ISO-8859-99", "LDID/250", "12.5"}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(codePageOfCpg(unknown), std::nullopt);
    }
}

// The fault: a UTF-8 field name of a shapefile table printed as "â˜ƒ", its .cpg unread.
TEST(DbaseCodePageFile, NamesTheCodePageOfATableWithoutLanguageDriver)
{
    const auto utf8 = withCpg("UTF-8");
    EXPECT_EQ(utf8.fields[0].name, QString::fromUtf8("\u2603"));
    EXPECT_EQ(utf8.codePage, 65001);
    EXPECT_EQ(text(utf8.languageDriverDescription), "UTF-8, named by roads.cpg");
    EXPECT_TRUE(utf8.warnings.isEmpty());
    EXPECT_EQ(text(withCpg("1251").languageDriverDescription), "Code page 1251, named by roads.cpg");

    // A driver in byte 29 wins over the .cpg.
    const auto driver = withCpg("UTF-8", 0x57);
    EXPECT_EQ(driver.codePage, 1252);
    EXPECT_EQ(driver.fields[0].name, QString::fromUtf8("\u00e2\u02dc\u0192"));

    // Text naming no code page: read in 1252, told as a warning naming the .cpg.
    const auto unknown = withCpg("Klingon\n");
    EXPECT_EQ(unknown.codePage, 1252);
    EXPECT_TRUE(unknown.languageDriverDescription.isEmpty());
    ASSERT_EQ(unknown.warnings.size(), 1);
    EXPECT_EQ(text(unknown.warnings[0]),
              "dir/roads.cpg: \"Klingon\" names no code page known here; the table's text is read in code page 1252");
}

// Through the engine, the .cpg is found whatever its letter case, and the language driver
// text says where the code page came from.
TEST(DbaseCodePageFile, EngineFindsTheCpgBesideTheTable)
{
    QTemporaryDir dir;
    DbfSpec spec;
    spec.fields = {{"\xE2\x98\x83", 'C', 10}};
    QFile dbf(dir.filePath("snow.dbf"));
    QFile cpg(dir.filePath("SNOW.CPG"));
    ASSERT_TRUE(dbf.open(QIODevice::WriteOnly) && dbf.write(buildDbf(spec)) > 0);
    ASSERT_TRUE(cpg.open(QIODevice::WriteOnly) && cpg.write("UTF-8") == 5);
    dbf.close();
    cpg.close();
    DatabaseEngine engine;
    TableSource source(engine);
    source.open(dir.path(), "snow.dbf");
    EXPECT_EQ(source.field(0).name, QString::fromUtf8("\u2603"));
    EXPECT_EQ(source.languageDriverText(), std::optional<QString>("UTF-8, named by SNOW.CPG"));
}

// Harbour's field types, each as its documentation describes it, in a table with a
// dBASE III version byte; V is Visual FoxPro's Varchar only in Visual FoxPro tables.
TEST(DbaseHarbourFields, TypesSizesAndRecordBuffer)
{
    DbfSpec spec;
    spec.fields = {{"CHANGED", '=', 8}, {"VERSION", '^', 8}, {"ID", '+', 4},   {"STAMP", '@', 8},
                   {"SHORT", 'I', 2},   {"THREE", 'I', 3},   {"LONG", 'I', 4}, {"BIG", 'I', 8},
                   {"ANY", 'V', 10},    {"VAR", 'Q', 12},    {"AT", 'T', 4},   {"WHEN", 'T', 8}};
    const TableDefinition t = readTable(bytesOf(QStringLiteral("T.DBF"), buildDbf(spec)), {});
    struct Expected {
        FieldType type;
        int size;
        std::uint16_t bufferBytes;
    };
    const Expected expected[] = {
        {FieldType::DateTime, 0, 8},   {FieldType::Integer, 0, 8},  {FieldType::AutoInc, 0, 4},
        {FieldType::DateTime, 0, 8},   {FieldType::SmallInt, 0, 2}, {FieldType::Integer, 0, 4},
        {FieldType::Integer, 0, 4},    {FieldType::Integer, 0, 8},  {FieldType::Bytes, 10, 10},
        {FieldType::VarBytes, 12, 14}, {FieldType::Time, 0, 4},     {FieldType::DateTime, 0, 8},
    };
    ASSERT_EQ(t.fields.size(), std::size(expected));
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        SCOPED_TRACE(text(t.fields[i].name));
        EXPECT_EQ(t.fields[i].type, expected[i].type);
        EXPECT_EQ(t.fields[i].size, expected[i].size);
        EXPECT_EQ(t.fields[i].logicalLength, expected[i].bufferBytes);
    }
    EXPECT_EQ(t.fields[2].subtype, subtype::AutoInc);

    spec.version = 0x32; // Visual FoxPro with Varchar
    spec.fields = {{"ANY", 'V', 10}};
    EXPECT_EQ(readTable(bytesOf(QStringLiteral("T.DBF"), buildDbf(spec)), {}).fields[0].type, FieldType::String);
}

} // namespace
} // namespace korvex::dbase::test
