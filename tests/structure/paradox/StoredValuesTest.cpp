// Stored values (record encoding) turned into the engine's encoding: the format's worked
// examples, values from the data records of real sample tables, and pxlib's encoder.

#include "ParadoxTestSupport.h"
#include "TestSupport.h"

#include "EngineValues.h"
#include "paradox/ParadoxFieldTypes.h"
#include "paradox/StoredValues.h"

#include <gtest/gtest.h>

#include <QDate>

#include <cmath>

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

std::span<const std::byte> view(const QByteArray& b)
{
    return test::asBytes(b);
}

const CodePage Ansi(1252);

struct Decoded {
    bool present = false;
    ValueSlot slot{};
};

Decoded decode(std::uint8_t type, const QByteArray& stored, const CodePage& codePage = Ansi)
{
    Decoded d;
    d.present = decodeStoredValue(type, view(stored), codePage, d.slot);
    return d;
}

double bcdValue(const ValueSlot& slot)
{
    double v = 0;
    EXPECT_TRUE(BcdToFloat(std::span<const std::byte, EngineBcd::Size>(slot.data(), EngineBcd::Size), v));
    return v;
}

// Field `field` (its record offset and size) of record `n` (from 0) in the first data
// block, which follows the header and a 6-byte block header.
QByteArray recordValue(const QString& table, int headerSize, int recordSize, int n, int offset, int size)
{
    const QByteArray file = test::readWholeFile(samplePath(table));
    return file.mid(headerSize + 6 + n * recordSize + offset, size);
}

const QString Fields = QStringLiteral("leonhad+paradoxdriver/src/test/resources/fields/");

} // namespace

TEST(StoredValues, IntegersHaveTheirSignBitComplemented)
{
    EXPECT_EQ(slot::int16(decode(Short, bytes({0x80, 0x01})).slot), 1);
    EXPECT_EQ(slot::int16(decode(Short, bytes({0x81, 0x00})).slot), 256);
    EXPECT_EQ(slot::int16(decode(Short, bytes({0x7F, 0xFF})).slot), -1);
    EXPECT_EQ(slot::int16(decode(Short, bytes({0x7F, 0xFB})).slot), -5);
    EXPECT_EQ(slot::int16(decode(Short, bytes({0x00, 0x01})).slot), -32767);
    EXPECT_EQ(slot::int32(decode(Long, bytes({0x80, 0x00, 0x00, 0x2A})).slot), 42);
    EXPECT_EQ(slot::int32(decode(Long, bytes({0x7F, 0xFF, 0xFF, 0xFF})).slot), -1);
    EXPECT_EQ(slot::int32(decode(AutoIncrement, bytes({0x80, 0x00, 0x01, 0x00})).slot), 256);
}

TEST(StoredValues, AllZeroBytesAreBlank)
{
    for (std::uint8_t type : {Alpha, Short, Long, Number, Money, Logical, Date, Time, Timestamp, Bytes}) {
        const auto size = storedSizeOf(type, type == Alpha || type == Bytes ? 10 : 0);
        const Decoded d = decode(type, QByteArray(qsizetype(size), '\0'));
        EXPECT_FALSE(d.present) << int(type);
        EXPECT_EQ(d.slot, ValueSlot{});
    }
    EXPECT_FALSE(decode(Bcd, QByteArray(17, '\0')).present);
}

TEST(StoredValues, DatesAreDayNumbersFromTheFirstOfJanuaryOfYearOne)
{
    KORVEX_REQUIRE_SAMPLES();
    // The format's worked examples: 1 January 100 is day 36160, 4 May 1996 day 728783.
    EXPECT_EQ(slot::int32(decode(Date, pxlibLong(36160)).slot), 36160);
    EXPECT_EQ(dateOfDayNumber(slot::int32(decode(Date, pxlibLong(36160)).slot)), QDate(100, 1, 1));
    EXPECT_EQ(dateOfDayNumber(slot::int32(decode(Date, pxlibLong(728783)).slot)), QDate(1996, 5, 4));
    // The first record of a 4.x date table holds 1 January 2018.
    const QByteArray stored = recordValue(Fields + "date4.db", 2048, 4, 0, 0, 4);
    EXPECT_EQ(stored, bytes({0x80, 0x0B, 0x3D, 0xB7}));
    EXPECT_EQ(dateOfDayNumber(slot::int32(decode(Date, stored).slot)), QDate(2018, 1, 1));
}

TEST(StoredValues, TimesAreMillisecondsSinceMidnight)
{
    KORVEX_REQUIRE_SAMPLES();
    // The first record of the time table: 01:00:01.
    const QByteArray stored = recordValue(Fields + "time.db", 2048, 4, 0, 0, 4);
    EXPECT_EQ(slot::int32(decode(Time, stored).slot), (3600 + 1) * 1000);
}

TEST(StoredValues, TimestampsAreMillisecondsSinceDayZero)
{
    KORVEX_REQUIRE_SAMPLES();
    // The second record of the timestamp table: 1 February 2020, 01:00:01.
    const QByteArray stored = recordValue(Fields + "timestamp.db", 2048, 8, 1, 0, 8);
    const double expected = double(dayNumberOf(QDate(2020, 2, 1))) * 86400000.0 + 3601000.0;
    EXPECT_EQ(slot::float64(decode(Timestamp, stored).slot), expected);
    EXPECT_FALSE(decode(Timestamp, recordValue(Fields + "timestamp.db", 2048, 8, 0, 0, 8)).present);
}

