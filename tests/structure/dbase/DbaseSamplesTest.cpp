// The reader against the real tables of the sample set: every one opens, agrees with the
// independent reader dbfread where that reader can read it, and with the sample
// inventory where it cannot (level 7); reading changes no byte.

#include "CodePage.h"
#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>

#include <map>

namespace korvex::dbase::test {
namespace {

QString samplePath(const char* relative)
{
    return korvex::test::samplesDir() + QStringLiteral("/dbase/") + QString::fromUtf8(relative);
}

TableDefinition readSample(const char* relative)
{
    return LoadedTable::load(samplePath(relative)).read();
}

const FieldDefinition& field(const TableDefinition& t, const char* name)
{
    for (const auto& f : t.fields)
        if (f.name == QLatin1String(name))
            return f;
    static const FieldDefinition None;
    ADD_FAILURE() << "no field " << name;
    return None;
}

TEST(DbaseSamples, EveryTableOpens)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto tables = sampleTables();
    ASSERT_GE(tables.size(), 60);
    for (const auto& path : tables) {
        SCOPED_TRACE(text(path));
        try {
            const auto t = LoadedTable::load(path).read();
            EXPECT_FALSE(t.fields.empty());
        } catch (const FormatError& e) {
            ADD_FAILURE() << text(e.message());
        }
    }
}

TEST(DbaseSamples, FieldsAgreeWithDbfread)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto tables = sampleTables();
    const auto seen = dbfreadFields(tables);
    int compared = 0;
    for (const auto& path : tables) {
        SCOPED_TRACE(text(path));
        const auto other = seen.value(path).toObject();
        const auto ours = LoadedTable::load(path).read();
        if (!other.value(QStringLiteral("ok")).toBool()) {
            // dbfread assumes 32-byte descriptors and knows no W field: it reads no level-7
            // table and not vfp.dbf. Those are checked against the inventory below.
            EXPECT_TRUE(ours.level == 7 || path.endsWith(QLatin1String("vfp.dbf")))
                << "dbfread failed: " << text(other.value(QStringLiteral("error")).toString());
            continue;
        }
        ++compared;
        const auto fields = other.value(QStringLiteral("fields")).toArray();
        ASSERT_EQ(qsizetype(ours.fields.size()), fields.size());
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const auto f = fields[i].toObject();
            const auto& mine = ours.fields[std::size_t(i)];
            SCOPED_TRACE(text(mine.name));
            const QString name = f.value(QStringLiteral("name")).toString();
            // dbfread decodes names it cannot place (driver 0xF0) as ASCII with
            // replacement characters; we read them as the UTF-8 they are.
            if (!name.contains(QChar(0xFFFD))) {
                EXPECT_EQ(text(mine.name), text(name));
            }
            EXPECT_EQ(text(mine.storedType), text(f.value(QStringLiteral("type")).toString()));
            const int length = f.value(QStringLiteral("length")).toInt();
            const int decimals = f.value(QStringLiteral("decimals")).toInt();
            EXPECT_EQ(mine.storedSize, length);
            if (mine.type == FieldType::Float || mine.type == FieldType::SmallInt || mine.type == FieldType::Money) {
                EXPECT_EQ(mine.units1, length);
                EXPECT_EQ(mine.units2, decimals);
            }
        }
    }
    EXPECT_GE(compared, 45);
}

