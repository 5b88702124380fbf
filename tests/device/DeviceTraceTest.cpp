#include "DeviceTrace.h"

#include "QtPrinting.h"

#include <gtest/gtest.h>

using namespace korvex;

TEST(DeviceTrace, EveryRecordHasItsLine)
{
    const DeviceCaps a4{4758, 6817, 202, 289, 4958, 7017, 100, 100};
    const struct {
        DeviceRecord record;
        const char* line;
    } cases[] = {
        {JobBeginRecord{QStringLiteral("Korvex : CUSTOMER.DB")}, R"(job-begin "Korvex : CUSTOMER.DB")"},
        {CapsRecord{a4}, "caps page=4758x6817 mm=202x289 physical=4958x7017 offset=100,100"},
        {OrientationRecord{Orientation::Portrait}, "orientation portrait"},
        {OrientationRecord{Orientation::Landscape}, "orientation landscape"},
        {PageRecord{12}, "page 12"},
        {FontRecord{FontSpec{}}, R"(font "Arial" 10 color=#000000)"},
        {FontRecord{FontSpec{QStringLiteral("Times New Roman"), 12, true, false, QColor(0xC0, 0x10, 0xAB)}},
         R"(font "Times New Roman" 12 bold color=#c010ab)"},
        {FontRecord{FontSpec{QStringLiteral("Courier New"), 7, false, true, Qt::black}},
         R"(font "Courier New" 7 italic color=#000000)"},
        {FontRecord{FontSpec{QStringLiteral("Arial"), 9, true, true, Qt::white}},
         R"(font "Arial" 9 bold italic color=#ffffff)"},
        {PenRecord{8}, "pen 8"},
        {BrushRecord{std::nullopt}, "brush hollow"},
        {BrushRecord{QColor(192, 192, 192)}, "brush solid #c0c0c0"},
        {BackgroundRecord{false}, "background opaque"},
        {BackgroundRecord{true}, "background transparent"},
        {TextRecord{125, -30, 286, 93, QStringLiteral("Dummy"), {}}, R"(text 125 -30 w=286 h=93 "Dummy")"},
        {TextRecord{0, 0, 0, 93, QString(), {}}, R"(text 0 0 w=0 h=93 "")"},
        {RectRecord{75, 110, 4833, 700, 8, std::nullopt}, "rect 75 110 4833 700"},
        {LineRecord{2404, 110, 2404, 700, 1}, "line 2404 110 2404 700"},
        {JobEndRecord{}, "job-end"},
        {JobAbortRecord{}, "job-abort"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(traceLine(c.record), QString::fromUtf8(c.line));
}

TEST(DeviceTrace, QuotedTextsEscapeBackslashQuoteAndControlCharacters)
{
    EXPECT_EQ(quotedTraceText(QStringLiteral(R"(say "hi")")), QStringLiteral(R"("say \"hi\"")"));
    EXPECT_EQ(quotedTraceText(QStringLiteral(R"(C:\DATA\)")), QStringLiteral(R"("C:\\DATA\\")"));
    EXPECT_EQ(quotedTraceText(QStringLiteral(R"(\")")), QStringLiteral(R"("\\\"")"));
    // A text never breaks its line.
    EXPECT_EQ(quotedTraceText(QStringLiteral("a\nb\rc\td")), QStringLiteral(R"("a\nb\rc\td")"));
    EXPECT_EQ(quotedTraceText(QString(QChar(0x01)) + QChar(0x7f)), QStringLiteral(R"("\u0001\u007f")"));
    // Letters beyond ASCII stay as they are (the trace is UTF-8).
    EXPECT_EQ(quotedTraceText(QStringLiteral("Müller Köln €")), QStringLiteral("\"Müller Köln €\""));
    EXPECT_EQ(traceLine(FontRecord{FontSpec{QStringLiteral("My \"odd\" font"), 10, false, false, Qt::black}}),
              QStringLiteral(R"(font "My \"odd\" font" 10 color=#000000)"));
}
