#include "FieldHeader.h"
#include "ContextMenuKey.h"
#include "QxHeader.h"
#include "QxHeaderAccessible.h"

#include <gtest/gtest.h>

#include <QAccessible>
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
        header_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&header_));
    }
    void TearDown() override { menu_->hide(); }

    static QPoint at(int clientX) { return QPoint(clientX + 1, 12); }
    void press(Qt::MouseButton button, int clientX) { QTest::mousePress(&header_, button, {}, at(clientX)); }
    void move(int clientX) { QTest::mouseMove(&header_, at(clientX)); }
    // Leaves the first n sections.
    void keep(int n)
    {
        while (header_.Sections().count() > n)
            header_.Sections().remove(n);
    }
    QList<int> widths() const
    {
        QList<int> list;
        for (const TQxHeaderSection& s : header_.Sections().sections())
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

    TQxHeader header_;
    FieldColumnMenu* menu_ = setUpFieldHeader(header_);
};

} // namespace

TEST_F(FieldHeader, DragSnapsKeepsTheGrabOffsetAndBothMinimums)
{
    QSignalSpy sizing(&header_, &TQxHeader::OnSizing);
    QSignalSpy sized(&header_, &TQxHeader::OnSized);
    move(190); // 2 pixels right of the divider after "Name" (188)
    EXPECT_EQ(header_.cursor().shape(), Qt::SplitHCursor);
    press(Qt::LeftButton, 190);
    move(137); // snaps to 130, the divider to 128
    move(45);  // the divider to 38: "Name" 8, raised to 30
    move(300); // "Name" 268 would leave -79 for "Idx": it gives 109 back
    QTest::mouseRelease(&header_, Qt::LeftButton, {}, at(300));
    EXPECT_EQ(sizing, (QList<QVariantList>{{1, 98}, {1, 30}, {1, 159}}));
    EXPECT_EQ(sized, (QList<QVariantList>{{1, 159}}));
    EXPECT_EQ(header_.SectionWidth(8), 30);

    move(555); // the last section's right edge is no divider
    EXPECT_NE(header_.cursor().shape(), Qt::SplitHCursor);
}

TEST_F(FieldHeader, PopupItemsWithNineTwoAndOneSections)
{
    press(Qt::RightButton, 10);
    EXPECT_TRUE(menu_->isVisible());
    EXPECT_TRUE(menu_->removeItem()->isEnabled());
    EXPECT_EQ(enabledKinds(menu_->insertMenu()), QStringList());
    EXPECT_EQ(enabledKinds(menu_->appendMenu()), QStringList());
    menu_->hide();

    keep(2); // "No.", "Name"
    press(Qt::RightButton, 10);
    EXPECT_TRUE(menu_->removeItem()->isEnabled());
    const QStringList others = {"Size", "Type", "Min.", "Max.", "Def.", "Mask", "Idx"};
    EXPECT_EQ(enabledKinds(menu_->insertMenu()), others);
    EXPECT_EQ(enabledKinds(menu_->appendMenu()), others);
    menu_->hide();

    keep(1);
    press(Qt::RightButton, 10);
    EXPECT_FALSE(menu_->removeItem()->isEnabled());
}

TEST_F(FieldHeader, EveryPressSetsPopUpIndexOnlyTheRightOnePopsUp)
{
    press(Qt::LeftButton, 187);
    EXPECT_EQ(header_.PopUpIndex(), 1);
    press(Qt::MiddleButton, 553); // right of all sections
    EXPECT_EQ(header_.PopUpIndex(), 8);
    EXPECT_FALSE(menu_->isVisible());
    press(Qt::RightButton, 188); // the first pixel of section 2
    EXPECT_EQ(header_.PopUpIndex(), 2);
    EXPECT_TRUE(menu_->isVisible());
}

TEST_F(FieldHeader, InsertIntoAFullStripArrangesEveryOtherSection)
{
    // Without "Idx" and with "Mask" 87 the sections fill the client width (556).
    keep(8);
    header_.SetSectionWidth(7, 87);
    press(Qt::RightButton, 100);                           // in "Name"
    menu_->insertMenu()->actions().constLast()->trigger(); // "Idx"
    // 586 pixels, at most 554 allowed: six passes, "Size" down to 30 after the first.
    EXPECT_EQ(header_.Sections().text(1), "Idx");
    EXPECT_EQ(widths(), (QList<int>{30, 30, 152, 70, 30, 51, 57, 48, 81}));
}

TEST_F(FieldHeader, KeyboardChoosesASectionAndOpensItsPopup)
{
    header_.activateWindow();
    header_.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&header_));
    QTest::keyClick(&header_, Qt::Key_End);
    QTest::keyClick(&header_, Qt::Key_Left);
    QTest::keyClick(&header_, Qt::Key_Right, Qt::ShiftModifier); // "Idx" keeps its 30
    EXPECT_EQ(header_.Sections().width(7), 57);
    QTest::keyClick(&header_, Qt::Key_Menu);
    EXPECT_TRUE(menu_->isVisible());
    EXPECT_EQ(header_.PopUpIndex(), 7);
    menu_->hide();

    // Shift+F10, as the program's filter turns it into the menu key's request.
    installContextMenuKey();
    QTest::keyClick(&header_, Qt::Key_Home);
    QTest::keyClick(&header_, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu_->isVisible());
    EXPECT_EQ(header_.PopUpIndex(), 0);
}

// Regression: the strip showed a screen reader no sections at all.
TEST_F(FieldHeader, ScreenReadersSeeEverySectionAndMoveItsDivider)
{
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(&header_);
    ASSERT_NE(strip, nullptr);
    ASSERT_EQ(strip->childCount(), 9);
    QAccessibleInterface* name = strip->child(1);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(name->text(QAccessible::Name), "Name");
    EXPECT_EQ(name->text(QAccessible::Description), "158 pixels wide, column 2 of 9");
    EXPECT_EQ(strip->indexOfChild(name), 1);
    QAccessibleActionInterface* actions = name->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QxHeaderAccessible::NarrowAction);
    EXPECT_EQ(header_.Sections().width(1), 148);
    EXPECT_TRUE(strip->child(8)->actionInterface()->actionNames().isEmpty()); // no divider right of the last
    keep(2);
    EXPECT_EQ(strip->childCount(), 2);
    EXPECT_EQ(strip->child(8), nullptr);
}
