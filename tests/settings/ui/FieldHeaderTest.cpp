#include "FieldHeader.h"
#include "QxHeader.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace korvex;

namespace {

// The dialog's field-column strip, built in: 558 × 25 with a one-pixel border, so client x
// is widget x less 1. Section left edges 0, 30, 188, 264, 295, 352, 415, 469, 525.
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
    void release(int clientX) { QTest::mouseRelease(&header, Qt::LeftButton, {}, at(clientX)); }
    void move(int clientX) { QTest::mouseMove(&header, at(clientX)); }
    void keep(std::initializer_list<const char*> kinds)
    {
        for (int i = header.Sections().count() - 1; i >= 0; --i)
            if (std::find(kinds.begin(), kinds.end(), header.Sections().text(i)) == kinds.end())
                header.Sections().remove(i);
    }
    QList<int> widths() const
    {
        QList<int> list;
        for (const TQxHeaderSection& s : header.Sections().sections())
            list.append(s.width);
        return list;
    }
    QStringList enabledKinds(const QMenu* submenu) const
    {
        QStringList kinds;
        for (const QAction* item : submenu->actions())
            if (item->isEnabled())
                kinds.append(item->text());
        return kinds;
    }
    QAction* kindItem(const QMenu* submenu, const QString& kind) const
    {
        for (QAction* item : submenu->actions())
            if (item->text() == kind)
                return item;
        return nullptr;
    }

    TQxHeader header;
    FieldColumnMenu* menu = SetUpFieldHeader(header);
};

using Sizes = QList<QList<QVariant>>;

Sizes sizes(std::initializer_list<std::pair<int, int>> steps)
{
    Sizes list;
    for (const auto& [section, width] : steps)
        list.append({section, width});
    return list;
}

} // namespace

TEST_F(FieldHeader, DragSnapsKeepsTheGrabOffsetAndBothMinimums)
{
    QSignalSpy sizing(&header, &TQxHeader::OnSizing);
    QSignalSpy sized(&header, &TQxHeader::OnSized);

    move(190); // 2 pixels right of the divider after "Name" (188)
    EXPECT_EQ(header.cursor().shape(), Qt::SplitHCursor);
    press(Qt::LeftButton, 190);
    move(137); // snaps to 130, the divider to 128
    EXPECT_EQ(header.Sections().width(1), 98);
    move(45);  // the divider to 38: "Name" 8, raised to 30
    EXPECT_EQ(header.Sections().width(1), 30);
    move(300); // "Name" 268 would leave -79 for "Idx": it gives 109 back
    EXPECT_EQ(header.Sections().width(1), 159);
    EXPECT_EQ(header.SectionWidth(8), 30);
    release(300);
    EXPECT_EQ(sizing, sizes({{1, 98}, {1, 30}, {1, 159}}));
    EXPECT_EQ(sized, sizes({{1, 159}}));

    move(555); // the last section's right edge is no divider
    EXPECT_NE(header.cursor().shape(), Qt::SplitHCursor);
    press(Qt::LeftButton, 555);
    move(400);
    EXPECT_EQ(header.SectionWidth(8), 30);
}

TEST_F(FieldHeader, PopupItemsWithNineTwoAndOneSections)
{
    press(Qt::RightButton, 10);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->removeItem()->isEnabled());
    EXPECT_EQ(enabledKinds(menu->insertMenu()), QStringList());
    EXPECT_EQ(enabledKinds(menu->appendMenu()), QStringList());
    menu->hide();

    keep({"Name", "Idx"});
    press(Qt::RightButton, 10);
    EXPECT_TRUE(menu->removeItem()->isEnabled());
    const QStringList others = {"No.", "Size", "Type", "Min.", "Max.", "Def.", "Mask"};
    EXPECT_EQ(enabledKinds(menu->insertMenu()), others);
    EXPECT_EQ(enabledKinds(menu->appendMenu()), others);
    menu->hide();

    keep({"Idx"});
    press(Qt::RightButton, 10);
    EXPECT_FALSE(menu->removeItem()->isEnabled());
    EXPECT_TRUE(menu->insertMenu()->menuAction()->isEnabled());
    EXPECT_EQ(enabledKinds(menu->appendMenu()).size(), 8);
}

