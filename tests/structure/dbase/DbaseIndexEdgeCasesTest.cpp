// Index files no independent writer makes: FOR clauses in an .MDX, dBASE 7 tag tables,
// unique and descending FoxPro tags, tag directories of several nodes, and files whose
// layout is unknown, contradicts itself or loops. Which index a table's header names
// decides what is read.

#include "DbaseIndexTestSupport.h"
#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include "dbase/DbaseIndexes.h"

#include <gtest/gtest.h>

#include <optional>

namespace korvex::dbase::test {
namespace {

constexpr std::uint8_t DBaseIV = 0x03;
constexpr std::uint8_t DBase7 = 0x04;
constexpr std::uint8_t FoxPro2 = 0xF5;

struct Table {
    QByteArray dbf;
    QByteArray mdx;
    QByteArray cdx;

    std::vector<IndexDescription> indexes() const
    {
        DbaseCompanions c;
        if (!mdx.isEmpty())
            c.mdx = bytesOf(QStringLiteral("T.MDX"), mdx);
        if (!cdx.isEmpty())
            c.cdx = bytesOf(QStringLiteral("T.CDX"), cdx);
        const FileBytes file = bytesOf(QStringLiteral("T.DBF"), dbf);
        return readIndexes(readTable(file, c), file, c);
    }
};

QByteArray dbfWith(std::uint8_t version, std::uint8_t flags = 0x01)
{
    DbfSpec spec;
    spec.version = version;
    spec.tableFlags = flags;
    spec.fields = {{"Name", 'C', 20}, {"QTY", 'N', 5}, {"Length CM", 'N', 5}};
    if (version != DBase7)
        spec.fields = {{"NAME", 'C', 20}, {"QTY", 'N', 5}};
    return buildDbf(spec);
}

Table withMdx(const std::vector<MdxTagSpec>& tags, int entryLength = 32, std::uint8_t version = DBaseIV)
{
    return {dbfWith(version), buildMdx(tags, entryLength), {}};
}

Table withCdx(const std::vector<CdxTagSpec>& tags, std::size_t tagsPerLeaf = 30)
{
    return {dbfWith(FoxPro2), {}, buildCdx(tags, tagsPerLeaf)};
}

// The failure's kind and its message, or nothing when the table reads.
std::optional<FormatError> failureOf(const Table& t)
{
    try {
        (void)t.indexes();
    } catch (const FormatError& e) {
        return e;
    }
    return std::nullopt;
}

void expectDamaged(const Table& t, const char* file, FormatError::Kind kind = FormatError::Kind::Damaged)
{
    const auto e = failureOf(t);
    ASSERT_TRUE(e.has_value()) << "read without failure";
    EXPECT_EQ(e->kind(), kind) << text(e->message());
    EXPECT_EQ(text(e->file()), file);
}

TEST(DbaseIndexMdx, ForConditionsAreKeptWithTheirTag)
{
    const auto t = withMdx({{"OPEN", "NAME", 0x10, "QTY > 0"}, {"ALL", "QTY"}, {"BIG", "STR(QTY)", 0x50, "QTY>99"}});
    expectTags(t.indexes(),
               {{"OPEN", "NAME", "", "QTY > 0"}, {"ALL", "QTY"}, {"BIG", "", "STR(QTY)", "QTY>99", true, false}});

    // the condition text alone, without the tag's FOR flag, is no condition
    auto unflagged = t;
    unflagged.mdx[4 * 512 + 245] = 0;
    EXPECT_EQ(unflagged.indexes()[0].forCondition, QString());
}

TEST(DbaseIndexMdx, Dbase7TagTablesWithLongNames)
{
    const auto t =
        withMdx({{"IMPORTANCE_ENGINEER_AND_MORE", "STR(QTY)+Name"}, {"BY_LENGTH", "length cm"}, {"BY_NAME", "  name "}},
                43, DBase7);
    expectTags(t.indexes(), {{"IMPORTANCE_ENGINEER_AND_MORE", "", "STR(QTY)+Name"},
                             {"BY_LENGTH", "Length CM"},
                             {"BY_NAME", "Name"}});
}

TEST(DbaseIndexMdx, UnknownOrContradictoryTagTablesFail)
{
    auto unknownEntry = withMdx({{"A", "NAME"}});
    unknownEntry.mdx[26] = 40;
    expectDamaged(unknownEntry, "T.MDX", FormatError::Kind::Unsupported);

    auto tooMany = withMdx({{"A", "NAME"}});
    tooMany.mdx[28] = 49; // 48 entries available
    expectDamaged(tooMany, "T.MDX");

    auto pageZero = withMdx({{"A", "NAME"}});
    put32(pageZero.mdx, 544, 0);
    expectDamaged(pageZero, "T.MDX");

    auto beyondTheFile = withMdx({{"A", "NAME"}});
    put32(beyondTheFile.mdx, 544, 99);
    expectDamaged(beyondTheFile, "T.MDX");

    expectDamaged(withMdx({{"A", ""}}), "T.MDX");    // no key expression
    expectDamaged(withMdx({{"", "NAME"}}), "T.MDX"); // no name

    // a FOR condition that runs off the end of the file
    auto cutCondition = withMdx({{"A", "NAME", 0x10, "QTY>0"}});
    cutCondition.mdx.truncate(4 * 512 + 764);
    expectDamaged(cutCondition, "T.MDX");
}

TEST(DbaseIndexCdx, UniqueDescendingAndForTags)
{
    const auto t = withCdx(
        {{"UP", "name"}, {"DOWN", "qty", "", 0x61, 1}, {"SOME", "UPPER(name)", "qty>1"}, {"NOTFIELD", "qty2"}});
    expectTags(t.indexes(), {{"DOWN", "QTY", "", "", true, true},
                             {"NOTFIELD", "", "qty2"},
                             {"SOME", "", "UPPER(name)", "qty>1"},
                             {"UP", "NAME"}});
}

TEST(DbaseIndexCdx, DirectoriesOfSeveralLeavesUnderAnInteriorRoot)
{
    std::vector<CdxTagSpec> tags;
    std::vector<std::string> names;
    for (int i = 70; i-- > 0;)
        names.push_back(QStringLiteral("TAG%1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
    for (const auto& name : names)
        tags.push_back({name, "name"});
    const auto listed = withCdx(tags, 30).indexes();
    ASSERT_EQ(listed.size(), 70u);
    for (std::size_t i = 0; i < listed.size(); ++i)
        EXPECT_EQ(text(listed[i].name), names[names.size() - 1 - i]);
}

TEST(DbaseIndexCdx, LoopsAndStrayPointersFail)
{
    std::vector<CdxTagSpec> tags;
    for (const char* name : {"A", "B", "C", "D"})
        tags.push_back({name, "name"});
    const std::size_t root = cdx::FirstNode;
    const std::size_t firstLeaf = root + cdx::NodeSize;
    const std::size_t secondLeaf = firstLeaf + cdx::NodeSize;
    const Table twoLeaves = withCdx(tags, 2);
    ASSERT_EQ(twoLeaves.indexes().size(), 4u);

    auto leafLoop = twoLeaves;
    put32(leafLoop.cdx, secondLeaf + 8, std::uint32_t(firstLeaf)); // right sibling back to the first
    expectDamaged(leafLoop, "T.CDX");

    auto selfChild = twoLeaves;
    put32be(selfChild.cdx, root + 12 + 14, std::uint32_t(root)); // the root's first child is the root
    expectDamaged(selfChild, "T.CDX");

    auto intoHeader = twoLeaves;
    put32(intoHeader.cdx, 0, 512);
    expectDamaged(intoHeader, "T.CDX");

    auto beyondTheFile = twoLeaves;
    put32(beyondTheFile.cdx, secondLeaf + 8, 0x7FFFFE00);
    expectDamaged(beyondTheFile, "T.CDX");

    auto sharedHeader = twoLeaves; // B's entry points at A's header
    const auto entry = [&](std::size_t leaf, std::size_t i) { return leaf + 24 + 4 * i; };
    const QByteArray recordOfA = sharedHeader.cdx.mid(qsizetype(entry(firstLeaf, 0)), 2);
    sharedHeader.cdx.replace(qsizetype(entry(firstLeaf, 1)), 2, recordOfA);
    expectDamaged(sharedHeader, "T.CDX");
}

TEST(DbaseIndexCdx, ImpossibleLeavesAndHeadersFail)
{
    const Table t = withCdx({{"A", "name"}, {"B", "qty", "qty>1"}});
    const std::size_t leaf = cdx::FirstNode;
    const std::size_t tagB = cdx::FirstNode + cdx::NodeSize + 1024;

    auto notCompact = t;
    notCompact.cdx[14] = 0x40;
    expectDamaged(notCompact, "T.CDX", FormatError::Kind::Unsupported);

    auto tooManyKeys = t;
    put16(tooManyKeys.cdx, leaf + 2, 200); // 200 entries of 4 bytes do not fit a node
    expectDamaged(tooManyKeys, "T.CDX");

    auto wideEntries = t;
    wideEntries.cdx[qsizetype(leaf + 23)] = 9;
    expectDamaged(wideEntries, "T.CDX");

    auto duplicatesBeyondTheKey = t; // the first key repeats bytes of a key before it
    duplicatesBeyondTheKey.cdx[qsizetype(leaf + 24 + 3)] = char(0x13);
    expectDamaged(duplicatesBeyondTheKey, "T.CDX");

    auto poolOverrun = t;
    put16(poolOverrun.cdx, tagB + 506, 600);
    expectDamaged(poolOverrun, "T.CDX");

    auto zeroKeyLength = t;
    put16(zeroKeyLength.cdx, 12, 0);
    expectDamaged(zeroKeyLength, "T.CDX");
}

TEST(DbaseIndexTables, TheHeaderDecidesWhichIndexIsRead)
{
    // an index file beside a table whose header names none is not the table's index
    Table unflagged = withMdx({{"A", "NAME"}});
    unflagged.dbf[28] = 0;
    EXPECT_TRUE(unflagged.indexes().empty());
    Table unflaggedFox = withCdx({{"A", "name"}});
    unflaggedFox.dbf[28] = 0x02; // memo bit only
    EXPECT_TRUE(unflaggedFox.indexes().empty());

    // a dBASE table reads its .MDX even with a .CDX beside it
    Table both = withMdx({{"FROMMDX", "NAME"}});
    both.cdx = buildCdx({{"FROMCDX", "name"}});
    expectTags(both.indexes(), {{"FROMMDX", "NAME"}});

    // a FoxPro table reads its .CDX and never the .MDX
    Table fox = withCdx({{"FROMCDX", "name"}});
    fox.mdx = buildMdx({{"FROMMDX", "NAME"}});
    expectTags(fox.indexes(), {{"FROMCDX", "NAME"}});
    fox.cdx.clear();
    expectDamaged(fox, "T.CDX", FormatError::Kind::Missing);
}

TEST(DbaseIndexTables, RealTablesWithTheirIndexFlagCleared)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const char* relative : {"dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/qaid.DBF",
                                 "albfernandez+javadbf/src/test/resources/fixtures/foxpro-xsource/employees.dbf"}) {
        SCOPED_TRACE(relative);
        auto table = LoadedTable::load(korvex::test::samplesDir() + QStringLiteral("/dbase/") +
                                       QLatin1String(relative));
        ASSERT_FALSE(readIndexes(table.read(), table.file(), table.companions()).empty());
        table.dbf[28] = char(table.dbf[28] & ~0x01);
        EXPECT_TRUE(readIndexes(table.read(), table.file(), table.companions()).empty());
    }
}

} // namespace
} // namespace korvex::dbase::test
