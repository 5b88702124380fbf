#include "ReportContext.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

using namespace korvex;

namespace {

QString identity(const QString& s)
{
    return s;
}

// The fixed metric: 5 dots per point and character (6 bold), 9 dots per point high.
class PageEngine : public ::testing::Test {
protected:
    void start(const DeviceCaps& caps = RecordingDevice::A4Laser)
    {
        if (device_.jobInProgress())
            device_.endJob();
        device_.setCaps(Orientation::Portrait, caps);
        device_.beginJob("Korvex : T.DB");
        context_ = std::make_unique<ReportContext>(device_, settings_, identity, QLocale(QLocale::German));
        context_->now = [] { return QDateTime(QDate(2026, 12, 9), QTime(10, 11, 12)); };
        context_->measureResolution();
        context_->measureHeaders();
        context_->SetUpPage();
    }

    std::vector<TextRecord> texts() const { return device_.recordsOf<TextRecord>(); }

    RecordingDevice device_;
    ReportSettings settings_;
    std::unique_ptr<ReportContext> context_;
};

} // namespace

TEST_F(PageEngine, MarginsCountFromThePaperEdgeBeyondTheUnprintableBorder)
{
    start();
    // A4 at 600 dpi: 4758 x 6817 printable dots on 202 x 289 mm, a 100-dot border.
    // Left 20 mm: nearest(23.5545 * 20) = 471, less the border 100, plus 25.
    EXPECT_EQ(context_->leftX, 396);
    // Right 18 mm: nearest(423.98) = 424, less the right border 100, plus 10: reserve 334.
    EXPECT_EQ(context_->printableWidth, 4758 - 396 - 334);
    // Top and bottom 0 mm lie inside the border: only the fixed 10 dots remain.
    EXPECT_EQ(context_->topY, 10);
    EXPECT_EQ(context_->usableHeight, 6817 - 10 - 0 - 10);
}

TEST_F(PageEngine, DisabledMarginsIgnoreThePrinterBorders)
{
    settings_.Margins_Disabled = true;
    start();
    EXPECT_EQ(context_->leftX, 4758 / 12);
    EXPECT_EQ(context_->printableWidth, 4758 - 4758 / 12 - 4758 / 18);
    EXPECT_EQ(context_->topY, 0);
    EXPECT_EQ(context_->usableHeight, 6817);
}

TEST_F(PageEngine, ColumnGridCarriesA64BitMantissa)
{
    settings_.Margins_Disabled = true;
    // 5573 - 464 - 309 = 4800 printable dots.
    start({5573, 6817, 236, 289, 5773, 7017, 100, 100});
    ASSERT_EQ(context_->printableWidth, 4800);
    EXPECT_EQ(context_->grid(GridFraction::F01666), 799); // 0.1666666666, not a sixth
    EXPECT_EQ(context_->grid(GridFraction::F025), 1200);

    // 4645 - 387 - 258 = 4000.
    start({4645, 6817, 197, 289, 4845, 7017, 100, 100});
    ASSERT_EQ(context_->printableWidth, 4000);
    EXPECT_EQ(context_->grid(GridFraction::F090), 3599);
    EXPECT_EQ(context_->grid(GridFraction::F019), 759);
    EXPECT_EQ(context_->grid(GridFraction::F050), 2000);
}

TEST_F(PageEngine, GridLinesAreTallerAndFewer)
{
    start();
    context_->PlanPages(100);
    // Arial 10: "Dummy" is 90 high; the grid adds 25.
    EXPECT_EQ(context_->lineHeight, 115);
    EXPECT_EQ(context_->linesPerPage, (6797 - 287) / 115 - 1); // 55
    EXPECT_EQ(context_->firstPageLines, 55 - 7);
    EXPECT_EQ(context_->pageCount, 1 + (100 - 48 + 54) / 55);
    EXPECT_EQ(context_->currentY, (115 / 3) * 2);

    settings_.PrintGrid = false;
    start();
    context_->PlanPages(100);
    EXPECT_EQ(context_->lineHeight, 95);
    EXPECT_EQ(context_->linesPerPage, (6797 - 237) / 95 - 1); // 68
}

