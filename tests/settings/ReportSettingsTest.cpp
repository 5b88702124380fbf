#include "ReportSettings.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

using namespace korvex;
using korvex::test::readWholeFile;
using korvex::test::writeFile;

namespace {

class LoadReportSettingsTest : public ::testing::Test {
protected:
    QString iniPath() const { return dir_.filePath(QStringLiteral("KORVEX20.INI")); }
    ReportSettings load(const QByteArray& options)
    {
        EXPECT_TRUE(writeFile(iniPath(), "[Options]\n" + options));
        return LoadReportSettings(settings_);
    }

    QTemporaryDir dir_;
    SettingsFile settings_{iniPath()};
};

} // namespace

TEST_F(LoadReportSettingsTest, FirstStartTakesEveryDefaultAndWritesOnlyTheTwoHandEditedKeys)
{
    const ReportSettings report = LoadReportSettings(settings_);

    EXPECT_TRUE(report.PrintPageNr);
    EXPECT_TRUE(report.PrintDate);
    EXPECT_TRUE(report.PrintGrid);
    EXPECT_FALSE(report.PrintCopyright);
    EXPECT_TRUE(report.PrintHeader);
    EXPECT_TRUE(report.PrintZebraPattern);
    EXPECT_TRUE(report.SecondaryIndex);
    EXPECT_TRUE(report.RefIntegrity);
    EXPECT_TRUE(report.RefIntegrityMaster);
    EXPECT_TRUE(report.RefIntegrityDependent);
    EXPECT_EQ(report.OffsetFirstField, 0);
    EXPECT_EQ(report.ZebraGray, 229);
    EXPECT_EQ(report.IndexChar, "*");
    EXPECT_FALSE(report.Margins_Disabled);
    EXPECT_EQ(report.Margin_Left, 20);
    EXPECT_EQ(report.Margin_Right, 18);
    EXPECT_EQ(report.Margin_Top, 0);
    EXPECT_EQ(report.Margin_Bottom, 0);
    for (const HeaderOptions* header : {&report.mainHeader, &report.subHeader}) {
        EXPECT_EQ(header->visibility, "Do not print");
        EXPECT_EQ(header->text, "");
        EXPECT_EQ(header->alignment, "Center");
        EXPECT_EQ(header->fontName, "Arial");
        EXPECT_EQ(header->fontSize, 11);
        EXPECT_EQ(header->fontAttributes, "Standard");
        EXPECT_EQ(header->spacingBefore, 0);
        EXPECT_EQ(header->spacingAfter, 10);
    }
    EXPECT_TRUE(report.Portrait);
    EXPECT_EQ(report, ReportSettings()) << "the record's own defaults are the file's defaults";

    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nOffsetFirstField=0\nIndexChar=*\n");
}

TEST_F(LoadReportSettingsTest, StoredOptionsAreLoaded)
{
    const ReportSettings report = load("PrintPageNr=0\nPrintDate=0\nPrintGrid=0\nPrintCopyright=1\n"
                                       "PrintHeader=0\nPrintZebraPattern=0\nSecondaryIndex=0\nRefIntegrity=0\n"
                                       "RefIntegrityMaster=0\nRefIntegrityDependent=5\nOffsetFirstField=-3\n"
                                       "Margins_Disabled=1\nMargin_Left=5\nMargin_Right=$10\nMargin_Top=7\n"
                                       "Margin_Bottom=abc\nPortrait=0\n");
    EXPECT_FALSE(report.PrintPageNr);
    EXPECT_FALSE(report.PrintDate);
    EXPECT_FALSE(report.PrintGrid);
    EXPECT_TRUE(report.PrintCopyright);
    EXPECT_FALSE(report.PrintHeader);
    EXPECT_FALSE(report.PrintZebraPattern);
    EXPECT_FALSE(report.SecondaryIndex);
    EXPECT_FALSE(report.RefIntegrity);
    EXPECT_FALSE(report.RefIntegrityMaster);
    EXPECT_TRUE(report.RefIntegrityDependent);
    EXPECT_EQ(report.OffsetFirstField, -3);
    EXPECT_TRUE(report.Margins_Disabled);
    EXPECT_EQ(report.Margin_Left, 5);
    EXPECT_EQ(report.Margin_Right, 16);
    EXPECT_EQ(report.Margin_Top, 7);
    EXPECT_EQ(report.Margin_Bottom, 0);
    EXPECT_FALSE(report.Portrait);
}

TEST_F(LoadReportSettingsTest, PortraitThatIsNoNumberMeansPortrait)
{
    EXPECT_TRUE(load("Portrait=abc\n").Portrait);
}

