#include "HeaderStrip.h"

#include <gtest/gtest.h>

#include <limits>

using namespace korvex;

namespace {

// A header font in which every character is 7 pixels wide.
int sevenPerChar(const QString& text)
{
    return 7 * int(text.size());
}

HeaderStrip stripWith(int width, std::initializer_list<std::pair<const char*, int>> sections)
{
    HeaderStrip strip(width);
    for (const auto& [text, w] : sections) {
        strip.Sections().add(QString::fromLatin1(text));
        strip.SetSectionWidth(strip.Sections().count() - 1, w);
    }
    return strip;
}

// The dialog's field header as built in: 558 wide, client width 556, 549 pixels of
// sections whose left edges are 0, 30, 188, 264, 295, 352, 415, 469, 525.
HeaderStrip builtIn()
{
    return stripWith(558, {{"No.", 30},
                           {"Name", 158},
                           {"Type", 76},
                           {"Size", 31},
                           {"Min.", 57},
                           {"Max.", 63},
                           {"Def.", 54},
                           {"Mask", 56},
                           {"Idx", 24}});
}

QList<int> widthsOf(const HeaderStrip& strip)
{
    QList<int> widths;
    for (const TQxHeaderSection& s : strip.Sections().sections())
        widths.append(s.width);
    return widths;
}

} // namespace

// --- the section list -----------------------------------------------------------------

TEST(HeaderStrings, NewSectionsAreTheTextWidthPlusEightOr75WithoutHeader)
{
    TQxHeaderStrings headless;
    headless.add("Name");
    EXPECT_EQ(headless.width(0), 75);

    TQxHeaderStrings list;
    list.setHeader(sevenPerChar, {});
    list.add("Name");      // 4 × 7 + 8
    list.insert(0, "No."); // 3 × 7 + 8
    list.setObject(1, 42);
    list.setText(1, "Mask.X"); // re-measured, object kept: 6 × 7 + 8
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.sections()[0], (TQxHeaderSection{0, 29, "No."}));
    EXPECT_EQ(list.sections()[1], (TQxHeaderSection{42, 50, "Mask.X"}));

    EXPECT_THROW(list.insert(3, "x"), std::out_of_range);
    EXPECT_THROW(list.remove(2), std::out_of_range);
    EXPECT_THROW(list.text(-1), std::out_of_range);
    list.remove(0);
    EXPECT_EQ(list.text(0), "Mask.X");

    // Finding is case-blind and takes the first match.
    for (const char* t : {"NAME", "Name"})
        list.add(t);
    EXPECT_EQ(list.indexOf("name"), 1);
    EXPECT_EQ(list.indexOf("Nam"), -1);
}

TEST(HeaderStrings, UpdatesHoldRepaintsBackUntilTheOutermostEnd)
{
    int repaints = 0;
    TQxHeaderStrings list;
    list.setHeader({}, [&] { ++repaints; });
    list.add("A");
    EXPECT_EQ(repaints, 1);
    list.clear(); // clearing does not repaint
    EXPECT_EQ(repaints, 1);
    list.beginUpdate();
    list.beginUpdate();
    list.add("B");
    list.add("C");
    list.endUpdate();
    EXPECT_EQ(repaints, 1);
    list.endUpdate();
    EXPECT_EQ(repaints, 2);
    list.endUpdate(); // unbalanced: ignored
    list.assign(QStringList{"C", "D"});
    EXPECT_EQ(repaints, 3);
}