TEST_F(PageEngine, PagePlanWithoutTheInformationBlock)
{
    settings_.PrintHeader = false;
    start();
    context_->PlanPages(110);
    EXPECT_EQ(context_->firstPageLines, 55);
    EXPECT_EQ(context_->pageCount, 2);
    context_->PlanPages(0);
    EXPECT_EQ(context_->pageCount, 0);
}

TEST_F(PageEngine, APageWithoutRoomForALineIsRefused)
{
    settings_.BodyFontSize = 35;
    start({4758, 600, 202, 25, 4958, 800, 100, 100});
    EXPECT_THROW(context_->PlanPages(10), PrinterError);
}

TEST_F(PageEngine, MarginsThatLeaveNoWidthAreRefusedNotPrintedAsAnEmptyBox)
{
    // A right margin of 999 mm reaches past the left one: nothing across is left.
    settings_.Margin_Right = 999;
    start();
    ASSERT_LT(context_->printableWidth, 0);
    try {
        context_->PlanPages(10);
        ADD_FAILURE() << "planned a page without width";
    } catch (const PrinterError& e) {
        EXPECT_TRUE(e.message().startsWith("No report line fits between the margins")) << e.message().toStdString();
    }

    // 1000 dots across: the 23 % column holds 230 dots, room for a 50-dot character after
    // the 20 dots that every fitted text keeps free; 300 dots (69) hold none.
    settings_.Margins_Disabled = true;
    start({1160, 6817, 49, 289, 1360, 7017, 100, 100});
    ASSERT_EQ(context_->printableWidth, 1000);
    EXPECT_NO_THROW(context_->PlanPages(10));
    start({348, 6817, 15, 289, 548, 7017, 100, 100});
    ASSERT_EQ(context_->printableWidth, 300);
    EXPECT_THROW(context_->PlanPages(10), PrinterError);
}

TEST_F(PageEngine, HeaderSpacingConvertsWithTheVerticalResolution)
{
    // A page 7000 dots and 296 mm high: 23.6486 dots per mm, 10 mm are 236 dots.
    settings_.mainHeader.visibility = HeaderChoice::AllPages;
    settings_.mainHeader.text = "";
    start({4758, 7000, 202, 296, 4958, 7200, 100, 100});
    EXPECT_EQ(context_->mainHeaderHeight, 9 * 11 + 236); // reserved although the text is empty
    EXPECT_EQ(context_->subHeaderHeight, 0);
}

TEST_F(PageEngine, FirstPageOnlyMainHeaderAndLaterPagesSubHeader)
{
    settings_.mainHeader.visibility = HeaderChoice::FirstPageOnly;
    settings_.mainHeader.text = "Main %TABLENAME";
    settings_.mainHeader.spacingBefore = 2;
    settings_.subHeader.visibility = HeaderChoice::LaterPages;
    settings_.subHeader.text = "Sub p%PAGE";
    settings_.subHeader.alignment = HeaderChoice::Left;
    settings_.subHeader.spacingBefore = 1;
    settings_.PrintDate = false;
    start();
    context_->macros.tableName = "T.DB";
    context_->PlanPages(200);
    const int start = context_->currentY;
    const int spacing2 = nearest(2 * context_->dotsPerMmY);
    const int spacing1 = nearest(1 * context_->dotsPerMmY);

    context_->BeginReportPage();
    EXPECT_EQ(context_->currentY, start + context_->mainHeaderHeight);
    auto t = texts();
    ASSERT_EQ(t.size(), 2u); // the main header and the page number
    EXPECT_EQ(t[0].text, "Main T.DB");
    EXPECT_EQ(t[0].y, context_->topY + spacing2);
    EXPECT_EQ(t[0].x, context_->leftX + (context_->printableWidth - t[0].width) / 2);

    device_.clearRecords();
    device_.newPage();
    context_->BeginReportPage();
    EXPECT_EQ(context_->currentY, start + context_->subHeaderHeight);
    t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "Sub p2");
    EXPECT_EQ(t[0].x, context_->leftX);
    EXPECT_EQ(t[0].y, context_->topY + spacing1); // the main header is gone from page 2

    device_.newPage();
    context_->BeginReportPage();
    EXPECT_EQ(context_->currentY, start + context_->subHeaderHeight); // page 3 changes nothing
}

