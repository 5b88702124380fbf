// The reader against the real sample tables: what pxlib reads from the same files, what
// the samples' inventory and provenance record about them, and that nothing is written.

#include "ParadoxTestSupport.h"
#include "TestSupport.h"

#include "CodePage.h"
#include "LanguageDrivers.h"
#include "MappedFile.h"
#include "paradox/ParadoxHeader.h"
#include "paradox/ParadoxReader.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

TableDefinition readSample(const TableFiles& files)
{
    const auto val = files.valBytes();
    return readTable(files.dbBytes(), val ? &*val : nullptr);
}

TableDefinition readSample(const QString& relative)
{
    return readSample(loadTable(samplePath(relative)));
}

// pxlib's field type constants and the data type a report prints for each.
FieldType expectedType(int pxlibType)
{
    switch (pxlibType) {
    case 0x01: return FieldType::String;
    case 0x02: return FieldType::Date;
    case 0x03: return FieldType::SmallInt;
    case 0x04: return FieldType::Integer;
    case 0x05: return FieldType::Money;
    case 0x06: return FieldType::Float;
    case 0x09: return FieldType::Boolean;
    case 0x0C: return FieldType::Memo;
    case 0x0D: return FieldType::Blob;
    case 0x0E: return FieldType::FmtMemo;
    case 0x0F: return FieldType::ParadoxOle;
    case 0x10: return FieldType::Graphic;
    case 0x14: return FieldType::Time;
    case 0x15: return FieldType::DateTime;
    case 0x16: return FieldType::AutoInc;
    case 0x17: return FieldType::BCD;
    case 0x18: return FieldType::Bytes;
    default: return FieldType::Unknown;
    }
}

bool isBlob(FieldType t)
{
    return t == FieldType::Memo || t == FieldType::Blob || t == FieldType::FmtMemo || t == FieldType::ParadoxOle ||
           t == FieldType::Graphic;
}

// pxlib's file version numbers (30, 35, 40, 50, 70) and the engine's table levels.
int levelOfPxlibVersion(int pxlibVersion)
{
    switch (pxlibVersion) {
    case 30:
    case 35: return 3;
    case 40: return 4;
    case 50: return 5;
    case 70: return 7;
    default: return 0;
    }
}

} // namespace

TEST(ParadoxSamples, EveryTableOpensAndAgreesWithPxlib)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList tables = sampleTables();
    ASSERT_EQ(tables.size(), 70);
    for (const auto& path : tables) {
        SCOPED_TRACE(path.toStdString());
        const TableFiles files = loadTable(path);
        TableDefinition t;
        ASSERT_NO_THROW(t = readSample(files));
        const auto px = readWithPxlib(path);
        ASSERT_TRUE(px) << "pxlib cannot open it";

        EXPECT_EQ(t.tableType, "PARADOX");
        EXPECT_EQ(t.recordSize, px->recordSize);
        EXPECT_EQ(t.level, levelOfPxlibVersion(px->fileVersion));
        EXPECT_EQ(t.blockSizeKb, px->maxTableSize);
        EXPECT_EQ(t.passwordChecksum, std::uint32_t(px->encryption));
        const int keyFields = int(std::count_if(t.fields.begin(), t.fields.end(), [](auto& f) { return f.key; }));
        EXPECT_EQ(keyFields, px->fileType == 0 ? px->primaryKeyFields : 0);

        ASSERT_EQ(t.fields.size(), px->fields.size());
        const CodePage codePage(t.codePage);
        int keyBytes = 0;
        for (std::size_t i = 0; i < t.fields.size(); ++i) {
            const auto& ours = t.fields[i];
            const auto& theirs = px->fields[i];
            SCOPED_TRACE(theirs.name.toStdString());
            // pxlib hands out the stored bytes of the name; ours is decoded.
            EXPECT_EQ(codePage.encode(ours.name), theirs.name);
            EXPECT_EQ(ours.type, expectedType(theirs.type));
            EXPECT_EQ(ours.storedSize, theirs.length);
            if (ours.type == FieldType::BCD) {
                EXPECT_EQ(ours.units2, theirs.decimals);
                EXPECT_EQ(ours.size, theirs.decimals);
            } else if (isBlob(ours.type)) {
                // pxlib gives the record bytes, leader and .MB locator together; the engine's
                // size of a BLOB field is the leader alone.
                EXPECT_EQ(ours.size, theirs.length - 10);
            } else if (ours.type == FieldType::String || ours.type == FieldType::Bytes) {
                EXPECT_EQ(ours.size, theirs.length);
            } else {
                EXPECT_EQ(ours.size, 0);
            }
            if (ours.key)
                keyBytes += theirs.length;
        }
        EXPECT_EQ(t.keySize, keyBytes);
    }
}