TEST(HeaderStrings, AssignReusesWidthsOnlyInTheOldOrderAndComparesExactly)
{
    TQxHeaderStrings list;
    list.setHeader(sevenPerChar, {});
    for (const char* t : {"A", "B", "C", "e"})
        list.add(t);
    list.setWidth(0, 10);
    list.setObject(0, 1);
    list.setWidth(1, 20);
    list.setWidth(2, 30);
    list.setObject(2, 3);
    list.setWidth(3, 40);

    // B is not in the source, and neither is "e" (the source has "E"). Of the kept A, C
    // the cursor first meets A: the leading C is new, then A is reused, then D and the
    // second A are new; C was passed by the cursor and is never reached again.
    list.assign(QList<TQxHeaderStrings::Item>{{"C", 7}, {"A", 8}, {"D", 9}, {"A", 0}, {"E", 0}});
    const QList<TQxHeaderSection> expected = {{7, 15, "C"}, {1, 10, "A"}, {9, 15, "D"}, {0, 15, "A"}, {0, 15, "E"}};
    EXPECT_EQ(list.sections(), expected);

    // Assigning a list to itself keeps everything.
    list.assign(list);
    EXPECT_EQ(list.sections(), expected);
}

TEST(HeaderStrings, StoredFormRoundTripsAndReadsMalformedEntriesAs75)
{
    TQxHeaderStrings list;
    list.add("No.");
    list.setWidth(0, 30);
    list.add("Min.");
    list.setWidth(1, -5);
    const QChar nul(u'\0');
    const QStringList stored = list.storedForm();
    EXPECT_EQ(stored, (QStringList{nul + QString("30") + nul + "No.", nul + QString("-5") + nul + "Min."}));

    TQxHeaderStrings back;
    back.readStoredForm(stored);
    EXPECT_EQ(back.sections(), list.sections());

    back.readStoredForm({
        "Plain",                                     // no leading NUL: all text
        nul + QString("abc") + nul + "Name",         // width not a number
        nul + QString() + nul + "Type",              // empty width
        nul + QString("12x") + nul + "Size",         // trailing characters
        nul + QString("99999999999") + nul + "Mask", // beyond int
        nul + QString("12"),                         // no second NUL: width only
        nul + QString("7") + nul + "",               // empty text
    });
    const QList<TQxHeaderSection> expected = {{0, 75, "Plain"}, {0, 75, "Name"}, {0, 75, "Type"}, {0, 75, "Size"},
                                              {0, 75, "Mask"},  {0, 12, ""},     {0, 7, ""}};
    EXPECT_EQ(back.sections(), expected);
}

// --- widths and arranging -------------------------------------------------------------

TEST(HeaderStrip, LastSectionIsPaintedWithTheRestOfTheClientWidth)
{
    const HeaderStrip strip = builtIn();
    EXPECT_EQ(strip.clientWidth(), 556);
    EXPECT_EQ(strip.SectionWidth(0), 30);
    EXPECT_EQ(strip.SectionWidth(8), 31); // 556 - 525, not its own 24
    EXPECT_EQ(strip.SectionWidth(-1), 0);
    EXPECT_EQ(strip.SectionWidth(9), 0);

    const HeaderStrip overflowing = stripWith(558, {{"Name", 600}, {"Idx", 24}});
    EXPECT_EQ(overflowing.SectionWidth(1), -44);

    const HeaderStrip bordered = stripWith(100, {{"Name", 100}});
    HeaderStrip unbordered(100, HeaderStrip::BorderStyle::None);
    unbordered.Sections().add("Name");
    EXPECT_EQ(unbordered.SectionWidth(0), 100);
    EXPECT_EQ(bordered.SectionWidth(0), 98);

    HeaderStrip unchanged = builtIn();
    unchanged.SetSectionWidth(-1, 99);
    unchanged.SetSectionWidth(9, 99);
    EXPECT_EQ(widthsOf(unchanged), widthsOf(builtIn()));
}

