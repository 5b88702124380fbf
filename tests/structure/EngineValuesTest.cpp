#include "EngineValues.h"

#include <gtest/gtest.h>

using namespace korvex;

TEST(EngineBcd, ConvertsDigitsWithPlacesAndSign)
{
    double v = 0;
    auto bcd = EngineBcd::fromDigits(false, "0012345", 2);
    ASSERT_TRUE(BcdToFloat(bcd.bytes, v));
    EXPECT_DOUBLE_EQ(v, 123.45);

    bcd = EngineBcd::fromDigits(true, "5", 0);
    ASSERT_TRUE(BcdToFloat(bcd.bytes, v));
    EXPECT_DOUBLE_EQ(v, -5.0);

    bcd = EngineBcd::fromDigits(false, "25", 2); // all digits are decimals
    ASSERT_TRUE(BcdToFloat(bcd.bytes, v));
    EXPECT_DOUBLE_EQ(v, 0.25);
}

TEST(EngineBcd, RejectsMalformedPackedDecimals)
{
    double v = 0;
    EngineBcd bcd = EngineBcd::fromDigits(false, "12", 0);
    bcd.bytes[2] = std::byte(0x1A); // nibble above 9
    EXPECT_FALSE(BcdToFloat(bcd.bytes, v));

    bcd = EngineBcd::fromDigits(false, "12", 0);
    bcd.bytes[1] = std::byte(5); // more places than digits
    EXPECT_FALSE(BcdToFloat(bcd.bytes, v));

    bcd.bytes[0] = std::byte(65);
    EXPECT_FALSE(BcdToFloat(bcd.bytes, v));
}

TEST(ValueSlot, RoundTripsLittleEndianValues)
{
    ValueSlot s{};
    slot::putInt16(s, -5);
    EXPECT_EQ(s[0], std::byte(0xFB));
    EXPECT_EQ(s[1], std::byte(0xFF));
    EXPECT_EQ(slot::int16(s), -5);
    slot::putInt32(s, 0x01020304);
    EXPECT_EQ(s[0], std::byte(0x04));
    EXPECT_EQ(slot::int32(s), 0x01020304);
    slot::putDouble(s, -1.387);
    EXPECT_DOUBLE_EQ(slot::float64(s), -1.387);
}

TEST(ValueSlot, StringIsCutAtACharacterBoundary)
{
    ValueSlot s{};
    QByteArray text(254, 'a');
    text += "\xC3\xA4"; // a two-byte character straddling byte 255
    slot::putString(s, text);
    EXPECT_EQ(slot::string(s).size(), 254);
    slot::putString(s, "short");
    EXPECT_EQ(slot::string(s), "short");
}

TEST(DayNumbers, DayOneIsTheFirstOfJanuaryOfYearOne)
{
    EXPECT_EQ(dayNumberOf(QDate(1, 1, 1)), 1);
    // Worked examples of the Paradox date format.
    EXPECT_EQ(dayNumberOf(QDate(100, 1, 1)), 36160);
    EXPECT_EQ(dayNumberOf(QDate(1996, 5, 4)), 728783);
    EXPECT_EQ(dateOfDayNumber(728783), QDate(1996, 5, 4));
}
