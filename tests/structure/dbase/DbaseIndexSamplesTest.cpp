// The index lists of the real sample tables: every .MDX and .CDX of the sample set gives
// the tags the sample inventory lists, read directly and through the engine; tables whose
// header names an index that is not there fail with the file named; reading changes no
// byte.

#include "DbaseIndexTestSupport.h"
#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include "DatabaseEngine.h"
#include "dbase/DbaseIndexes.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace korvex::dbase::test {
namespace {

struct SampleIndex {
    const char* table;
    std::vector<ExpectedTag> tags;
};

// From the sample inventory; none of the sample tags is unique or descending. Where a
// key expression names a field, the field is spelled as the table spells it. The
// Visual FoxPro tables of a database keep their long field names in the database
// container, so "contact_type_id" names no field of the table (CONTACT_TY) and is an
// expression.
const std::vector<SampleIndex>& sampleIndexes()
{
    static const std::vector<SampleIndex> Samples = {
        {"dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/engineer.dbf",
         {{"ENGINEER_NO", "Engineer_No"}, {"LASTNAME", "LastName"}}},
        {"dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/qaid.DBF",
         {{"IMPORTANCE_ENGINEER", "", "STR(Importance)+STR(Engineer_No)"},
          {"IMPORTANCE", "Importance"},
          {"ENGINEER_NO", "Engineer_No"},
          {"QAID_NO", "QAID_No"},
          {"ENGINEER_IMPORTANCE", "", "STR(Engineer_No)+STR(Importance)"}}},
        {"lynxnake+tDBF/demo/data/disco.DBF", {{"AUTHOR", "AUTHOR"}}},
        {"lynxnake+tDBF/demo/data/TDBF_DEMO.DBF", {{"ID", "ID"}}},
        {"albfernandez+javadbf/src/test/resources/fixtures/foxpro-xsource/employees.dbf",
         {{"EMAILNAME", "EMAILNAME"},
          {"LASTNAME", "LASTNAME"},
          {"POSTALCODE", "POSTALCODE"},
          {"PRIMARYKEY", "EMPLOYEEID"}}},
        {"incubus+DBD-XBase/t/rooms.dbf",
         {{"AUDIO", "ROOMNAME", "", "TRIM(UPPER(facility))==\"AUDIO\""},
          {"FACILITY", "FACILITY"},
          {"FILM", "ROOMNAME", "", "TRIM(UPPER(facility))==\"FILM\""},
          {"MAIN", "ROOMNAME", "", "TRIM(UPPER(facility))==\"MAIN\""},
          {"ROOMNAME", "ROOMNAME"}}},
        {"infused+dbf/spec/fixtures/foxprodb/calls.dbf", {{"CALL_ID", "CALL_ID"}, {"CONTACT_ID", "CONTACT_ID"}}},
        {"infused+dbf/spec/fixtures/foxprodb/contacts.dbf",
         {{"CONTACT_ID", "CONTACT_ID"}, {"TYPE_ID", "", "contact_type_id"}}},
        {"infused+dbf/spec/fixtures/foxprodb/setup.dbf", {{"KEY_NAME", "KEY_NAME"}}},
        {"infused+dbf/spec/fixtures/foxprodb/types.dbf", {{"TYPE_ID", "", "contact_type_id"}}},
        {"luads+php-xbase/tests/Resources/foxpro/issue115.dbf",
         {{"COD", "COD", "", ".NOT.DELETED()"}, {"DENUMIRE", "DENUMIRE"}}},
    };
    return Samples;
}

// Tables whose header names an index that the sample set does not have, and the name
// the failure gives it.
const std::vector<std::pair<const char*, const char*>>& missingIndexes()
{
    static const std::vector<std::pair<const char*, const char*>> Missing = {
        {"infused+dbf/spec/fixtures/dbase_8c.dbf", "dbase_8c.MDX"},
        {"infused+dbf/spec/fixtures/cp1251.dbf", "cp1251.CDX"},
        {"infused+dbf/spec/fixtures/dbase_30.dbf", "dbase_30.CDX"},
        {"infused+dbf/spec/fixtures/dbase_31.dbf", "dbase_31.CDX"},
    };
    return Missing;
}

QString samplePath(const char* relative)
{
    return korvex::test::samplesDir() + QStringLiteral("/dbase/") + QString::fromUtf8(relative);
}

TEST(DbaseIndexSamples, EveryIndexFileGivesItsTags)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& sample : sampleIndexes()) {
        SCOPED_TRACE(sample.table);
        const auto table = LoadedTable::load(samplePath(sample.table));
        ASSERT_TRUE(!table.mdx.isEmpty() || !table.cdx.isEmpty());
        try {
            expectTags(readIndexes(table.read(), table.file(), table.companions()), sample.tags);
        } catch (const FormatError& e) {
            ADD_FAILURE() << text(e.message());
        }
    }
}

