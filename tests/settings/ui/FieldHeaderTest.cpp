#include "FieldHeader.h"
#include "QxHeader.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

using namespace korvex;

namespace {

// The dialog's field-column strip as built in, with a one-pixel border: client x is widget
// x less 1. Section left edges 0, 30, 188, 264, 295, 352, 415, 469, 525.
class FieldHeader : public ::testing::Test {
protected:
    void SetUp() override
    {
        header.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&header));
    }
    void TearDown() override { menu->hide(); }

    static QPoint at(int clientX) { return QPoint(clientX + 1, 12); }
    void press(Qt::MouseButton button, int clientX) { QTest::mousePress(&header, button, {}, at(clientX)); }
    void move(int clientX) { QTest::mouseMove(&header, at(clientX)); }
    // Leaves the first n sections.
    void keep(int n)
    {
        while (header.Sections().count() > n)
            header.Sections().remove(n);
    }
    QList<int> widths() const
    {
        QList<int> list;
        for (const TQxHeaderSection& s : header.Sections().sections())
            list.append(s.width);
        return list;
    }
    static QStringList enabledKinds(const QMenu* submenu)
    {
        QStringList kinds;
        for (const QAction* item : submenu->actions())
            if (item->isEnabled())
                kinds.append(item->text());
        return kinds;
    }

    TQxHeader header;
    FieldColumnMenu* menu = SetUpFieldHeader(header);
};

} // namespace

TEST_F(FieldHeader, DragSnapsKeepsTheGrabOffsetAndBothMinimums)
{
    QSignalSpy sizing(&header, &TQxHeader::OnSizing);
    QSignalSpy sized(&header, &TQxHeader::OnSized);
    move(190); // 2 pixels right of the divider after "Name" (188)
    EXPECT_EQ(header.cursor().shape(), Qt::SplitHCursor);
    press(Qt::LeftButton, 190);
    move(137); // snaps to 130, the divider to 128
    move(45);  // the divider to 38: "Name" 8, raised to 30
    move(300); // "Name" 268 would leave -79 for "Idx": it gives 109 back
    QTest::mouseRelease(&header, Qt::LeftButton, {}, at(300));
    EXPECT_EQ(sizing, (QList<QVariantList>{{1, 98}, {1, 30}, {1, 159}}));
    EXPECT_EQ(sized, (QList<QVariantList>{{1, 159}}));
    EXPECT_EQ(header.SectionWidth(8), 30);

    move(555); // the last section's right edge is no divider
    EXPECT_NE(header.cursor().shape(), Qt::SplitHCursor);
}

TEST_F(FieldHeader, PopupItemsWithNineTwoAndOneSections)
{
    press(Qt::RightButton, 10);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->removeItem()->isEnabled());
    EXPECT_EQ(enabledKinds(menu->insertMenu()), QStringList());
    EXPECT_EQ(enabledKinds(menu->appendMenu()), QStringList());
    menu->hide();

    keep(2); // "No.", "Name"
    press(Qt::RightButton, 10);
    EXPECT_TRUE(menu->removeItem()->isEnabled());
    const QStringList others = {"Size", "Type", "Min.", "Max.", "Def.", "Mask", "Idx"};
    EXPECT_EQ(enabledKinds(menu->insertMenu()), others);
    EXPECT_EQ(enabledKinds(menu->appendMenu()), others);
    menu->hide();

    keep(1);
    press(Qt::RightButton, 10);
    EXPECT_FALSE(menu->removeItem()->isEnabled());
}

TEST_F(FieldHeader, EveryPressSetsPopUpIndexOnlyTheRightOnePopsUp)
{
    press(Qt::LeftButton, 187);
    EXPECT_EQ(header.PopUpIndex(), 1);
    press(Qt::MiddleButton, 553); // right of all sections
    EXPECT_EQ(header.PopUpIndex(), 8);
    EXPECT_FALSE(menu->isVisible());
    press(Qt::RightButton, 188); // the first pixel of section 2
    EXPECT_EQ(header.PopUpIndex(), 2);
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(FieldHeader, InsertIntoAFullStripArrangesEveryOtherSection)
{
    // Without "Idx" and with "Mask" 87 the sections fill the client width (556).
    keep(8);
    header.SetSectionWidth(7, 87);
    press(Qt::RightButton, 100); // in "Name"
    menu->insertMenu()->actions().constLast()->trigger(); // "Idx"
    // 586 pixels, at most 554 allowed: six passes, "Size" down to 30 after the first.
    EXPECT_EQ(header.Sections().text(1), "Idx");
    EXPECT_EQ(widths(), (QList<int>{30, 30, 152, 70, 30, 51, 57, 48, 81}));
}

TEST_F(FieldHeader, KeyboardChoosesASectionAndOpensItsPopup)
{
    header.activateWindow();
    header.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&header));
    QTest::keyClick(&header, Qt::Key_End);
    QTest::keyClick(&header, Qt::Key_Left);
    QTest::keyClick(&header, Qt::Key_Right, Qt::ShiftModifier); // "Idx" keeps its 30
    EXPECT_EQ(header.Sections().width(7), 57);
    QTest::keyClick(&header, Qt::Key_Menu);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(header.PopUpIndex(), 7);
}
