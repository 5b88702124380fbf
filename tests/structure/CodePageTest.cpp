#include "CodePage.h"

#include <gtest/gtest.h>

using namespace korvex;

namespace {
std::span<const std::byte> bytes(const char* s, std::size_t n)
{
    return {reinterpret_cast<const std::byte*>(s), n};
}
} // namespace

TEST(CodePage, DecodesDosAndWindowsPagesWithARealConverter)
{
    // 0x81 is u-umlaut in 437 and 850, a control character position in 1252.
    EXPECT_EQ(CodePage(437).decode(bytes("M\x81ller", 6)), QString::fromUtf8("Müller"));
    EXPECT_EQ(CodePage(850).decode(bytes("M\x81ller", 6)), QString::fromUtf8("Müller"));
    EXPECT_EQ(CodePage(1252).decode(bytes("M\xFCller", 6)), QString::fromUtf8("Müller"));
    // Cyrillic: 0x80 is A in 866, 0xC0 is A in 1251.
    EXPECT_EQ(CodePage(866).decode(bytes("\x80", 1)), QString::fromUtf8("А"));
    EXPECT_EQ(CodePage(1251).decode(bytes("\xC0", 1)), QString::fromUtf8("А"));
}

TEST(CodePage, UnknownNumbersReadAsWindows1252)
{
    EXPECT_STREQ(CodePage(0).converterName(), "windows-1252");
    EXPECT_STREQ(CodePage(12345).converterName(), "windows-1252");
    EXPECT_EQ(CodePage(0).decode(bytes("\xE9", 1)), QString::fromUtf8("é"));
}

TEST(CodePage, EncodesForPasswordChecks)
{
    EXPECT_EQ(CodePage(1252).encode(QString::fromUtf8("é1")), QByteArray("\xE9" "1"));
    EXPECT_EQ(CodePage(850).encode(QString::fromUtf8("ü")), QByteArray("\x81"));
}
