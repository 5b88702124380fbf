// The header parser shared by tables and their index files: what it finds in the samples'
// .PX, .Xnn and .XGn files, and the layout rules the survey of the samples verified.

#include "ParadoxTestSupport.h"
#include "TestSupport.h"

#include "paradox/ParadoxHeader.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

struct ParsedFile {
    QByteArray bytes;
    ParadoxHeader header;
};

ParsedFile parseSample(const QString& relative)
{
    ParsedFile p;
    p.bytes = test::readWholeFile(samplePath(relative));
    p.header = parseHeader(ByteReader(FileBytes{QFileInfo(relative).fileName(), test::asBytes(p.bytes)}));
    return p;
}

const QString Joins = QStringLiteral("leonhad+paradoxdriver/src/test/resources/joins/");
const QString Db = QStringLiteral("leonhad+paradoxdriver/src/test/resources/db/");

} // namespace

// In 4.x and later .DB and X files the used header ends after the sort-order name (and,
// in .XGn files, after the index name); 3.0 headers end right after the field names.
TEST(ParadoxHeader, ParsedHeaderEndsWhereTheFileSaysItDoes)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList files = test::filesWithSuffix(test::samplesDir() + "/paradox",
                                                    {".db", ".x01", ".x02", ".x03", ".x04", ".x06", ".xg0"});
    ASSERT_GE(files.size(), 80);
    for (const auto& path : files) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = test::readWholeFile(path);
        const ParadoxHeader h = parseHeader(ByteReader(FileBytes{QFileInfo(path).fileName(), test::asBytes(bytes)}));
        if (h.fileVersionID >= 5) {
            EXPECT_EQ(h.parsedEnd, h.realHeaderSize);
        } else if (h.fileVersionID == 3) {
            EXPECT_EQ(h.parsedEnd, h.headerSize);
        }
        EXPECT_LE(h.parsedEnd, h.headerSize);
    }
}

TEST(ParadoxHeader, PrimaryIndexRepeatsTheKeyFieldsWithoutNames)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto px = parseSample(Joins + "two.px");
    const auto db = parseSample(Joins + "two.db");
    EXPECT_EQ(px.header.fileType, std::uint8_t(FileType::PrimaryIndex));
    EXPECT_FALSE(px.header.hasFieldNames());
    EXPECT_FALSE(px.header.hasDataHeader);
    ASSERT_EQ(px.header.fields.size(), 2u); // the table's two key fields
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(px.header.fields[i].typeCode, db.header.fields[i].typeCode);
        EXPECT_EQ(px.header.fields[i].sizeByte, db.header.fields[i].sizeByte);
        EXPECT_TRUE(px.header.fields[i].name.isEmpty());
    }
    EXPECT_EQ(px.header.recordSize, 4 + 4 + 6); // key bytes plus block number, count, unused
    EXPECT_EQ(px.header.fileVersionID, db.header.fileVersionID);
}

TEST(ParadoxHeader, SecondaryIndexDataFilesCarryTheirFieldsAndName)
{
    KORVEX_REQUIRE_SAMPLES();
    // A composite index named "Descending" over one field, descending (bit 15).
    const auto indexed = parseSample(Joins + "indexed.xg0");
    EXPECT_EQ(indexed.header.fileType, std::uint8_t(FileType::CompositeIndexData));
    EXPECT_EQ(indexed.header.indexName, "Descending");
    EXPECT_EQ(indexed.header.flags55, 0x11);
    ASSERT_EQ(indexed.header.fields.size(), 4u); // Indexed, then Tup No, Blk Num, Tup Offset
    EXPECT_EQ(indexed.header.fields[0].name, "Indexed");
    EXPECT_EQ(indexed.header.fields[0].fieldNumber, 0x8001);
    EXPECT_EQ(indexed.header.indexFieldNumber, 1);

    const auto ste = parseSample(Db + "AREACODES.XG0");
    EXPECT_EQ(ste.header.fileType, std::uint8_t(FileType::CompositeIndexDataMaintained));
    EXPECT_EQ(ste.header.indexName, "ste");

    // A single-field index keeps no name; it goes by its field's.
    const auto city = parseSample(Db + "CUSTOMER.X06");
    EXPECT_EQ(city.header.fileType, std::uint8_t(FileType::SingleFieldIndexDataMaintained));
    EXPECT_TRUE(city.header.indexName.isEmpty());
    ASSERT_FALSE(city.header.fields.empty());
    EXPECT_EQ(city.header.fields[0].name, "City");
    EXPECT_EQ(city.header.indexFieldNumber, 6);
    EXPECT_EQ(city.header.sortOrderId, "ANSII850");

    const auto reference = parseSample(Joins + "fk4.XG0");
    EXPECT_EQ(reference.header.indexName, "reference");
}

// Field numbers stop being positions once a field has been deleted.
TEST(ParadoxHeader, FieldNumbersAreKeptAsStored)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto country = parseSample("celebithil+Rparadox/inst/extdata/country.db");
    std::vector<int> numbers;
    for (const auto& f : country.header.fields)
        numbers.push_back(f.fieldNumber);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 5, 3, 4}));
    // 3.x files store none: the positions stand in.
    const auto states = parseSample("leonhad+paradoxdriver/src/test/resources/areas/STATES.DB");
    for (std::size_t i = 0; i < states.header.fields.size(); ++i)
        EXPECT_EQ(states.header.fields[i].fieldNumber, i + 1);
}

TEST(ParadoxHeader, PasswordChecksumMovesToTheDataHeaderFromFormat4)
{
    KORVEX_REQUIRE_SAMPLES();
    const auto v35 = parseSample("leonhad+paradoxdriver/src/test/resources/encrypt/encrypted35.db");
    EXPECT_FALSE(v35.header.hasDataHeader);
    EXPECT_EQ(v35.header.encryption1, 0x0A25E09Au);
    const auto v5 = parseSample("leonhad+paradoxdriver/src/test/resources/encrypt/encrypted.db");
    EXPECT_TRUE(v5.header.hasDataHeader);
    EXPECT_EQ(v5.header.encryption1, 0xFF00FF00u);
    EXPECT_EQ(v5.header.encryption2, 0x0A25E09Au);
    EXPECT_EQ(v5.header.passwordChecksum(), 0x0A25E09Au);
}
