#include "MarginsDialog.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

using namespace korvex;

namespace {

// An A4 printer at 600 dpi whose unprintable strips are a quarter inch (6.35 mm, 150
// dots) on every side: 4658 dots are 197 mm, about 23.6 dots per millimetre.
constexpr DeviceCaps QuarterInchBorder{4658, 6717, 197, 284, 4958, 7017, 150, 150};

class MarginsDialog : public ::testing::Test {
protected:
    void open(const PageMargins& held)
    {
        RecordingDevice device;
        device.setCaps(Orientation::Portrait, QuarterInchBorder);
        dialog_.setHeldMargins(held);
        dialog_.SetMarginLimits(device);
        dialog_.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    }
    MarginSpinEdit* field(const char* name) { return dialog_.findChild<MarginSpinEdit*>(QLatin1String(name)); }
    void click(const char* button) { QTest::mouseClick(dialog_.findChild<QPushButton*>(button), Qt::LeftButton); }
    void type(const char* name, const QString& text)
    {
        field(name)->setFocus();
        field(name)->selectAll();
        QTest::keyClicks(field(name), text);
    }

    TForm_Margins dialog_;
};

} // namespace

TEST(MarginMinimums, UnprintableStripsToTheNearestMillimetreHalvesToEven)
{
    // 24 dots per millimetre; strips of 60, 84, 36 and 108 dots are 2.5, 3.5, 1.5, 4.5 mm.
    EXPECT_EQ(printerMarginMinimums({4800, 6000, 200, 250, 4944, 6144, 60, 36}), (PageMargins{2, 4, 2, 4}));
    // No printable size named: no division by zero.
    EXPECT_EQ(printerMarginMinimums({4800, 6000, 0, 0, 4944, 6144, 60, 36}), (PageMargins{}));
}

TEST_F(MarginsDialog, StoredLeftMarginOf2OpensAt6AndOkStores6)
{
    EXPECT_EQ(dialog_.size(), QSize(222, 134));
    open({2, 18, 0, 7});
    EXPECT_EQ(field("SpinMarginLeft")->minimum(), 6);
    EXPECT_EQ(field("SpinMarginLeft")->text(), "6");
    EXPECT_TRUE(field("SpinMarginLeft")->hasFocus());
    click("OKButton");
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    EXPECT_EQ(dialog_.heldMargins(), (PageMargins{6, 18, 6, 7}));
}

TEST_F(MarginsDialog, CancelKeepsTheHeldValues)
{
    open({20, 18, 10, 10});
    type("SpinMarginTop", "50");
    field("SpinMarginRight")->setValue(40);
    click("CancelButton");
    EXPECT_EQ(dialog_.result(), QDialog::Rejected);
    EXPECT_EQ(dialog_.heldMargins(), (PageMargins{20, 18, 10, 10}));
}

TEST_F(MarginsDialog, TypedValuesAreClampedWhenTheFieldIsLeftNotWhileTyping)
{
    open({20, 18, 10, 10});
    type("SpinMarginLeft", "0");
    EXPECT_EQ(field("SpinMarginLeft")->text(), "0");
    QTest::keyClick(field("SpinMarginLeft"), Qt::Key_Tab);
    EXPECT_EQ(field("SpinMarginLeft")->text(), "6");

    type("SpinMarginTop", "1234");
    EXPECT_EQ(field("SpinMarginTop")->text(), "123");
    type("SpinMarginTop", "");
    QTest::keyClick(field("SpinMarginTop"), Qt::Key_Delete);
    QTest::keyClick(field("SpinMarginTop"), Qt::Key_Tab); // empty: the minimum

    // Enter takes a typed value as leaving the field does, so no margin inside the
    // printer's unprintable strip reaches the held values.
    type("SpinMarginBottom", "2");
    QTest::keyClick(field("SpinMarginBottom"), Qt::Key_Return);
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    EXPECT_EQ(dialog_.heldMargins(), (PageMargins{6, 18, 6, 6}));
}

TEST_F(MarginsDialog, MarginsThatLeaveNoRoomForAReportLineCannotBeSet)
{
    // The sheet is 209 x 296 mm; opposite margins leave at least 40 mm between them.
    EXPECT_EQ(paperMillimetres(QuarterInchBorder), QSize(209, 296));
    open({20, 999, 0, 999});
    EXPECT_EQ(field("SpinMarginRight")->text(), "149");
    EXPECT_EQ(field("SpinMarginBottom")->text(), "250");

    // Each field's limit follows the field opposite, and a typed value beyond it is taken
    // back to it when the field is left.
    type("SpinMarginLeft", "150");
    QTest::keyClick(field("SpinMarginLeft"), Qt::Key_Tab);
    EXPECT_EQ(field("SpinMarginLeft")->text(), "20");
    type("SpinMarginRight", "18");
    type("SpinMarginLeft", "999");
    click("OKButton");
    EXPECT_EQ(dialog_.heldMargins(), (PageMargins{151, 18, 6, 250}));
}