TEST_F(FieldHeader, EveryPressSetsPopUpIndexFromTheSectionsFirstPixel)
{
    press(Qt::LeftButton, 187);
    EXPECT_EQ(header.PopUpIndex(), 1);
    press(Qt::MiddleButton, 553); // right of all sections
    EXPECT_EQ(header.PopUpIndex(), 8);
    EXPECT_FALSE(menu->isVisible()); // only the right button pops up
    press(Qt::RightButton, 188);
    EXPECT_EQ(header.PopUpIndex(), 2);
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(FieldHeader, InsertIntoAFullStripArrangesEveryOtherSection)
{
    // Without "Idx" and with "Mask" 87 the sections fill the client width (556).
    keep({"No.", "Name", "Type", "Size", "Min.", "Max.", "Def.", "Mask"});
    header.SetSectionWidth(7, 87);
    press(Qt::RightButton, 100); // in "Name"
    QAction* idx = kindItem(menu->insertMenu(), "Idx");
    ASSERT_TRUE(idx && idx->isEnabled());
    idx->trigger();
    // 586 pixels, at most 554 allowed: six passes, "Size" down to 30 after the first.
    EXPECT_EQ(header.Sections().text(1), "Idx");
    EXPECT_EQ(widths(), (QList<int>{30, 30, 152, 70, 30, 51, 57, 48, 81}));

    press(Qt::RightButton, 0);
    menu->removeItem()->trigger();
    EXPECT_EQ(header.Sections().text(0), "Idx");
    press(Qt::RightButton, 0);
    kindItem(menu->appendMenu(), "No.")->trigger();
    EXPECT_EQ(header.Sections().text(1), "No.");
}

TEST_F(FieldHeader, KeyboardMovesTheFocusResizesAndOpensThePopup)
{
    EXPECT_FALSE(header.accessibleName().isEmpty());
    header.activateWindow();
    header.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&header));
    QTest::keyClick(&header, Qt::Key_End);
    QTest::keyClick(&header, Qt::Key_Left);
    EXPECT_EQ(header.focusedSection(), 7);

    QSignalSpy sized(&header, &TQxHeader::OnSized);
    QTest::keyClick(&header, Qt::Key_Left, Qt::ShiftModifier); // "Mask" 56 → 46
    EXPECT_EQ(sized, sizes({{7, 46}}));
    QTest::keyClick(&header, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&header, Qt::Key_Right, Qt::ShiftModifier); // "Idx" keeps 30
    EXPECT_EQ(header.Sections().width(7), 57);

    QTest::keyClick(&header, Qt::Key_Menu);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(header.PopUpIndex(), 7);
    menu->hide();
    QTest::keyClick(&header, Qt::Key_Home);
    QTest::keyClick(&header, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(header.PopUpIndex(), 0);
}

TEST_F(FieldHeader, FacesHaveRaisedEdgesAndTextIndentedThreePixels)
{
    QPalette p = header.palette();
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Dark, QColor(128, 128, 128));
    p.setColor(QPalette::Button, QColor(192, 192, 192));
    p.setColor(QPalette::ButtonText, Qt::black);
    header.setPalette(p);
    header.clearFocus();
    const QImage image = header.grab().toImage();
    const auto pixel = [&](int clientX, int y) { return image.pixel(clientX + 1, y + 1) & 0xFFFFFF; };
    EXPECT_EQ(pixel(30, 5), 0xFFFFFFu);  // "Name": lit left column
    EXPECT_EQ(pixel(100, 0), 0xFFFFFFu); // lit top row
    EXPECT_EQ(pixel(187, 5), 0x808080u); // shaded right column
    EXPECT_EQ(pixel(100, 22), 0x808080u); // shaded bottom row
    EXPECT_EQ(pixel(31, 5), 0xC0C0C0u);
    EXPECT_EQ(pixel(555, 5), 0x808080u); // the last face reaches the client edge

    int firstInk = -1;
    for (int x = 31; x < 100 && firstInk < 0; ++x)
        for (int y = 1; y < 22; ++y)
            if (qGray(pixel(x, y)) < 100) {
                firstInk = x;
                break;
            }
    EXPECT_GE(firstInk, 33);
    EXPECT_LE(firstInk, 35); // within the glyph's side bearing
}