// The code page: the engine decodes a table's text in its language driver's code page.
// pxlib reports the code page recorded at 0x6A, which is the creating machine's; the two
// differ for tables of the 'ascii' driver made on a code page 850 machine, and for the
// ROMAN8 driver, which records 0.
TEST(ParadoxSamples, CodePageIsTheDriversNotTheCreatingMachines)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& path : sampleTables()) {
        SCOPED_TRACE(path.toStdString());
        const TableDefinition t = readSample(loadTable(path));
        const auto px = readWithPxlib(path);
        ASSERT_TRUE(px);
        if (t.languageDriverName == "ascii") {
            EXPECT_EQ(t.codePage, 437);
        } else if (t.languageDriverName == "BLROM800") {
            EXPECT_EQ(t.codePage, 0);
        } else if (px->fileVersion >= 40) {
            EXPECT_EQ(t.codePage, px->dosCodePage);
        }
    }
    const auto date4 = readWithPxlib(samplePath("leonhad+paradoxdriver/src/test/resources/fields/date4.db"));
    ASSERT_TRUE(date4);
    EXPECT_EQ(date4->dosCodePage, 850);
    EXPECT_EQ(readSample("leonhad+paradoxdriver/src/test/resources/fields/date4.db").codePage, 437);
}

namespace {

// The samples' inventory: the header facts a survey recorded for every table.
struct InventoryRow {
    const char* path;
    int level; // the inventory marks the 3.0 tables "3?"; they are read as level 3
    bool keyed;
    int fields;
    int keyFields;
    int blockKb;
    int sortByte;
    const char* sortOrderId; // empty for 3.x tables, which store none
    bool encrypted;
    int checks; // -1: no .VAL
};

const InventoryRow Inventory[] = {
    {"celebithil+Rparadox/inst/extdata/TypSammlung.DB", 7, true, 14, 2, 2, 0x62, "ANSIINTL", false, -1},
    {"celebithil+Rparadox/inst/extdata/biolife.db", 4, true, 8, 1, 2, 0x00, "ascii", false, -1},
    {"celebithil+Rparadox/inst/extdata/country.db", 4, true, 5, 1, 2, 0x54, "intl850", false, -1},
    {"celebithil+Rparadox/inst/extdata/empty.db", 7, false, 7, 0, 2, 0x62, "ANSIINTL", false, -1},
    {"celebithil+Rparadox/inst/extdata/mushrooms.db", 7, false, 7, 0, 2, 0x62, "ANSIINTL", false, -1},
    {"celebithil+Rparadox/inst/extdata/of.db", 3, false, 19, 0, 2, 0xC0, "", false, -1},
    {"celebithil+Rparadox/inst/extdata/of_cp866.db", 4, false, 19, 0, 2, 0xC0, "cyrr", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/areas/AREACODE.DB", 3, false, 6, 0, 1, 0x00, "", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/areas/STATES.DB", 3, true, 4, 1, 1, 0x00, "", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/areas/ZIPCODES.DB", 4, true, 3, 1, 2, 0x00, "ascii", false, 2},
    {"leonhad+paradoxdriver/src/test/resources/db/AREACODE.DB", 4, true, 4, 1, 2, 0x00, "ascii", false, 2},
    {"leonhad+paradoxdriver/src/test/resources/db/AREACODES.DB", 7, true, 3, 1, 16, 0x4C, "DBWINUS0", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/CONTACTS.DB", 7, false, 4, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/CUSTOMER.DB", 7, true, 10, 1, 2, 0x11, "ANSII850", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/DECIMAL.DB", 7, false, 1, 0, 2, 0x11, "ANSII850", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/GENERAL.DB", 5, true, 3, 1, 2, 0x03, "china", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/HERCULES.DB", 7, true, 2, 1, 2, 0x11, "ANSII850", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/ORDERS.DB", 7, true, 11, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/ROMAN8.db", 4, false, 1, 0, 2, 0x14, "BLROM800", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/db/SERVER.DB", 7, true, 4, 2, 2, 0x11, "ANSII850", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/encrypt/encrypted.db", 5, false, 2, 0, 2, 0x00, "ascii", true, -1},
    {"leonhad+paradoxdriver/src/test/resources/encrypt/encrypted35.db", 3, false, 2, 0, 2, 0x00, "", true, -1},
    {"leonhad+paradoxdriver/src/test/resources/encrypt/encryptedmemo.db", 4, false, 1, 0, 2, 0x11, "ANSII850", true,
     -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/bcd.db", 5, false, 3, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/bytes.db", 5, false, 1, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/date35.db", 3, false, 1, 0, 2, 0x00, "", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/date4.db", 4, false, 1, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/date5.db", 5, false, 2, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/date7.db", 5, false, 2, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/fmemo.db", 5, true, 2, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/graphic.db", 5, true, 3, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/graphic240.db", 5, true, 2, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/logical.db", 5, false, 1, 0, 2, 0x11, "ANSII850", false, 1},
    {"leonhad+paradoxdriver/src/test/resources/fields/long.db", 5, true, 2, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/memo.db", 5, true, 2, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/ole.db", 5, true, 2, 1, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/time.db", 5, false, 1, 0, 2, 0x40, "DBWINWE0", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/fields/timestamp.db", 5, false, 1, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/geog/County.DB", 7, true, 4, 1, 16, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/geog/tblAC.DB", 7, true, 4, 1, 16, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/geog/tblsttes.DB", 7, true, 13, 1, 16, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/joins/A.db", 5, true, 1, 1, 2, 0x11, "ANSII850", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/B.db", 5, true, 1, 1, 2, 0x11, "ANSII850", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/C.DB", 5, true, 3, 1, 2, 0x11, "ANSII850", false, 2},
    {"leonhad+paradoxdriver/src/test/resources/joins/case.db", 4, false, 1, 0, 2, 0x11, "ANSII850", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/joins/destination.db", 5, false, 2, 0, 2, 0x00, "ascii", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/joins/fk1.db", 5, true, 2, 1, 2, 0x00, "ascii", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/fk2.db", 5, true, 2, 1, 2, 0x00, "ascii", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/fk3.db", 5, true, 3, 1, 2, 0x00, "ascii", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/fk4.db", 5, true, 4, 1, 2, 0x00, "ascii", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/indexed.db", 7, false, 1, 0, 2, 0x11, "ANSII850", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/joins/joina.db", 4, false, 1, 0, 2, 0x40, "DBWINWE0", false, -1},
    {"leonhad+paradoxdriver/src/test/resources/joins/joinb.db", 4, false, 1, 0, 2, 0x40, "DBWINWE0", false, 1},
    {"leonhad+paradoxdriver/src/test/resources/joins/multiple.db", 5, true, 4, 1, 2, 0x00, "ascii", false, 2},
    {"leonhad+paradoxdriver/src/test/resources/joins/origin.db", 5, false, 2, 0, 2, 0x00, "ascii", false, 1},
    {"leonhad+paradoxdriver/src/test/resources/joins/paradox-ascii.db", 4, false, 1, 0, 2, 0x00, "ascii", false, 1},
    {"leonhad+paradoxdriver/src/test/resources/joins/primary.db", 5, true, 2, 1, 2, 0x00, "ascii", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/to_multiple.db", 5, true, 2, 1, 2, 0x00, "ascii", false, 0},
    {"leonhad+paradoxdriver/src/test/resources/joins/two.db", 5, true, 3, 2, 2, 0x00, "ascii", false, 0},
    {"teverett+paradoxReader/src/test/resources/examples/MEMBRE.DB", 7, true, 92, 1, 16, 0xB7, "intl", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/BOLDNESS.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/GREYS.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/LPI.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/PAGESIZE.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/PATTERNS.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/PCL.DB", 3, false, 17, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/RASRES.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/SOURCES.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/SYMBOLS.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
    {"teverett+paradoxReader/src/test/resources/examples/PCLDATA/TYPEFACE.DB", 3, false, 2, 0, 1, 0x00, "", false, -1},
};

} // namespace

TEST(ParadoxSamples, PropertiesMatchTheInventory)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const auto& row : Inventory) {
        SCOPED_TRACE(row.path);
        const TableFiles files = loadTable(samplePath(QString::fromLatin1(row.path)));
        ASSERT_FALSE(files.db.isEmpty());
        const TableDefinition t = readSample(files);
        EXPECT_EQ(t.level, row.level);
        EXPECT_EQ(int(t.fields.size()), row.fields);
        EXPECT_EQ(int(std::count_if(t.fields.begin(), t.fields.end(), [](auto& f) { return f.key; })), row.keyFields);
        EXPECT_EQ(row.keyed, row.keyFields > 0);
        EXPECT_EQ(t.blockSizeKb, row.blockKb);
        EXPECT_EQ(t.passwordChecksum != 0, row.encrypted);
        EXPECT_EQ(t.auxPasswordCount, 0); // no sample has auxiliary passwords
        if (row.sortOrderId[0] != '\0') {
            EXPECT_EQ(t.languageDriverName, QLatin1String(row.sortOrderId));
        } else {
            // 3.x tables: the driver comes from the sort-order byte alone.
            EXPECT_EQ(t.languageDriverName, row.sortByte == 0xC0 ? "cyrr" : "ascii");
        }
        EXPECT_EQ(files.valPath.isEmpty(), row.checks < 0);
        EXPECT_EQ(int(t.validityChecks.size()), std::max(row.checks, 0));
    }
}

// A Paradox 7 table with one field of most types (German names, one with non-ASCII letters).
TEST(ParadoxSamples, FieldListOfATableWithMostTypes)
{
    KORVEX_REQUIRE_SAMPLES();
    const TableDefinition t = readSample("celebithil+Rparadox/inst/extdata/TypSammlung.DB");
    struct Expected {
        const char* name;
        FieldType type;
        int size;
        LogicalType logical;
        int subtype, units1, units2;
        const char* stored;
        int storedSize;
    };
    const Expected expected[] = {
        {"Alpha", FieldType::String, 30, LogicalType::ZString, 0, 30, 0, "A", 30},
        {"Numerisch", FieldType::Float, 0, LogicalType::Float, 0, 0, 0, "N", 8},
        {"W\u00e4hrung", FieldType::Money, 0, LogicalType::Float, 21, 0, 0, "$", 8},
        {"Integer kurz", FieldType::SmallInt, 0, LogicalType::Int16, 0, 0, 0, "S", 2},
        {"Integer lang", FieldType::Integer, 0, LogicalType::Int32, 0, 0, 0, "I", 4},
        {"BCD", FieldType::BCD, 6, LogicalType::Bcd, 0, 32, 6, "#", 17},
        {"Datum", FieldType::Date, 0, LogicalType::Date, 0, 0, 0, "D", 4},
        {"Zeit", FieldType::Time, 0, LogicalType::Time, 0, 0, 0, "T", 4},
        {"Datum/Zeit", FieldType::DateTime, 0, LogicalType::Timestamp, 0, 0, 0, "@", 8},
        {"Memo", FieldType::Memo, 1, LogicalType::Blob, 22, 1, 0, "M", 11},
        {"Logisch", FieldType::Boolean, 0, LogicalType::Bool, 0, 0, 0, "L", 1},
        {"Z\u00e4hler", FieldType::AutoInc, 0, LogicalType::Int32, 29, 0, 0, "+", 4},
        {"Bin\u00e4r", FieldType::Blob, 0, LogicalType::Blob, 23, 0, 0, "B", 10},
        {"Bytes", FieldType::Bytes, 255, LogicalType::Bytes, 0, 255, 0, "Y", 255},
    };
    ASSERT_EQ(t.fields.size(), std::size(expected));
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        const auto& f = t.fields[i];
        const auto& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(f.name, QString::fromUtf8(e.name));
        EXPECT_EQ(f.type, e.type);
        EXPECT_EQ(f.size, e.size);
        EXPECT_EQ(f.logicalType, e.logical);
        EXPECT_EQ(f.subtype, e.subtype);
        EXPECT_EQ(f.units1, e.units1);
        EXPECT_EQ(f.units2, e.units2);
        EXPECT_EQ(f.storedType, e.stored);
        EXPECT_EQ(f.storedSize, e.storedSize);
        EXPECT_EQ(f.key, i < 2);
    }
    EXPECT_EQ(t.recordSize, 366);
    EXPECT_EQ(t.keySize, 30 + 8);
    // Logical lengths: ZString 31, Float 8+8, Int16 2, Int32 4, BCD 34, Date 4, Time 4,
    // Timestamp 8, memo 11, Bool 2, AutoInc 4, binary 10, Bytes 255.
    EXPECT_EQ(t.recordBufferSize, 31 + 8 + 8 + 2 + 4 + 34 + 4 + 4 + 8 + 11 + 2 + 4 + 10 + 255);
    EXPECT_EQ(t.languageDriverDescription, "Pdox ANSI Intl");
    EXPECT_EQ(t.codePage, 1252);
}

TEST(ParadoxSamples, FieldListsOfOtherKnownTables)
{
    KORVEX_REQUIRE_SAMPLES();
    // A graphic field named for its 240-byte leader.
    const TableDefinition graphic = readSample("leonhad+paradoxdriver/src/test/resources/fields/graphic240.db");
    ASSERT_EQ(graphic.fields.size(), 2u);
    EXPECT_EQ(graphic.fields[1].size, 240);
    // 92 fields in a 4 KB header, 16 KB blocks, sort order "intl"; the names use code page 437.
    const TableDefinition membre = readSample("teverett+paradoxReader/src/test/resources/examples/MEMBRE.DB");
    ASSERT_EQ(membre.fields.size(), 92u);
    EXPECT_EQ(membre.blockSizeKb, 16);
    EXPECT_EQ(membre.languageDriverName, "intl");
    EXPECT_EQ(membre.languageDriverDescription, "Paradox 'intl'");
    EXPECT_EQ(membre.fields[0].name, "Code_membre");
    EXPECT_EQ(membre.fields[0].type, FieldType::AutoInc);
    // The header keeps the last number given (30, the highest in its rows); the next is one more.
    EXPECT_EQ(membre.fields[0].nextValue, 31);
    EXPECT_EQ(membre.fields[1].nextValue, std::nullopt);
    EXPECT_EQ(membre.fields[89].name, QString::fromUtf8("Mari\u00e9"));
    EXPECT_EQ(membre.fields[90].name, QString::fromUtf8("N\u00b0 Licence"));
    // A 3.0 table whose header ends right after its names.
    const TableDefinition pcl = readSample("teverett+paradoxReader/src/test/resources/examples/PCLDATA/PCL.DB");
    ASSERT_EQ(pcl.fields.size(), 17u);
    EXPECT_EQ(pcl.fields[16].name, "Support");
    EXPECT_EQ(pcl.fields[16].type, FieldType::SmallInt);
    EXPECT_EQ(pcl.level, 3);
    EXPECT_EQ(pcl.blockSizeKb, 1);
}

// The same Cyrillic names in a 3.5 table (driver known by its byte only) and a 4.x table.
TEST(ParadoxSamples, NamesOfThirdPartyCodePages)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const char* path :
         {"celebithil+Rparadox/inst/extdata/of.db", "celebithil+Rparadox/inst/extdata/of_cp866.db"}) {
        SCOPED_TRACE(path);
        const TableDefinition t = readSample(path);
        EXPECT_EQ(t.codePage, 866);
        EXPECT_EQ(t.languageDriverName, "cyrr");
        EXPECT_EQ(t.languageDriverDescription, "Paradox Cyrr 866");
        ASSERT_EQ(t.fields.size(), 19u);
        EXPECT_EQ(t.fields[0].name,
                  QString::fromUtf8("\u0418\u043d\u0432\u0435\u043d\u0442\u0430\u0440\u043d\u044b\u0439 "
                                    "\u043d\u043e\u043c\u0435\u0440"));
    }
    // A driver no source describes: its name, and no description.
    const TableDefinition china = readSample("leonhad+paradoxdriver/src/test/resources/db/GENERAL.DB");
    EXPECT_EQ(china.languageDriverName, "china");
    EXPECT_EQ(china.languageDriverDescription, "");
    EXPECT_EQ(china.codePage, 936);
}