TEST(StoredValues, NumbersAgreeWithPxlibsEncoding)
{
    for (double v : {-200.0, -1.387, 200.36, 1.37, 0.5, -0.0001, 1e300, -1e-300, 123456789.125}) {
        SCOPED_TRACE(v);
        const QByteArray stored = pxlibDouble(v);
        EXPECT_EQ(slot::float64(decode(Number, stored).slot), v);
        EXPECT_EQ(slot::float64(decode(Money, stored).slot), v);
    }
    // Positive values have the top bit set; negative values are stored inverted.
    EXPECT_EQ(pxlibDouble(1.0), bytes({0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slot::float64(decode(Number, bytes({0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})).slot), -1.0);
    for (short v : {short(1), short(-1), short(-5), short(32767), short(-32767)})
        EXPECT_EQ(slot::int16(decode(Short, pxlibShort(v)).slot), v);
    for (int v : {1, -1, 2147483647, -2147483647, 728783})
        EXPECT_EQ(slot::int32(decode(Long, pxlibLong(v)).slot), v);
}

TEST(StoredValues, LogicalValuesBecomeOneAndZero)
{
    KORVEX_REQUIRE_SAMPLES();
    EXPECT_EQ(std::to_integer<int>(decode(Logical, bytes({0x81})).slot[0]), 1);
    EXPECT_EQ(std::to_integer<int>(decode(Logical, bytes({0x80})).slot[0]), 0);
    EXPECT_TRUE(decode(Logical, bytes({0x80})).present);
    EXPECT_FALSE(decode(Logical, bytes({0x00})).present);
    // The records of the logical table: true, false, true, true.
    const QByteArray stored = recordValue(Fields + "logical.db", 2048, 1, 0, 0, 4);
    EXPECT_EQ(stored, bytes({0x81, 0x80, 0x81, 0x81}));
}

// The BCD table's records, as its repository's tests read them: 1.23, 1 and 0.123, then
// the same negated, then 0, blank and 0.9999 (fields of 2, 0 and 32 decimals).
TEST(StoredValues, BcdValuesOfARealTable)
{
    KORVEX_REQUIRE_SAMPLES();
    const QString table = Fields + "bcd.db";
    auto value = [&](int record, int field) {
        const Decoded d = decode(Bcd, recordValue(table, 2048, 51, record, field * 17, 17));
        return d.present ? std::optional<double>(bcdValue(d.slot)) : std::nullopt;
    };
    EXPECT_DOUBLE_EQ(*value(0, 0), 1.23);
    EXPECT_DOUBLE_EQ(*value(0, 1), 1.0);
    // Written from a double: about 18 digits, then nibbles that are no digits.
    EXPECT_NEAR(*value(0, 2), 0.123, 1e-15);
    EXPECT_DOUBLE_EQ(*value(1, 0), -1.23);
    EXPECT_DOUBLE_EQ(*value(1, 1), -1.0);
    EXPECT_NEAR(*value(1, 2), -0.123, 1e-15);
    EXPECT_DOUBLE_EQ(*value(2, 0), 0.0);
    EXPECT_FALSE(value(2, 1));
    EXPECT_NEAR(*value(2, 2), 0.9999, 1e-15);

    // The engine's packed decimal: precision 32 and the field's decimals.
    const Decoded a = decode(Bcd, recordValue(table, 2048, 51, 1, 0, 17));
    EXPECT_EQ(std::to_integer<int>(a.slot[0]), 32);
    EXPECT_EQ(std::to_integer<int>(a.slot[1]), 0x80 | 2);
}

TEST(StoredValues, BcdWithBitSixClearIsBlank)
{
    QByteArray stored(17, '\0');
    stored[0] = char(0x06); // seen once: a blank of a field with 6 decimals
    EXPECT_FALSE(decode(Bcd, stored).present);
}

// pxlib's encoder needs a decimal point in its text ("7" comes out as 0; its own
// decoder reads that back as 0 too), so whole numbers are given as "7.0".
TEST(StoredValues, BcdAgreesWithPxlibsEncoding)
{
    struct Case {
        const char* text;
        int decimals;
        double value;
    };
    for (const Case& c : {Case{"12.34", 2, 12.34}, Case{"-12.34", 2, -12.34}, Case{"7.0", 0, 7.0},
                          Case{"-0.5", 4, -0.5}, Case{"99999999.99", 2, 99999999.99}}) {
        SCOPED_TRACE(c.text);
        const QByteArray stored = pxlibBcd(c.text, c.decimals);
        const Decoded d = decode(Bcd, stored);
        ASSERT_TRUE(d.present) << stored.toHex().toStdString();
        EXPECT_DOUBLE_EQ(bcdValue(d.slot), c.value);
    }
}

TEST(StoredValues, AlphaValuesAreDecodedFromTheTablesCodePage)
{
    const CodePage dos(850);
    QByteArray stored = bytes({'S', 't', 'r', 'a', 0xE1, 'e'}); // 0xE1 is sharp s in code page 850
    stored.append(QByteArray(4, '\0'));
    EXPECT_EQ(slot::string(decode(Alpha, stored, dos).slot), QString::fromUtf8("Stra\u00dfe").toUtf8());
    // A value that fills its field has no terminator.
    EXPECT_EQ(slot::string(decode(Alpha, QByteArray("ABCDE"), dos).slot), "ABCDE");
}

TEST(StoredValues, BytesAndValuesOfAnUnexpectedSizeAreHandedOutAsStored)
{
    const Decoded b = decode(Bytes, bytes({0x00, 0x12, 0x34}));
    EXPECT_TRUE(b.present);
    EXPECT_EQ(std::to_integer<int>(b.slot[1]), 0x12);
    const Decoded odd = decode(Short, bytes({0x80, 0x01, 0x02}));
    EXPECT_TRUE(odd.present);
    EXPECT_EQ(std::to_integer<int>(odd.slot[0]), 0x80);
}
