// Cases no real sample and no independent writer provides, built with the small header
// writer of DbaseTestSupport: version bytes, the level and FoxPro rules at their edges,
// inconsistent headers, and level-7 standard field properties (no public table has any,
// and no writer at hand makes them).

#include "DbaseTestSupport.h"
#include "EngineValues.h"

#include <gtest/gtest.h>

#include <cstring>

namespace korvex::dbase::test {
namespace {

TableDefinition read(const DbfSpec& spec, const DbaseCompanions& companions = {})
{
    const QByteArray bytes = buildDbf(spec);
    return readTable(bytesOf(QStringLiteral("T.DBF"), bytes), companions);
}

FormatError::Kind failureOf(const QByteArray& bytes, QString* message = nullptr)
{
    try {
        readTable(bytesOf(QStringLiteral("T.DBF"), bytes), {});
    } catch (const FormatError& e) {
        if (message)
            *message = e.message();
        return e.kind();
    }
    ADD_FAILURE() << "read without error";
    return FormatError::Kind::TooManyFields;
}

DbfSpec tableOf(std::uint8_t version, std::vector<FieldSpec> fields)
{
    DbfSpec spec;
    spec.version = version;
    spec.fields = std::move(fields);
    return spec;
}

DbfSpec simple(std::uint8_t version = 0x03)
{
    return tableOf(version, {{"NAME", 'C', 10}, {"QTY", 'N', 4}});
}

QByteArray hex(const char* digits)
{
    return QByteArray::fromHex(digits);
}

// Only the version bytes of known formats that are not read are "not supported"; any
// other first byte (random bytes named .dbf) says that the file is not a dBASE table.
TEST(DbaseVersions, RandomBytesAreNotADbaseTableRatherThanAnUnsupportedVersion)
{
    for (std::uint8_t version : {0x02, 0x05, 0xE5, 0x00, 0x47, 0x78}) {
        QByteArray bytes = buildDbf(simple());
        bytes[0] = char(version);
        QString message;
        const bool known = version == 0x02 || version == 0xE5;
        EXPECT_EQ(failureOf(bytes, &message), known ? FormatError::Kind::Unsupported : FormatError::Kind::Damaged);
        EXPECT_TRUE(message.contains(QStringLiteral("0x%1").arg(version, 2, 16, QLatin1Char('0')), Qt::CaseInsensitive))
            << message.toStdString();
        EXPECT_EQ(message.contains("not a dBASE table"), !known) << message.toStdString();
    }
}

TEST(DbaseVersions, LevelRule)
{
    EXPECT_EQ(read(simple(0x03)).level, 3);
    EXPECT_EQ(read(simple(0x83)).level, 3);
    EXPECT_EQ(read(simple(0x8B)).level, 4); // dBASE IV memo bit
    auto mdx = simple();
    mdx.tableFlags = 1;
    EXPECT_EQ(read(mdx).level, 4);
    auto driver = simple();
    driver.languageDriverId = 0x1B;
    EXPECT_EQ(read(driver).level, 4);
    auto floating = simple();
    floating.fields.push_back({"RATE", 'F', 10, 2});
    EXPECT_EQ(read(floating).level, 4);
    auto blob = simple(0x8B);
    blob.fields.push_back({"IMAGE", 'B', 10});
    EXPECT_EQ(read(blob).level, 5);
    auto ole = simple(0x83);
    ole.fields.push_back({"OLE", 'G', 10});
    EXPECT_EQ(read(ole).level, 5);
    EXPECT_EQ(read(simple(0x04)).level, 7);
    EXPECT_EQ(read(simple(0x30)).level, 25);
}

TEST(DbaseVersions, FoxProHintsOnDbaseThreeVersionBytes)
{
    auto integer = simple();
    integer.fields.push_back({"ID", 'I', 4});
    EXPECT_EQ(read(integer).tableType.toStdString(), "FOXPRO");

    auto dbl = simple();
    dbl.fields.push_back({"RATE", 'B', 8, 2});
    const auto foxDouble = read(dbl);
    EXPECT_EQ(foxDouble.tableType.toStdString(), "FOXPRO");
    EXPECT_EQ(foxDouble.fields[2].type, FieldType::Float);

    auto flagged = simple();
    flagged.tableFlags = 1;
    const QByteArray index(1024, '\0');
    DbaseCompanions cdxOnly;
    cdxOnly.cdx = bytesOf(QStringLiteral("T.CDX"), index);
    EXPECT_EQ(read(flagged, cdxOnly).tableType.toStdString(), "FOXPRO");
    DbaseCompanions both = cdxOnly;
    both.mdx = bytesOf(QStringLiteral("T.MDX"), index);
    EXPECT_EQ(read(flagged, both).tableType.toStdString(), "DBASE");
    EXPECT_EQ(read(simple(), cdxOnly).tableType.toStdString(), "DBASE"); // no structural-index flag

    // a level-7 table is dBASE whatever lies beside it
    auto seven = simple(0x04);
    seven.tableFlags = 1;
    seven.fields.push_back({"ID", 'I', 4});
    EXPECT_EQ(read(seven, cdxOnly).tableType.toStdString(), "DBASE");
}

TEST(DbaseFields, NumericWidthDecidesSmallIntegerOrFloat)
{
    const auto t = read(tableOf(0x03, {{"A", 'N', 4}, {"B", 'N', 5}, {"C", 'N', 4, 1}, {"D", 'F', 4}}));
    EXPECT_EQ(t.fields[0].type, FieldType::SmallInt);
    EXPECT_EQ(t.fields[0].logicalType, LogicalType::Int16);
    EXPECT_EQ(t.fields[1].type, FieldType::Float);
    EXPECT_EQ(t.fields[2].type, FieldType::Float);
    EXPECT_EQ(t.fields[2].units1, 4);
    EXPECT_EQ(t.fields[2].units2, 1);
    EXPECT_EQ(t.fields[3].type, FieldType::Float);
    EXPECT_EQ(t.fields[0].size, 0);
}

TEST(DbaseFields, UnknownTypeLettersAreKeptAsUnknown)
{
    const auto t = read(tableOf(0x03, {{"A", 'X', 6}}));
    EXPECT_EQ(t.fields[0].type, FieldType::Unknown);
    EXPECT_EQ(t.fields[0].storedType.toStdString(), "X");
    EXPECT_EQ(t.recordBufferSize, 6);
}

TEST(DbaseHeaders, InconsistentHeadersAreDamage)
{
    // no fields at all
    EXPECT_EQ(failureOf(buildDbf(tableOf(0x03, {}))), FormatError::Kind::Damaged);
    // record length that does not add up
    QByteArray bytes = buildDbf(simple());
    bytes[10] = char(bytes[10] + 1);
    EXPECT_EQ(failureOf(bytes), FormatError::Kind::Damaged);
    // header length beyond the file
    bytes = buildDbf(simple());
    bytes[8] = char(0xFF);
    bytes[9] = char(0x7F);
    EXPECT_EQ(failureOf(bytes), FormatError::Kind::Damaged);
    // terminator missing: the descriptors would run into the records
    bytes = buildDbf(simple());
    bytes[96] = 'X';
    EXPECT_EQ(failureOf(bytes), FormatError::Kind::Damaged);
    // more records counted than the file holds
    auto counted = simple();
    counted.recordCount = 3;
    bytes = buildDbf(counted);
    bytes.chop(2);
    QString message;
    EXPECT_EQ(failureOf(bytes, &message), FormatError::Kind::Damaged);
    EXPECT_TRUE(message.contains(QLatin1String("records"))) << message.toStdString();
    // a type byte that is no letter
    bytes = buildDbf(simple());
    bytes[32 + 11] = '\0';
    EXPECT_EQ(failureOf(bytes), FormatError::Kind::Damaged);
}

TEST(DbaseHeaders, DescriptorsAreCountedToTheTerminator)
{
    // header length padded past the terminator, as some writers leave it
    auto padded = simple();
    padded.trailer = QByteArray(7, '\0');
    EXPECT_EQ(read(padded).fields.size(), 2u);
}

TEST(DbaseHeaders, EncryptedTablesShowTheirStructure)
{
    auto spec = simple(0x8B);
    spec.encryptionFlag = 1;
    const auto t = read(spec);
    EXPECT_EQ(t.fields.size(), 2u);
    EXPECT_EQ(t.auxPasswordCount, 0);
}

TEST(DbaseHeaders, LevelSevenDriverNames)
{
    auto spec = simple(0x04);
    spec.languageDriverName = "dbwinwe0";
    EXPECT_EQ(read(spec).languageDriverDescription.toStdString(), "'WEurope' ANSI");
    spec.languageDriverName = "ascii"; // a Paradox driver: the code page the Paradox reader uses
    EXPECT_EQ(read(spec).codePage, 437);
    EXPECT_EQ(read(spec).languageDriverDescription.toStdString(), "Paradox 'ascii'");
    spec.languageDriverName = "DB866XX0"; // not in the list: its name still gives the code page
    const auto unlisted = read(spec);
    EXPECT_EQ(unlisted.codePage, 866);
    EXPECT_TRUE(unlisted.languageDriverDescription.isEmpty());
    EXPECT_EQ(unlisted.languageDriverName.toStdString(), "DB866XX0");
    spec.languageDriverName.clear(); // no name: byte 29 serves
    spec.languageDriverId = 0x26;
    EXPECT_EQ(read(spec).languageDriverDescription.toStdString(), "dBASE RUS cp866");
}

TEST(DbaseMemo, BlockSizeComesFromTheMemoHeader)
{
    auto spec = simple(0x8B);
    spec.fields.push_back({"NOTE", 'M', 10});
    QByteArray dbt(512, '\0');
    dbt[20] = 0x00;
    dbt[21] = 0x08; // 2048-byte blocks
    DbaseCompanions c;
    c.dbt = bytesOf(QStringLiteral("T.DBT"), dbt);
    EXPECT_EQ(read(spec, c).blockSizeKb, 2);
    EXPECT_EQ(read(spec).blockSizeKb, 0); // memo file not found

    // a dBASE III memo file has no block size field
    auto three = simple(0x83);
    three.fields.push_back({"NOTE", 'M', 10});
    EXPECT_EQ(read(three, c).blockSizeKb, 0);

    QByteArray fpt(512, '\0');
    fpt[6] = 0x04; // 1024, big-endian
    auto fox = simple(0xF5);
    fox.fields.push_back({"NOTE", 'M', 10});
    DbaseCompanions f;
    f.fpt = bytesOf(QStringLiteral("T.FPT"), fpt);
    EXPECT_EQ(read(fox, f).blockSizeKb, 1);

    // a memo file too short for its header is damage, named by the memo file
    DbaseCompanions broken;
    const QByteArray tiny(10, '\0');
    broken.dbt = bytesOf(QStringLiteral("T.DBT"), tiny);
    try {
        read(spec, broken);
        ADD_FAILURE() << "read without error";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.file().toStdString(), "T.DBT");
    }
}

// A level-7 table with one field of each kind that takes a value.
DbfSpec propertiesTable(const std::vector<StandardProperty>& properties)
{
    DbfSpec spec;
    spec.version = 0x04;
    spec.languageDriverName = "DBWINUS0";
    spec.fields = {{"NAME", 'C', 10}, {"QTY", 'N', 4},   {"PRICE", 'N', 10, 2}, {"BORN", 'D', 8},  {"OK", 'L', 1},
                   {"COUNT", 'I', 4}, {"RATIO", 'O', 8}, {"STAMP", '@', 8},     {"NOTE", 'M', 10}, {"ID", '+', 4}};
    spec.trailer = buildProperties(properties);
    return spec;
}

const ValidityCheck* checkOf(const TableDefinition& t, int field)
{
    for (const auto& c : t.validityChecks)
        if (c.fieldNumber == field)
            return &c;
    return nullptr;
}

TEST(DbaseValidity, StandardPropertiesBecomeEngineValues)
{
    const auto t = read(propertiesTable({
        {1, 2, 1, {}},                         // QTY required
        {1, 2, 2, "  -5"},                     // QTY minimum
        {1, 2, 3, "9999"},                     // QTY maximum
        {1, 3, 4, "     12.50"},               // PRICE default
        {1, 3, 3, "1.2500E+03"},               // PRICE maximum, in exponent form
        {1, 4, 2, "19960101"},                 // BORN minimum
        {1, 5, 4, "T"},                        // OK default
        {1, 6, 2, hex("8000006F")},            // COUNT minimum 111
        {1, 7, 2, hex("3F970051EB851EB7")},    // RATIO minimum -199.99
        {1, 7, 3, hex("C045D33333333333")},    // RATIO maximum 43.65
        {1, 8, 4, hex("42CC418BA99A0000")},    // STAMP default 1970-01-01 00:00
        {1, 1, 4, "abc       "},               // NAME default
        {1, 9, 4, "0000000001"},               // NOTE default: memo, no value
        {1, 0, 6, QByteArray("QTY > 0\0", 8)}, // table constraint: no check
    }));
    ASSERT_EQ(t.validityChecks.size(), 8u); // NAME QTY PRICE BORN OK COUNT RATIO STAMP

    const auto* qty = checkOf(t, 2);
    ASSERT_TRUE(qty);
    EXPECT_TRUE(qty->required);
    ASSERT_TRUE(qty->hasMinimum && qty->hasMaximum);
    EXPECT_FALSE(qty->hasDefault);
    EXPECT_EQ(slot::int16(qty->minimum), -5);
    EXPECT_EQ(slot::int16(qty->maximum), 9999);

    const auto* price = checkOf(t, 3);
    ASSERT_TRUE(price && price->hasDefault);
    EXPECT_DOUBLE_EQ(slot::float64(price->defaultValue), 12.5);
    ASSERT_TRUE(price->hasMaximum);
    EXPECT_DOUBLE_EQ(slot::float64(price->maximum), 1250.0);
    EXPECT_FALSE(price->required);

    const auto* born = checkOf(t, 4);
    ASSERT_TRUE(born && born->hasMinimum);
    EXPECT_EQ(slot::int32(born->minimum), 728659); // 1 January 1996, counted from 1 January of year 1

    const auto* ok = checkOf(t, 5);
    ASSERT_TRUE(ok && ok->hasDefault);
    EXPECT_EQ(std::to_integer<int>(ok->defaultValue[0]), 1);

    const auto* count = checkOf(t, 6);
    ASSERT_TRUE(count && count->hasMinimum);
    EXPECT_EQ(slot::int32(count->minimum), 111);

    const auto* ratio = checkOf(t, 7);
    ASSERT_TRUE(ratio && ratio->hasMinimum && ratio->hasMaximum);
    EXPECT_DOUBLE_EQ(slot::float64(ratio->minimum), -199.99);
    EXPECT_DOUBLE_EQ(slot::float64(ratio->maximum), 43.65);

    const auto* stamp = checkOf(t, 8);
    ASSERT_TRUE(stamp && stamp->hasDefault);
    EXPECT_DOUBLE_EQ(slot::float64(stamp->defaultValue), 62135683200000.0);

    const auto* name = checkOf(t, 1);
    ASSERT_TRUE(name && name->hasDefault);
    EXPECT_EQ(slot::string(name->defaultValue).toStdString(), "abc");

    EXPECT_EQ(checkOf(t, 9), nullptr); // a memo default has no value the engine hands out
    EXPECT_TRUE(t.validityChecks.front().picture.isEmpty());
}

TEST(DbaseValidity, HighestGenerationCounts)
{
    const auto t = read(propertiesTable({
        {3, 1, 4, "newest    "},
        {1, 1, 4, "oldest    "},
        {2, 1, 4, "middle    "},
    }));
    ASSERT_EQ(t.validityChecks.size(), 1u);
    EXPECT_EQ(slot::string(t.validityChecks[0].defaultValue).toStdString(), "newest");
}

TEST(DbaseValidity, BlankValuesAreNotSet)
{
    const auto t = read(propertiesTable({
        {1, 1, 4, "          "},
        {1, 3, 2, "         ."},
        {1, 4, 4, "        "},
        {1, 5, 4, "?"},
    }));
    EXPECT_TRUE(t.validityChecks.empty());
}

TEST(DbaseValidity, ChecksOnlyAtLevelSeven)
{
    // the same trailer behind a level-4 header is padding, not properties
    auto spec = propertiesTable({{1, 2, 1, {}}});
    spec.version = 0x8B;
    spec.fields.pop_back(); // '+' and the binary types exist at level 7 only
    spec.fields.erase(spec.fields.begin() + 5, spec.fields.begin() + 8);
    EXPECT_TRUE(read(spec).validityChecks.empty());
}

TEST(DbaseValidity, DamagedPropertiesAreDamage)
{
    // a field number beyond the fields
    EXPECT_EQ(failureOf(buildDbf(propertiesTable({{1, 11, 1, {}}}))), FormatError::Kind::Damaged);
    // a value that is no number
    EXPECT_EQ(failureOf(buildDbf(propertiesTable({{1, 3, 2, "      abc."}}))), FormatError::Kind::Damaged);
    // a date that is no date
    EXPECT_EQ(failureOf(buildDbf(propertiesTable({{1, 4, 2, "19961340"}}))), FormatError::Kind::Damaged);
    // a small integer out of range
    EXPECT_EQ(failureOf(buildDbf(propertiesTable({{1, 2, 2, "99999"}}))), FormatError::Kind::Damaged);
    // a binary value of the wrong size
    EXPECT_EQ(failureOf(buildDbf(propertiesTable({{1, 6, 2, hex("800000")}}))), FormatError::Kind::Damaged);
    // descriptors claimed beyond the header
    auto spec = propertiesTable({{1, 2, 1, {}}});
    spec.trailer[0] = char(200);
    EXPECT_EQ(failureOf(buildDbf(spec)), FormatError::Kind::Damaged);
    // a value offset beyond the header
    spec = propertiesTable({{1, 3, 2, "     12.50"}});
    spec.trailer[16 + 11] = char(0xF0);
    EXPECT_EQ(failureOf(buildDbf(spec)), FormatError::Kind::Damaged);
}

} // namespace
} // namespace korvex::dbase::test