TEST_F(LoadReportSettingsTest, OffsetFirstFieldIsWrittenBackOnlyWhenItReadsZero)
{
    load("OffsetFirstField=3\nIndexChar=#\n");
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nOffsetFirstField=3\nIndexChar=#\n");

    // Text that is no number reads as 0 and so is replaced by the 0 that stands for it.
    const ReportSettings report = load("OffsetFirstField=abc\nIndexChar=#\n");
    EXPECT_EQ(report.OffsetFirstField, 0);
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nOffsetFirstField=0\nIndexChar=#\n");
}

TEST_F(LoadReportSettingsTest, IndexCharUsesItsFirstCharacterAndIsWrittenBackOnlyAsStar)
{
    EXPECT_EQ(load("OffsetFirstField=0\nIndexChar=#+\n").IndexChar, "#");
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nOffsetFirstField=0\nIndexChar=#+\n");

    EXPECT_EQ(load("OffsetFirstField=0\nIndexChar=*+\n").IndexChar, "*");
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nOffsetFirstField=0\nIndexChar=*\n");

    EXPECT_EQ(load("OffsetFirstField=0\nIndexChar=\n").IndexChar, "");
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nOffsetFirstField=0\nIndexChar=\n");

    EXPECT_EQ(load("IndexChar=\xF0\x9F\x94\x91x\nOffsetFirstField=0\n").IndexChar,
              QString::fromUtf8("\xF0\x9F\x94\x91"))
        << "a character outside the basic plane is one character";
}

TEST_F(LoadReportSettingsTest, LoadWithTheHandEditedKeysInPlaceWritesNothing)
{
    ASSERT_TRUE(writeFile(iniPath(), "[Options]\noffsetfirstfield=0\nIndexChar=*\n"));
    const QFileInfo before(iniPath());
    const auto inode = before.fileTime(QFileDevice::FileMetadataChangeTime);
    LoadReportSettings(settings_);
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\noffsetfirstfield=0\nIndexChar=*\n");
    EXPECT_EQ(QFileInfo(iniPath()).fileTime(QFileDevice::FileMetadataChangeTime), inode);
}

TEST_F(LoadReportSettingsTest, SettingsFileThatCannotBeWrittenNoLongerStopsThePrint)
{
    QStringList warnings;
    settings_.setWarning([&](const QString& text) { warnings << text; });
    const QByteArray old = "[Options]\nPrintGrid=0\nMargin_Left=30\n";
    ASSERT_TRUE(writeFile(iniPath(), old));
    // Files may grow to 16 bytes only, for root as well (a read-only folder stops no root).
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    ReportSettings first;
    bool loaded = true;
    try {
        first = LoadReportSettings(settings_);
        LoadReportSettings(settings_); // the next table of the run
    } catch (...) {
        loaded = false;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    // The values that could not be written back are used as read.
    ASSERT_TRUE(loaded);
    EXPECT_EQ(first.OffsetFirstField, 0);
    EXPECT_EQ(first.IndexChar, "*");
    EXPECT_FALSE(first.PrintGrid);
    EXPECT_EQ(first.Margin_Left, 30);
    EXPECT_EQ(readWholeFile(iniPath()), old);
    // Two keys over two tables, told once.
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("Kann nicht nach %1 schreiben").arg(iniPath())))
        << warnings[0].toStdString();
}

TEST_F(LoadReportSettingsTest, HeaderOptionsAreCutToTheirLengths)
{
    const ReportSettings report = load(
        "Main_Header_Visible=1. Page only and more\n"
        "Main_Header_Text=%TABLENAME on %DATE, a long text that is never cut at all by the loader\n"
        "Main_Header_Alignment=Right aligned, please\n"
        "Main_Header_FontName=Times New Roman Extra Condensed\n"
        "Main_Header_FontSize= 14\n"
        "Main_Header_FontAttr=Bold/Italic/Underlined\n"
        "Main_Header_Spacing_B=3\n"
        "Main_Header_Spacing_A=x\n"
        "Sub_Header_Visible=2. - n. Page\n"
        "Sub_Header_Text=Page %PAGE\n"
        "Sub_Header_Alignment=Left\n"
        "Sub_Header_FontName=Courier New\n"
        "Sub_Header_FontSize=$0A\n"
        "Sub_Header_FontAttr=Italic\n"
        "Sub_Header_Spacing_B=0x10\n"
        "Sub_Header_Spacing_A=0\n");
    const HeaderOptions& main = report.mainHeader;
    EXPECT_EQ(main.visibility, "1. Page only an");
    EXPECT_EQ(main.text, "%TABLENAME on %DATE, a long text that is never cut at all by the loader");
    EXPECT_EQ(main.alignment, "Right aligned, ");
    EXPECT_EQ(main.fontName, "Times New Roman Extra Con");
    EXPECT_EQ(main.fontSize, 14);
    EXPECT_EQ(main.fontAttributes, "Bold/Italic/Und");
    EXPECT_EQ(main.spacingBefore, 3);
    EXPECT_EQ(main.spacingAfter, 10);

    const HeaderOptions expectedSub{"2. - n. Page", "Page %PAGE", "Left", "Courier New", 10, "Italic", 16, 0};
    EXPECT_EQ(report.subHeader, expectedSub);
}