// Paradox and dBASE tables once looked their drivers up in two lists that disagreed: a
// Paradox table naming a driver only the dBASE list had printed "Unknown", and "ascii"
// was code page 437 for one format and 850 for the other. Both now use one list.
TEST(ParadoxSamples, DriversComeFromTheListTheDbaseReaderUses)
{
    KORVEX_REQUIRE_SAMPLES();
    QByteArray db = test::readWholeFile(samplePath("leonhad+paradoxdriver/src/test/resources/db/DECIMAL.DB"));
    const auto at = db.indexOf("ANSII850");
    ASSERT_GT(at, 0);
    db.replace(at, 8, "DB866RU0"); // a dBASE driver, named by a Paradox table
    const TableDefinition t = readTable(FileBytes{QStringLiteral("DECIMAL.DB"), test::asBytes(db)}, nullptr);
    EXPECT_EQ(t.languageDriverDescription, "dBASE RUS cp866");
    EXPECT_EQ(t.codePage, 866);
    ASSERT_NE(languageDriverByName("ascii"), nullptr);
    EXPECT_EQ(languageDriverByName("ascii")->codePage, 437);
    EXPECT_EQ(languageDriverByName("ascii"), languageDriverBySortOrder(0x00));
    EXPECT_EQ(languageDriverByName("DB866RU0"), languageDriverByDbaseId(0x26));
}

