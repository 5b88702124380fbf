#include "CodePage.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

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
    EXPECT_EQ(CodePage(1252).encode(QString::fromUtf8("é1")), QByteArray("\xE9"
                                                                         "1"));
    EXPECT_EQ(CodePage(850).encode(QString::fromUtf8("ü")), QByteArray("\x81"));
}

// Whatever a file's bytes are, the text handed out carries no control character that could
// break a report line or a JSON consumer: C0, DEL and C1 become U+FFFD.
TEST(CodePage, ControlCharactersFromAFileBecomeReplacementCharacters)
{
    const QString replaced = QString(QChar::ReplacementCharacter);
    EXPECT_EQ(CodePage(1252).decode(bytes("A\x01"
                                          "B\x7F"
                                          "C",
                                          5)),
              "A" + replaced + "B" + replaced + "C");
    EXPECT_EQ(CodePage(1252).decode(bytes("\x90", 1)), replaced); // unassigned in 1252: U+0090
    EXPECT_EQ(CodePage(437).decode(bytes("\x1B[", 2)), replaced + "[");
    EXPECT_EQ(CodePage::withoutControls(QStringLiteral("a\tb")), "a" + replaced + "b");
}

// UTF-8 names ("ШАР" is D0 A8 D0 90 D0 A0) read in code page 1252 give C1 controls; in
// UTF-8 they read right. Names that are not valid UTF-8, or read without controls, or
// are plain ASCII stay in the table's code page.
TEST(CodePage, Utf8NamesThatTheCodePageTurnsIntoControlsReadBetterAsUtf8)
{
    const auto shar = bytes("\xD0\xA8\xD0\x90\xD0\xA0", 6);
    const auto id = bytes("ID", 2);
    EXPECT_TRUE(CodePage(1252).namesReadBetterAsUtf8({id, shar}));
    EXPECT_EQ(CodePage(CodePage::Utf8).decode(shar), QString::fromUtf8("ШАР"));
    EXPECT_FALSE(CodePage(866).namesReadBetterAsUtf8({shar}));                    // no control in 866
    EXPECT_FALSE(CodePage(1252).namesReadBetterAsUtf8({shar, bytes("\x90", 1)})); // not all UTF-8
    EXPECT_FALSE(CodePage(1252).namesReadBetterAsUtf8({bytes("A\x01", 2)}));      // ASCII with a control
}

// A converter was opened for every string (46 for one table); now each page's characters
// are taken once. They must be the characters the converter gives, byte for byte, and a
// page of several bytes per character must still join its bytes.
TEST(CodePage, OneConverterPerPageGivesWhatTheConverterGives)
{
    for (const int number : {437, 850, 852, 866, 1250, 1251, 1252, 1253, 10000}) {
        const CodePage page(number);
        QStringDecoder converter(page.converterName());
        for (int b = 0; b < 256; ++b) {
            const std::byte byte{static_cast<unsigned char>(b)};
            const char c = char(b);
            EXPECT_EQ(page.decode({&byte, 1}), CodePage::withoutControls(converter.decode(QByteArrayView(&c, 1))))
                << number << " byte " << b;
        }
    }
    const std::byte hiragana[] = {std::byte{0x82}, std::byte{0xA0}, std::byte{0x41}};
    EXPECT_EQ(CodePage(932).decode(hiragana), QString::fromUtf8("\u3042A"));
}