TEST_F(LoadReportSettingsTest, FontSizeThatIsNoWholeNumberIsAValueError)
{
    for (const char* options :
         {"Main_Header_FontSize=11.5\n", "Main_Header_FontSize=\n", "Sub_Header_FontSize=big\n"}) {
        SCOPED_TRACE(options);
        try {
            load(options);
            ADD_FAILURE() << "no error";
        } catch (const SettingsValueError& e) {
            const QString value = QString::fromLatin1(options).section(QLatin1Char('='), 1).chopped(1);
            const QString key = QString::fromLatin1(options).section(QLatin1Char('='), 0, 0);
            EXPECT_EQ(e.key(), key);
            EXPECT_EQ(e.value(), value);
            EXPECT_EQ(e.message(), "The setting " + key + " in section [Options] holds \"" + value +
                                       "\", which is not a whole number");
        }
    }
}

// --- The zebra shading ---------------------------------------------------------------------

TEST(ZebraGray, TheTenListEntriesGiveTheirGreys)
{
    const QStringList choices = zebraShadingChoices();
    ASSERT_EQ(choices, (QStringList{"05 %", "10 %", "15 %", "20 %", "25 %", "30 %", "35 %", "40 %", "45 %", "50 %"}));
    const std::vector<int> expected{242, 229, 216, 204, 191, 178, 165, 153, 140, 127};
    for (qsizetype i = 0; i < choices.size(); ++i)
        EXPECT_EQ(zebraGrayOf(choices[i]), expected[std::size_t(i)]) << choices[i].toStdString();
}

TEST(ZebraGray, OnlyTwoLeadingDigitsMakeAPercentage)
{
    EXPECT_EQ(zebraGrayOf(QStringLiteral("10%")), 229); // the default
    EXPECT_EQ(zebraGrayOf(QStringLiteral("5 %")), 229); // one digit: p = 10, not 5
    EXPECT_EQ(zebraGrayOf(QStringLiteral("07 %")), 237);
    EXPECT_EQ(zebraGrayOf(QStringLiteral("07")), 237);
    EXPECT_EQ(zebraGrayOf(QStringLiteral("00 %")), 255);
    EXPECT_EQ(zebraGrayOf(QStringLiteral("99 %")), 2);    // 255 - 252.45
    EXPECT_EQ(zebraGrayOf(QStringLiteral("12345")), 224); // 255 - 30.6
    EXPECT_EQ(zebraGrayOf(QStringLiteral("")), 229);
    EXPECT_EQ(zebraGrayOf(QStringLiteral("7")), 229);
    EXPECT_EQ(zebraGrayOf(QStringLiteral(" 50 %")), 229);
    EXPECT_EQ(zebraGrayOf(QStringLiteral("ab %")), 229);
}

TEST_F(LoadReportSettingsTest, ZebraShadingComesFromColorZebraPattern)
{
    EXPECT_EQ(load("ColorZebraPattern=50 %\n").ZebraGray, 127);
    EXPECT_EQ(load("ColorZebraPattern=5 %\n").ZebraGray, 229);
}

// --- Header choices --------------------------------------------------------------------------

TEST(FontStyleOf, OnlyTheExactAttributeTextsGiveStyles)
{
    EXPECT_EQ(FontStyleOf(QStringLiteral("Bold")), (FontStyle{true, false}));
    EXPECT_EQ(FontStyleOf(QStringLiteral("Italic")), (FontStyle{false, true}));
    EXPECT_EQ(FontStyleOf(QStringLiteral("Bold/Italic")), (FontStyle{true, true}));
    EXPECT_EQ(FontStyleOf(QStringLiteral("Standard")), FontStyle{});
    EXPECT_EQ(FontStyleOf(QStringLiteral("bold")), FontStyle{});
    EXPECT_EQ(FontStyleOf(QStringLiteral("Bold ")), FontStyle{});
    EXPECT_EQ(FontStyleOf(QString()), FontStyle{});
}