// The three tables protected by the password "123" (the repository's tests say so).
TEST(ParadoxSamples, EncryptedTablesCarryTheChecksumOfTheirPassword)
{
    KORVEX_REQUIRE_SAMPLES();
    for (const char* name : {"encrypted.db", "encrypted35.db", "encryptedmemo.db"}) {
        SCOPED_TRACE(name);
        const TableDefinition t = readSample(QStringLiteral("leonhad+paradoxdriver/src/test/resources/encrypt/") +
                                             QLatin1String(name));
        EXPECT_EQ(t.passwordChecksum, 0x0A25E09Au);
        EXPECT_EQ(t.passwordChecksum, passwordChecksum("123"));
        EXPECT_NE(t.passwordChecksum, passwordChecksum("124"));
        EXPECT_FALSE(t.fields.empty()); // the header is stored in clear
    }
}

// What the samples' own repository tests expect of their .VAL files.
TEST(ParadoxSamples, ValidityChecksOfTheSamples)
{
    KORVEX_REQUIRE_SAMPLES();
    const QString base = QStringLiteral("leonhad+paradoxdriver/src/test/resources/");

    const TableDefinition areaCode = readSample(base + "db/AREACODE.DB");
    ASSERT_EQ(areaCode.validityChecks.size(), 2u);
    EXPECT_EQ(areaCode.validityChecks[0].fieldNumber, 1); // "Area Code"
    EXPECT_EQ(areaCode.validityChecks[0].picture, "###");
    EXPECT_EQ(areaCode.validityChecks[1].fieldNumber, 4); // "State"
    EXPECT_EQ(areaCode.validityChecks[1].picture, "&&");

    const TableDefinition zip = readSample(base + "areas/ZIPCODES.DB");
    ASSERT_EQ(zip.validityChecks.size(), 2u);
    EXPECT_EQ(zip.validityChecks[0].fieldNumber, 1);
    EXPECT_EQ(zip.validityChecks[0].picture, "#####");
    EXPECT_EQ(zip.validityChecks[1].fieldNumber, 2);
    EXPECT_EQ(zip.validityChecks[1].picture, "&&");
    for (const auto& c : zip.validityChecks)
        EXPECT_FALSE(c.required || c.hasMinimum || c.hasMaximum || c.hasDefault);

    // A logical field whose default is true.
    const TableDefinition logical = readSample(base + "fields/logical.db");
    ASSERT_EQ(logical.validityChecks.size(), 1u);
    const auto& b = logical.validityChecks[0];
    EXPECT_EQ(b.fieldNumber, 1);
    EXPECT_TRUE(b.hasDefault);
    EXPECT_EQ(std::to_integer<int>(b.defaultValue[0]), 1);
    EXPECT_FALSE(b.hasMinimum);
    EXPECT_FALSE(b.hasMaximum);
    EXPECT_TRUE(b.picture.isEmpty());

    // A picture on the third field of a table whose .VAL also holds referential integrity.
    const TableDefinition multiple = readSample(base + "joins/multiple.db");
    ASSERT_EQ(multiple.validityChecks.size(), 2u);
    EXPECT_EQ(multiple.validityChecks[1].fieldNumber, 3);
    EXPECT_EQ(multiple.validityChecks[1].picture, "[(*3{#}) ]*3{#}-*4{#}");
    EXPECT_TRUE(multiple.validityChecks[0].picture.isEmpty());

    // A table lookup alone: a check without values or picture.
    const TableDefinition origin = readSample(base + "joins/origin.db");
    ASSERT_EQ(origin.validityChecks.size(), 1u);
    EXPECT_EQ(origin.validityChecks[0].fieldNumber, 2);
    EXPECT_FALSE(origin.validityChecks[0].hasDefault);
}

TEST(ParadoxSamples, IndexFilesAreNotTables)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList indexFiles = test::filesWithSuffix(test::samplesDir() + "/paradox",
                                                         {".px", ".x01", ".x02", ".x03", ".x04", ".x06", ".xg0", ".y01",
                                                          ".y02", ".y03", ".y04", ".y06", ".yg0"});
    ASSERT_GE(indexFiles.size(), 40);
    for (const auto& path : indexFiles) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = test::readWholeFile(path);
        try {
            readTable(FileBytes{QFileInfo(path).fileName(), test::asBytes(bytes)}, nullptr);
            ADD_FAILURE() << "read as a table";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.kind(), FormatError::Kind::Damaged);
            EXPECT_TRUE(e.detail().startsWith("not a Paradox table (file type ")) << e.message().toStdString();
            if (path.endsWith(".px", Qt::CaseInsensitive)) {
                EXPECT_EQ(e.detail(), "not a Paradox table (file type 1: primary index)");
            }
        }
    }
}