// Level-7 tables, which dbfread cannot read: field count and type letters as the sample
// inventory lists them (letters in sorted order there).
TEST(DbaseSamples, LevelSevenTablesMatchTheInventory)
{
    KORVEX_REQUIRE_SAMPLES();
    const std::map<std::string, std::pair<int, std::string>> inventory = {
        {"albfernandez+javadbf/src/test/resources/fixtures/dbase_7.dbf", {4, "CDM"}},
        {"czpilar+jdbf/src/test/resources/data/2012-04-16_dbase_7/Prodej_A.dbf", {17, "CDINO"}},
        {"czpilar+jdbf/src/test/resources/data/2012-04-16_dbase_7/Prodej_Anef.dbf", {17, "CDINO"}},
        {"dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/engineer.dbf", {3, "+C"}},
        {"dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/qaid.DBF", {6, "+CLMN"}},
        {"dbasellc+dBASEPlusGettingStarted_2_8_Samples/_QSQL176.DBF", {5, "CIN"}},
        {"emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_1024.dbf", {7, "CDILMN"}},
        {"emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_2048.dbf", {7, "CDILMN"}},
        {"emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_64.dbf", {7, "CDILMN"}},
        {"emelhu+NDbfReaderEx/NDbfReaderEx_Test/Seged7.dbf", {3, "CO"}},
        {"emelhu+NDbfReaderEx/NDbfReaderEx_Test/Seged7_2.dbf", {9, "CDO"}},
        {"infused+dbf/spec/fixtures/dbase_8c.dbf", {6, "+CGMN"}},
        {"luads+php-xbase/tests/Resources/dBase/dBaseVII.dbf", {12, "+@BCDGILMN"}},
        {"luads+php-xbase/tests/Resources/dBase/dBaseVII_double.dbf", {1, "O"}},
        {"luads+php-xbase/tests/Resources/dBase/dBaseVII_int.dbf", {1, "I"}},
        {"luads+php-xbase/tests/Resources/dBase/dBaseVII_ts.dbf", {1, "@"}},
    };
    int levelSeven = 0;
    for (const auto& path : sampleTables()) {
        const auto t = LoadedTable::load(path).read();
        if (t.level != 7)
            continue;
        ++levelSeven;
        const std::string relative = text(path.mid(korvex::test::samplesDir().size() + 7));
        SCOPED_TRACE(relative);
        const auto it = inventory.find(relative);
        ASSERT_NE(it, inventory.end());
        std::string letters;
        for (const auto& f : t.fields)
            if (letters.find(text(f.storedType)) == std::string::npos)
                letters += text(f.storedType);
        std::sort(letters.begin(), letters.end());
        EXPECT_EQ(int(t.fields.size()), it->second.first);
        EXPECT_EQ(letters, it->second.second);
        EXPECT_EQ(text(t.tableType), "DBASE");
        EXPECT_TRUE(t.validityChecks.empty()); // no public table has standard properties
    }
    EXPECT_EQ(levelSeven, 16);
}

TEST(DbaseSamples, LevelsFollowTheFileHints)
{
    KORVEX_REQUIRE_SAMPLES();
    // engine-written tables named after the level they were made at
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_3_512.dbf").level, 3);
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_4_512.dbf").level, 4);
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_1024.dbf").level, 7);
    // B and G fields are dBASE for Windows types
    EXPECT_EQ(readSample("lynxnake+tDBF/demo/data/DBASEWIN.dbf").level, 5);
    // production MDX flag on a 0x03 table
    EXPECT_EQ(readSample("lynxnake+tDBF/demo/data/disco.DBF").level, 4);
    // F field on a 0x03 table
    EXPECT_EQ(readSample("DANS-KNAW+dans-dbf-lib/src/test/resources/dbase4/types/FLOAT.DBF").level, 4);
    // made with dBASE IV by its folder, but nothing in the file says so: the known limit
    EXPECT_EQ(readSample("DANS-KNAW+dans-dbf-lib/src/test/resources/dbase4/types/DATE.DBF").level, 3);
    // a FoxPro code page mark counts as a driver byte: dBASE level 4
    const auto php = readSample("luads+php-xbase/tests/Resources/dBase/dBaseIII.dbf");
    EXPECT_EQ(text(php.tableType), "DBASE");
    EXPECT_EQ(php.level, 4);
    EXPECT_EQ(text(php.languageDriverDescription), "Windows ANSI");
}

TEST(DbaseSamples, FoxProTablesAreToldApart)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const char* path : {"infused+dbf/spec/fixtures/dbase_30.dbf", "infused+dbf/spec/fixtures/dbase_f5.dbf",
                             "luads+php-xbase/tests/Resources/foxpro/vfp.dbf"}) {
        SCOPED_TRACE(path);
        const auto t = readSample(path);
        EXPECT_EQ(text(t.tableType), "FOXPRO");
        EXPECT_EQ(t.level, 25);
    }
    // dBASE III version byte, but FoxPro's currency and date-time types
    const auto types = readSample("incubus+DBD-XBase/t/types.dbf");
    EXPECT_EQ(text(types.tableType), "FOXPRO");
    EXPECT_EQ(field(types, "PAYMENT").type, FieldType::Money);
    EXPECT_EQ(field(types, "T").type, FieldType::DateTime);
    // dBASE III version byte, structural index flag and a .CDX beside it; its terminator
    // is a line feed
    const auto rooms = readSample("incubus+DBD-XBase/t/rooms.dbf");
    EXPECT_EQ(text(rooms.tableType), "FOXPRO");
    ASSERT_EQ(rooms.fields.size(), 2u);
    EXPECT_EQ(text(rooms.fields[1].name), "FACILITY");
}