TEST(HeaderStrip, ArrangeNarrowsByOnePixelPerPassUntilTheSectionsFit)
{
    // 562 pixels on a client width of 556: the limit is 554. Passes one and two narrow
    // three sections (559, 556), after which Size is down to 30; pass three narrows two
    // (554) and the loop stops.
    HeaderStrip strip = stripWith(558, {{"Name", 400}, {"Type", 100}, {"Idx", 30}, {"Size", 32}});
    strip.ArrangeHeader();
    EXPECT_EQ(widthsOf(strip), (QList<int>{397, 97, 30, 30}));

    // Already fitting, or nothing wider than 30: unchanged.
    HeaderStrip fitting = builtIn();
    fitting.ArrangeHeader();
    EXPECT_EQ(widthsOf(fitting), widthsOf(builtIn()));

    // Twenty sections cannot fit: the passes end when all are down to 30 (600 pixels).
    HeaderStrip crowded(558);
    for (int i = 0; i < 20; ++i) {
        crowded.Sections().add("x");
        crowded.SetSectionWidth(i, 40 + i);
    }
    crowded.ArrangeHeader();
    EXPECT_EQ(widthsOf(crowded), QList<int>(20, 30));
    crowded.ArrangeHeader();
    EXPECT_EQ(widthsOf(crowded), QList<int>(20, 30));
}

TEST(HeaderStrip, ArrangeOfAHugeStoredWidthFinishesAtOnce)
{
    // Pass by pass this would take two billion passes.
    HeaderStrip strip = stripWith(558, {{"Name", std::numeric_limits<int>::max()}, {"Type", 100}, {"No.", 20}});
    strip.ArrangeHeader();
    EXPECT_EQ(widthsOf(strip), (QList<int>{504, 30, 20}));
}

// --- painting geometry ----------------------------------------------------------------

TEST(HeaderStrip, FacesFillToTheClientEdgeAndStopThere)
{
    const QList<HeaderStrip::Face> builtInFaces = builtIn().faces();
    ASSERT_EQ(builtInFaces.size(), 9);
    EXPECT_EQ(builtInFaces[1], (HeaderStrip::Face{1, 30, 188}));
    EXPECT_EQ(builtInFaces[8], (HeaderStrip::Face{8, 525, 556}));

    // Client width 98: a one-pixel gap after the second section is filled, and the third
    // section is beyond the edge.
    EXPECT_EQ(stripWith(100, {{"a", 50}, {"b", 47}, {"c", 20}}).faces(),
              (QList<HeaderStrip::Face>{{0, 0, 50}, {1, 50, 98}}));
    EXPECT_EQ(stripWith(100, {{"a", 50}, {"b", 46}, {"c", 20}}).faces(),
              (QList<HeaderStrip::Face>{{0, 0, 50}, {1, 50, 96}, {2, 96, 98}}));
    EXPECT_EQ(HeaderStrip(100).faces(), (QList<HeaderStrip::Face>{{-1, 0, 98}}));
}

// --- pointer: dividers, dragging, popup index ----------------------------------------

TEST(HeaderStrip, DividerGrabZoneIsThreePixelsEitherSideAndNeverTheLastEdge)
{
    const HeaderStrip strip = builtIn();
    EXPECT_EQ(strip.dividerAt(27), (HeaderStrip::Divider{0, 3}));
    EXPECT_EQ(strip.dividerAt(33), (HeaderStrip::Divider{0, -3}));
    EXPECT_FALSE(strip.dividerAt(26));
    EXPECT_FALSE(strip.dividerAt(34));
    EXPECT_EQ(strip.dividerAt(525), (HeaderStrip::Divider{7, 0}));
    EXPECT_FALSE(strip.dividerAt(549)); // the last section's own right edge
    EXPECT_FALSE(strip.dividerAt(555));
    EXPECT_FALSE(stripWith(558, {{"Name", 100}}).dividerAt(100));

    HeaderStrip locked = builtIn();
    locked.setAllowResize(false);
    EXPECT_FALSE(locked.pointerAt(30));
}

