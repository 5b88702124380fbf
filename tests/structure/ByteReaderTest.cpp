#include "ByteReader.h"

#include <gtest/gtest.h>

#include <vector>

using namespace korvex;

namespace {

std::vector<std::byte> bytesOf(std::initializer_list<int> values)
{
    std::vector<std::byte> v;
    for (int x : values)
        v.push_back(std::byte(x));
    return v;
}

} // namespace

TEST(ByteReader, AssemblesLittleAndBigEndianValuesFromBytes)
{
    const auto data = bytesOf({0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x80, 0x01});
    ByteReader r(FileBytes{"t.db", data});
    EXPECT_EQ(r.u16le("a"), 0x1234);
    EXPECT_EQ(r.u32le("b"), 0x12345678u);
    EXPECT_EQ(r.u16be("c"), 0x8001);
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReader, OverrunNamesFileOffsetAndWhatWasRead)
{
    const auto data = bytesOf({1, 2, 3});
    ByteReader r(FileBytes{"CUSTOMER.DB", data});
    r.skip(2, "padding");
    try {
        r.u16le("record size");
        FAIL() << "no error";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.kind(), FormatError::Kind::Damaged);
        EXPECT_EQ(e.file(), "CUSTOMER.DB");
        EXPECT_EQ(e.offset(), 2u);
        EXPECT_TRUE(e.message().contains("record size")) << e.message().toStdString();
    }
}

TEST(ByteReader, SubCursorKeepsFileOffsetsAndCannotLeaveItsWindow)
{
    const auto data = bytesOf({0, 0, 0, 0, 9, 8, 7});
    ByteReader r(FileBytes{"x", data});
    auto s = r.sub(4, 2, "window");
    EXPECT_EQ(s.position(), 4u);
    EXPECT_EQ(s.u8("first"), 9);
    EXPECT_EQ(s.u8("second"), 8);
    EXPECT_THROW(s.u8("third"), FormatError);
    EXPECT_THROW(r.sub(5, 3, "too long"), FormatError);
    // An offset near SIZE_MAX must not wrap around the bounds check.
    EXPECT_THROW(r.sub(SIZE_MAX, 2, "huge"), FormatError);
    EXPECT_THROW(r.u16leAt(SIZE_MAX - 1, "huge"), FormatError);
}

TEST(ByteReader, StringsStopAtNulOrSlotEnd)
{
    const auto data = bytesOf({'A', 'B', 0, 'x', 'C', 'D', 'E', 'F', 0});
    ByteReader r(FileBytes{"x", data});
    EXPECT_EQ(r.fixedString(4, "slot").size(), 2u);
    EXPECT_EQ(r.position(), 4u);
    EXPECT_EQ(r.zString(10, "name").size(), 4u);
    EXPECT_EQ(r.position(), 9u);
}

TEST(ByteReader, ZStringWithoutTerminatorFails)
{
    const auto unterminated = bytesOf({'A', 'B', 'C'});
    ByteReader a(FileBytes{"x", unterminated});
    EXPECT_THROW(a.zString(10, "name"), FormatError);

    const auto tooLong = bytesOf({'A', 'B', 'C', 'D', 0});
    ByteReader b(FileBytes{"x", tooLong});
    EXPECT_THROW(b.zString(3, "name"), FormatError);
    ByteReader c(FileBytes{"x", tooLong});
    EXPECT_EQ(c.zString(4, "name").size(), 4u);
}