TEST(DbaseSamples, FieldTypesAsTheEngineReportsThem)
{
    KORVEX_REQUIRE_SAMPLES();
    // master.dbf-like N fields: N(4,0) and below are Small Integer, wider ones Float
    const auto bde = readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_4_512.dbf");
    EXPECT_EQ(field(bde, "N5").type, FieldType::Float);
    EXPECT_EQ(field(bde, "N10").units1, 10);
    EXPECT_EQ(field(bde, "N10").units2, 2);
    EXPECT_EQ(field(bde, "C10").size, 10);
    EXPECT_EQ(field(bde, "B").type, FieldType::Memo);
    EXPECT_EQ(field(bde, "B").size, 1);
    const auto qaid = readSample("dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/qaid.DBF");
    EXPECT_EQ(field(qaid, "Importance").type, FieldType::SmallInt);
    EXPECT_EQ(field(qaid, "QAID_No").type, FieldType::AutoInc);
    EXPECT_EQ(field(qaid, "QAID_No").subtype, subtype::AutoInc);

    const auto win = readSample("lynxnake+tDBF/demo/data/DBASEWIN.dbf");
    EXPECT_EQ(field(win, "BINARY").type, FieldType::TypedBinary);
    EXPECT_EQ(field(win, "BINARY").size, 1); // as the engine's field definitions show it
    EXPECT_EQ(field(win, "OLE").type, FieldType::DBaseOle);
    EXPECT_EQ(field(win, "FLOAT").type, FieldType::Float);
    EXPECT_EQ(field(win, "FLOAT").units1, 20);
    EXPECT_EQ(field(win, "FLOAT").units2, 3);

    const auto seven = readSample("luads+php-xbase/tests/Resources/dBase/dBaseVII.dbf");
    EXPECT_EQ(field(seven, "AUTO_INC").type, FieldType::AutoInc);
    EXPECT_EQ(field(seven, "AUTO_INC").nextValue, 3); // its rows are numbered 0, 1 and 2
    EXPECT_EQ(field(seven, "INTEGER").type, FieldType::Integer);
    EXPECT_EQ(field(seven, "LARGE_INT").type, FieldType::Float);
    EXPECT_EQ(field(seven, "DATETIME").type, FieldType::DateTime);
    EXPECT_EQ(field(seven, "BLOB").type, FieldType::TypedBinary);
    EXPECT_EQ(field(seven, "DBASE_OLE").type, FieldType::DBaseOle);
    EXPECT_EQ(field(readSample("luads+php-xbase/tests/Resources/dBase/dBaseVII_double.dbf"), "double").type,
              FieldType::Float);

    // Visual FoxPro types python3-dbf does not write
    const auto vfp = readSample("luads+php-xbase/tests/Resources/foxpro/vfp.dbf");
    EXPECT_EQ(field(vfp, "AI").type, FieldType::AutoInc);
    EXPECT_EQ(field(vfp, "AI").nextValue, 4);
    EXPECT_EQ(field(vfp, "AI").increment, 1);
    EXPECT_EQ(field(vfp, "VARCHAR").type, FieldType::String);
    EXPECT_EQ(field(vfp, "VARCHAR").size, 10);
    EXPECT_EQ(field(vfp, "VARBINARY").type, FieldType::VarBytes);
    EXPECT_EQ(field(vfp, "BLOB").type, FieldType::Blob);
    EXPECT_EQ(field(vfp, "_NullFlags").type, FieldType::Bytes);
    EXPECT_EQ(field(readSample("infused+dbf/spec/fixtures/dbase_31.dbf"), "PRODUCTID").type, FieldType::AutoInc);
}

