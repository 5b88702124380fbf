// Tables with production indexes written by TDbf (tests/fixtures/make_mdx_fixtures.pas):
// unique, descending and expression tags at dBASE IV and dBASE 7, and a tag table
// filled to its 47 tags. TDbf writes no FOR clauses and upper-cases field names and
// expressions.

#include "DbaseIndexTestSupport.h"
#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include "DatabaseEngine.h"
#include "dbase/DbaseIndexes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace korvex::dbase::test {
namespace {

QString fixture(const char* name)
{
    return korvex::test::fixturesDir() + QStringLiteral("/mdx/") + QLatin1String(name);
}

#define KORVEX_REQUIRE_MDX_FIXTURES()                                                                                  \
    do {                                                                                                               \
        KORVEX_REQUIRE_FIXTURES();                                                                                     \
        if (!QFileInfo::exists(fixture("full.dbf")))                                                                   \
            GTEST_SKIP() << "no TDbf tables (Free Pascal's fpc and fp-units-db write them: "                           \
                            "tools/install-deps.sh)";                                                                  \
    } while (false)

// What make_mdx_fixtures asks for in each of its flag tables, in the order it adds them.
const std::vector<ExpectedTag> FlagTags = {
    {"NAME", "NAME", "", "", true, false},
    {"QTYDESC", "QTY", "", "", false, true},
    {"NAMEQTY", "", "NAME+STR(QTY,10)"},
    {"UPNAME", "", "UPPER(NAME)", "", true, true},
    {"SPACED", "NAME"}, // " NAME ": blanks around a field name leave a field index
};

std::vector<IndexDescription> indexesOf(const char* name)
{
    const auto table = LoadedTable::load(fixture(name));
    return readIndexes(table.read(), table.file(), table.companions());
}

TEST(DbaseIndexFixtures, UniqueDescendingAndExpressionTags)
{
    KORVEX_REQUIRE_MDX_FIXTURES();
    for (const char* name : {"level4.dbf", "level7.dbf"}) {
        SCOPED_TRACE(name);
        const auto table = LoadedTable::load(fixture(name));
        EXPECT_EQ(table.read().level, name == std::string("level7.dbf") ? 7 : 4);
        expectTags(indexesOf(name), FlagTags);
    }
}

TEST(DbaseIndexFixtures, AFullTagTableKeepsItsOrder)
{
    KORVEX_REQUIRE_MDX_FIXTURES();
    std::vector<std::string> names;
    std::vector<ExpectedTag> want;
    names.reserve(47);
    for (int i = 1; i <= 47; ++i) {
        names.push_back(QStringLiteral("T%1").arg(i, 2, 10, QLatin1Char('0')).toStdString());
        want.push_back(i % 2 ? ExpectedTag{"", "NAME"} : ExpectedTag{"", "QTY", "", "", false, true});
    }
    for (std::size_t i = 0; i < want.size(); ++i)
        want[i].name = names[i].c_str();
    expectTags(indexesOf("full.dbf"), want);
}

TEST(DbaseIndexFixtures, TheEngineHandsOnTheFlags)
{
    KORVEX_REQUIRE_MDX_FIXTURES();
    DatabaseEngine engine;
    TableHandle h = 0;
    ASSERT_EQ(engine.OpenTable(korvex::test::fixturesDir() + QStringLiteral("/mdx"), QStringLiteral("LEVEL7"), h),
              result::Ok)
        << text(engine.lastError());
    std::vector<IndexDescription> listed;
    ASSERT_EQ(engine.ListIndexes(h, listed), result::Ok) << text(engine.lastError());
    expectTags(listed, FlagTags);
    int count = 0;
    EXPECT_EQ(engine.readIndexCount(h, count), result::Ok);
    EXPECT_EQ(count, 5);
}

} // namespace
} // namespace korvex::dbase::test