TEST(DbaseIndexSamples, TablesWithoutAnIndexFlagHaveNoIndexes)
{
    KORVEX_REQUIRE_SAMPLES();
    int withoutFlag = 0;
    for (const auto& path : sampleTables()) {
        const auto listed = [&](const char* relative) { return path == samplePath(relative); };
        if (std::any_of(sampleIndexes().begin(), sampleIndexes().end(),
                        [&](const auto& s) { return listed(s.table); }) ||
            std::any_of(missingIndexes().begin(), missingIndexes().end(),
                        [&](const auto& m) { return listed(m.first); }))
            continue;
        SCOPED_TRACE(text(path));
        const auto table = LoadedTable::load(path);
        EXPECT_TRUE(readIndexes(table.read(), table.file(), table.companions()).empty());
        ++withoutFlag;
    }
    EXPECT_GE(withoutFlag, 50);
}

TEST(DbaseIndexSamples, AMissingIndexFileIsNamed)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& [relative, indexFile] : missingIndexes()) {
        SCOPED_TRACE(relative);
        const auto table = LoadedTable::load(samplePath(relative));
        try {
            (void)readIndexes(table.read(), table.file(), table.companions());
            ADD_FAILURE() << "no failure";
        } catch (const FormatError& e) {
            EXPECT_EQ(text(e.file()), indexFile);
            EXPECT_EQ(e.kind(), FormatError::Kind::Missing);
        }
    }
}

TEST(DbaseIndexSamples, TheEngineListsTheTagsInOrder)
{
    KORVEX_REQUIRE_SAMPLES();
    DatabaseEngine engine;
    for (const auto& sample : sampleIndexes()) {
        SCOPED_TRACE(sample.table);
        const QFileInfo info(samplePath(sample.table));
        TableHandle h = 0;
        ASSERT_EQ(engine.OpenTable(info.absolutePath(), info.fileName(), h), result::Ok) << text(engine.lastError());
        int count = -1;
        ASSERT_EQ(engine.readIndexCount(h, count), result::Ok) << text(engine.lastError());
        EXPECT_EQ(count, int(sample.tags.size()));
        std::vector<IndexDescription> listed;
        ASSERT_EQ(engine.ListIndexes(h, listed), result::Ok) << text(engine.lastError());
        expectTags(listed, sample.tags);
        EXPECT_EQ(engine.CloseTable(h), result::Ok);
    }
}

// A production index that is simply absent is not a damaged one: it has its own code, and
// the message names the missing file and the header byte that says it should be there.
TEST(DbaseIndexSamples, AMissingIndexHasItsOwnCodeNamingTheFileAndByte28)
{
    KORVEX_REQUIRE_SAMPLES();
    DatabaseEngine engine;
    const QFileInfo info(samplePath("infused+dbf/spec/fixtures/dbase_8c.dbf"));
    TableHandle h = 0;
    ASSERT_EQ(engine.OpenTable(info.absolutePath(), info.fileName(), h), result::Ok) << text(engine.lastError());
    std::vector<IndexDescription> listed;
    EXPECT_EQ(engine.ListIndexes(h, listed), result::IndexMissing);
    EXPECT_TRUE(listed.empty());
    EXPECT_EQ(text(engine.lastError()), text(info.absolutePath() + "/dbase_8c.MDX: no such file; byte 28 of " +
                                             info.absoluteFilePath() + " says the table has a production index"));
    int count = -1;
    EXPECT_EQ(engine.readIndexCount(h, count), result::IndexMissing);

    // a table without an index flag lists nothing, and that is no failure
    const QFileInfo plain(samplePath("infused+dbf/spec/fixtures/dbase_03.dbf"));
    ASSERT_EQ(engine.OpenTable(plain.absolutePath(), plain.fileName(), h), result::Ok);
    EXPECT_EQ(engine.ListIndexes(h, listed), result::Ok);
    EXPECT_TRUE(listed.empty());
    EXPECT_EQ(engine.readIndexCount(h, count), result::Ok);
    EXPECT_EQ(count, 0);
}

// Every sample index opens and lists through the engine (the samples_unchanged test checks
// after the run that no byte of them changed).
TEST(DbaseIndexSamples, EveryIndexOpensAndLists)
{
    KORVEX_REQUIRE_SAMPLES();
    DatabaseEngine engine;
    for (const auto& sample : sampleIndexes()) {
        const QFileInfo info(samplePath(sample.table));
        TableHandle h = 0;
        ASSERT_EQ(engine.OpenTable(info.absolutePath(), info.fileName(), h), result::Ok);
        std::vector<IndexDescription> listed;
        EXPECT_EQ(engine.ListIndexes(h, listed), result::Ok);
        EXPECT_EQ(engine.CloseTable(h), result::Ok);
    }
}

} // namespace
} // namespace korvex::dbase::test