TEST(DbaseSamples, LanguageDrivers)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto level4 = readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_4_512.dbf");
    EXPECT_EQ(text(level4.languageDriverDescription), "dBASE HUN cp852");
    EXPECT_EQ(level4.codePage, 852);
    // level 7: the name, in whatever case it is stored
    const auto level7 = readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_1024.dbf");
    EXPECT_EQ(text(level7.languageDriverName), "db852hdc");
    EXPECT_EQ(text(level7.languageDriverDescription), "dBASE HUN cp852");
    // the name wins over byte 29 (0x64 there)
    const auto seged = readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/Seged7_2.dbf");
    EXPECT_EQ(text(seged.languageDriverDescription), "dBASE HUN cp852");
    EXPECT_EQ(text(readSample("infused+dbf/spec/fixtures/dbase_8c.dbf").languageDriverDescription), "dBASE ENU cp437");
    EXPECT_EQ(text(readSample("lynxnake+tDBF/demo/data/DBASE4.dbf").languageDriverDescription), "'ascii' ANSI");
    EXPECT_EQ(text(readSample("lynxnake+tDBF/demo/data/table1.DBF").languageDriverDescription), "dBASE NLD cp850");
    const auto czech = readSample("czpilar+jdbf/src/test/resources/data/2012-04-16_dbase_7/Prodej_Anef.dbf");
    EXPECT_EQ(text(czech.languageDriverDescription), "dBASE CSY cp867");
    EXPECT_EQ(czech.codePage, 867);
    // FoxPro code page marks
    const auto mazovia = readSample("infused+dbf/spec/fixtures/mazovia.dbf");
    EXPECT_EQ(text(mazovia.languageDriverDescription), "Mazovia (Polish) MS-DOS");
    EXPECT_EQ(mazovia.codePage, 620);
    EXPECT_EQ(text(readSample("infused+dbf/spec/fixtures/cp1251.dbf").languageDriverDescription), "Russian Windows");
    // no driver stored, or one nobody documents
    const auto none = readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_3_512.dbf");
    EXPECT_TRUE(none.languageDriverDescription.isEmpty());
    EXPECT_EQ(none.codePage, 1252);
    EXPECT_TRUE(readSample("infused+dbf/spec/fixtures/dbase_03_cyrillic.dbf").languageDriverDescription.isEmpty());
    // level-7 field names keep their case and blanks
    EXPECT_EQ(text(readSample("infused+dbf/spec/fixtures/dbase_8c.dbf").fields[3].name), "Length CM");
}

// UTF-8 names under a driver id nobody documents: read in the default code page 1252,
// they came out as "Ð¨Ð\x90Ð\xa0", with C1 control characters, in the JSON and on the page.
TEST(DbaseSamples, Utf8NamesAreNotReadAsMojibakeWithControlCharacters)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto t = readSample("infused+dbf/spec/fixtures/dbase_03_cyrillic.dbf");
    ASSERT_EQ(t.fields.size(), 2u);
    EXPECT_EQ(text(t.fields[0].name), "ШАР");
    EXPECT_EQ(text(t.fields[1].name), "ПЛОЩА");
    EXPECT_EQ(t.codePage, CodePage::Utf8);
    ASSERT_EQ(t.warnings.size(), 1);
    EXPECT_EQ(text(t.warnings[0]), "dbase_03_cyrillic.dbf: the field names are stored in UTF-8, not in the table's "
                                   "code page 1252; they are read as UTF-8");
}

TEST(DbaseSamples, BlockSizeIsTheMemoBlockInKilobytes)
{
    KORVEX_REQUIRE_SAMPLES();
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_2048.dbf").blockSizeKb, 2);
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_7_1024.dbf").blockSizeKb, 1);
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_4_64.dbf").blockSizeKb, 0);
    EXPECT_EQ(readSample("lynxnake+tDBF/demo/data/DBASEWIN.dbf").blockSizeKb, 1);
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_3_512.dbf").blockSizeKb, 0);
    EXPECT_EQ(readSample("lynxnake+tDBF/demo/data/disco.DBF").blockSizeKb, 0); // no memo
    EXPECT_EQ(readSample("emelhu+NDbfReaderEx/NDbfReaderEx_Test/BDE_TEST_4_512.dbf").blockSizeBytes, 512);
}

} // namespace
} // namespace korvex::dbase::test