TEST(HeaderStrip, DragSnapsToTensButKeepsTheGrabOffset)
{
    HeaderStrip strip = builtIn();
    QList<std::pair<int, int>> sizing, sized;
    strip.OnSizing = [&](int s, int w) { sizing.append({s, w}); };
    strip.OnSized = [&](int s, int w) { sized.append({s, w}); };

    ASSERT_TRUE(strip.pointerAt(190)); // divider after "Name" (188), grabbed 2 pixels right of it
    strip.mousePress(HeaderStrip::MouseButton::Left, 190);
    ASSERT_TRUE(strip.dragging());
    strip.mouseMove(137); // snaps to 130, the divider to 128: Name 98
    EXPECT_EQ(strip.Sections().width(1), 98);
    strip.pointerAt(30); // the cursor query does not move the grab during a drag
    strip.mouseMove(45); // snaps to 40, the divider to 38: Name 8, raised to 30
    EXPECT_EQ(strip.Sections().width(1), 30);
    strip.mouseMove(300); // Name 268 would leave -79 for "Idx": it gives 109 back
    EXPECT_EQ(strip.Sections().width(1), 159);
    EXPECT_EQ(strip.SectionWidth(8), 30);
    strip.mouseRelease();
    EXPECT_FALSE(strip.resizeReady());
    strip.mouseMove(150); // no drag any more
    EXPECT_EQ(strip.Sections().width(1), 159);
    EXPECT_EQ(sizing, (QList<std::pair<int, int>>{{1, 98}, {1, 30}, {1, 159}}));
    EXPECT_EQ(sized, (QList<std::pair<int, int>>{{1, 159}}));
}

TEST(HeaderStrip, DragLeavesTheLastSection30Pixels)
{
    // Divider after "Mask" (525) grabbed 1 pixel left of it; x 553 snaps to 550, the
    // divider would go to 551 (Mask 82) and leave 5 pixels for "Idx": Mask gives 25 back.
    HeaderStrip strip = builtIn();
    ASSERT_TRUE(strip.pointerAt(524));
    strip.mousePress(HeaderStrip::MouseButton::Left, 524);
    strip.mouseMove(553);
    EXPECT_EQ(strip.Sections().width(7), 57);
    EXPECT_EQ(strip.SectionWidth(8), 30);
}

TEST(HeaderStrip, TheLastSectionsMinimumWinsOverTheDraggedOnes)
{
    // Client width 100. Section a is first raised to 30, which leaves 20 for c; a then
    // gives up 10 and ends narrower than 30.
    HeaderStrip strip = stripWith(102, {{"a", 40}, {"b", 50}, {"c", 10}});
    ASSERT_TRUE(strip.pointerAt(40));
    strip.mousePress(HeaderStrip::MouseButton::Left, 40);
    strip.mouseMove(12);
    EXPECT_EQ(widthsOf(strip), (QList<int>{20, 50, 10}));
    EXPECT_EQ(strip.SectionWidth(2), 30);
}

TEST(HeaderStrip, OnlyALeftPressOnADividerStartsADrag)
{
    HeaderStrip strip = builtIn();
    strip.pointerAt(30);
    strip.mousePress(HeaderStrip::MouseButton::Right, 30);
    EXPECT_FALSE(strip.dragging());
    strip.pointerAt(100);
    strip.mousePress(HeaderStrip::MouseButton::Left, 100);
    strip.mouseMove(200);
    EXPECT_EQ(widthsOf(strip), widthsOf(builtIn()));
}

TEST(HeaderStrip, PopUpIndexIsTheSectionUnderThePress)
{
    HeaderStrip strip = builtIn();
    const auto press = [&](int x) {
        strip.mousePress(HeaderStrip::MouseButton::Right, x);
        return strip.PopUpIndex();
    };
    EXPECT_EQ(press(188), 2); // first pixel of section 2
    EXPECT_EQ(press(187), 1);
    EXPECT_EQ(press(0), 0);
    EXPECT_EQ(press(553), 8); // right of all sections (they end at 549)

    HeaderStrip empty(558);
    EXPECT_EQ(empty.PopUpIndex(), -1);
    empty.mousePress(HeaderStrip::MouseButton::Right, 10);
    EXPECT_EQ(empty.PopUpIndex(), -1);
}
