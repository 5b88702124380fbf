#include "MarginsDialog.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace korvex;

namespace {

// An A4 printer at 600 dpi whose unprintable strips are a quarter inch (6.35 mm, 150
// dots) on every side: 4658 dots are 197 mm, about 23.6 dots per millimetre.
constexpr DeviceCaps QuarterInchBorder{4658, 6717, 197, 284, 4958, 7017, 150, 150};

class MarginsDialog : public ::testing::Test {
protected:
    MarginsDialog() { device.setCaps(Orientation::Portrait, QuarterInchBorder); }

    MarginSpinEdit* field(const char* name) { return dialog.findChild<MarginSpinEdit*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return dialog.findChild<QPushButton*>(QLatin1String(name)); }
    void showActive()
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    void type(MarginSpinEdit* spin, const QString& text)
    {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, text);
    }

    RecordingDevice device;
    TForm_Margins dialog;
};

} // namespace

TEST(MarginMinimums, UnprintableStripsToTheNearestMillimetreHalvesToEven)
{
    // 24 dots per millimetre both ways; strips of 60, 84, 36 and 108 dots are 2.5, 3.5,
    // 1.5 and 4.5 mm.
    EXPECT_EQ(PrinterMarginMinimums({4800, 6000, 200, 250, 4944, 6144, 60, 36}), (PageMargins{2, 4, 2, 4}));
    EXPECT_EQ(PrinterMarginMinimums(QuarterInchBorder), (PageMargins{6, 6, 6, 6}));
    // A printer that names no printable size, and one whose sheet is smaller than its page.
    EXPECT_EQ(PrinterMarginMinimums({4800, 6000, 0, 0, 4944, 6144, 60, 36}), (PageMargins{}));
    EXPECT_EQ(PrinterMarginMinimums({4800, 6000, 200, 250, 4000, 5000, 60, 36}), (PageMargins{2, 0, 2, 0}));
}

TEST_F(MarginsDialog, StoredLeftMarginOf2OpensAt6AndOkStores6)
{
    EXPECT_EQ(dialog.windowTitle(), "Margins");
    EXPECT_EQ(dialog.size(), QSize(222, 134));
    dialog.setHeldMargins({2, 18, 0, 7});
    dialog.SetMarginLimits(device);
    EXPECT_EQ(field("SpinMarginLeft")->minimum(), 6);
    EXPECT_EQ(field("SpinMarginLeft")->value(), 6);
    EXPECT_EQ(field("SpinMarginLeft")->maximum(), 999);
    EXPECT_EQ(field("SpinMarginRight")->value(), 18);
    showActive();
    EXPECT_TRUE(field("SpinMarginLeft")->hasFocus());
    QTest::mouseClick(button("OKButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.heldMargins(), (PageMargins{6, 18, 6, 7}));
    EXPECT_EQ(dialog.MarginLeft(), 6);
}

TEST_F(MarginsDialog, CancelKeepsTheHeldValues)
{
    dialog.setHeldMargins({20, 18, 10, 10});
    dialog.SetMarginLimits(device);
    showActive();
    type(field("SpinMarginTop"), "50");
    field("SpinMarginRight")->setValue(40);
    QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.heldMargins(), (PageMargins{20, 18, 10, 10}));
}

TEST_F(MarginsDialog, TypedValuesAreClampedWhenTheFieldIsLeftNotWhileTyping)
{
    dialog.setHeldMargins({20, 18, 10, 10});
    dialog.SetMarginLimits(device);
    showActive();
    MarginSpinEdit* left = field("SpinMarginLeft");
    type(left, "0");
    EXPECT_EQ(left->text(), "0");
    QTest::keyClick(left, Qt::Key_Tab);
    EXPECT_EQ(left->text(), "6");
    EXPECT_EQ(left->value(), 6);

    MarginSpinEdit* top = field("SpinMarginTop");
    type(top, "1234x");
    EXPECT_EQ(top->text(), "123");
    type(top, "");
    QTest::keyClick(top, Qt::Key_Delete);
    EXPECT_EQ(top->text(), "");
    QTest::keyClick(top, Qt::Key_Tab);
    EXPECT_EQ(top->value(), 6); // an empty field gives its minimum

    // Enter takes the typed value like leaving the field does: no margin inside the
    // printer's unprintable strip reaches the held values.
    type(field("SpinMarginBottom"), "2");
    QTest::keyClick(field("SpinMarginBottom"), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.heldMargins(), (PageMargins{6, 18, 6, 6}));
}