TEST_F(PageEngine, AllPagesSubHeaderStandsBelowTheMainHeader)
{
    settings_.mainHeader.visibility = HeaderChoice::AllPages;
    settings_.mainHeader.text = "M";
    settings_.mainHeader.alignment = HeaderChoice::Right;
    settings_.subHeader.visibility = HeaderChoice::AllPages;
    settings_.subHeader.text = "S";
    settings_.PrintPageNr = settings_.PrintDate = false;
    start();
    context_->PlanPages(300);
    device_.newPage();
    context_->BeginReportPage();
    const auto t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].x, context_->leftX + context_->printableWidth - t[0].width);
    EXPECT_EQ(t[1].y, context_->topY + context_->mainHeaderHeight); // spacing before 0
}

TEST_F(PageEngine, FooterPageNumberEndsAtTheRightEdgeAndDateIsCentred)
{
    auto translated = [](const QString& s) { return s == "Page:" ? QStringLiteral("Seite:") : s; };
    device_.setCaps(Orientation::Portrait, RecordingDevice::A4Laser);
    device_.beginJob("x");
    ReportContext c(device_, settings_, translated, QLocale(QLocale::German, QLocale::Germany));
    c.now = [] { return QDateTime(QDate(2026, 12, 9), QTime(10, 11, 12)); };
    c.measureResolution();
    c.measureHeaders();
    c.SetUpPage();
    c.PlanPages(10);
    c.BeginReportPage();
    const auto t = texts();
    ASSERT_EQ(t.size(), 2u);
    const int footerY = c.topY + c.usableHeight - 63; // Arial 7 is 63 high
    EXPECT_EQ(t[0].text, "Seite: 1");
    EXPECT_EQ(t[0].x + t[0].width, c.leftX + c.printableWidth);
    EXPECT_EQ(t[0].y, footerY);
    EXPECT_EQ(t[0].font.points, 7);
    EXPECT_EQ(t[1].text, "Date: 09.12.26");
    EXPECT_EQ(t[1].x, c.leftX + c.printableWidth / 2 - t[1].width / 2);
    // The body font is back after the footer.
    EXPECT_EQ(device_.font().points, settings_.BodyFontSize);
}

TEST_F(PageEngine, FittingTestsNarrowerThanTheLimitLessTwenty)
{
    start();
    context_->UseBodyFont();                           // 50 dots a character
    EXPECT_EQ(context_->FitText(221, "abcd"), "abcd"); // 200 < 201
    EXPECT_EQ(context_->FitText(220, "abcd"), "abc");  // exactly limit - 20 is cut
    EXPECT_EQ(context_->FitText(20, "abcd"), "");
    EXPECT_EQ(context_->FitText(-5, "abcd"), "");
    EXPECT_EQ(context_->FitTextMarked(400, "abcdef"), "abcdef");
    // 300 >= 280: cut below 280 - 100 (the width of ".."), then mark.
    EXPECT_EQ(context_->FitTextMarked(300, "abcdef"), "abc..");
    EXPECT_EQ(context_->FitTextMarked(10, "abcdef"), "..");
}

// A page started out of order is a mistake in the report's code, not in a table: a debug
// build stops right there instead of drawing headers at unplanned heights.
TEST_F(PageEngine, APageBeforeItsJobOrItsPlanStopsADebugBuild)
{
#ifdef QT_NO_DEBUG
    GTEST_SKIP() << "assertions are compiled out";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    start();
    EXPECT_DEATH(context_->BeginReportPage(), "not planned");
    context_->PlanPages(10);
    device_.endJob();
    EXPECT_DEATH(context_->BeginReportPage(), "no print job");
    EXPECT_DEATH(context_->shiftFirstPageBody(-1), "lines >= 0");
#endif
}
