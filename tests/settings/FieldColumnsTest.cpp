#include "FieldColumns.h"
#include "SettingsFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvex;

namespace {

const QString Section = QStringLiteral("Field_Information");

// A settings file of its own in a temporary folder.
class FieldColumnsFile : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    SettingsFile settings_{dir_.filePath("KORVEX20.INI")};

    void storeColumns(std::initializer_list<std::pair<const char*, int>> columns)
    {
        settings_.WriteNumber(Section, "Count", int(columns.size()));
        int n = 0;
        for (const auto& [kind, width] : columns) {
            ++n;
            settings_.WriteText(Section, QStringLiteral("FieldName_%1").arg(n), kind);
            settings_.WriteNumber(Section, QStringLiteral("FieldWidth_%1").arg(n), width);
        }
    }
};

QList<FieldColumn> columnsOf(const HeaderStrip& header)
{
    QList<FieldColumn> columns;
    for (const TQxHeaderSection& s : header.Sections().sections())
        columns.append(FieldColumn{s.text, s.width});
    return columns;
}

void pressAt(HeaderStrip& header, int x)
{
    header.mousePress(HeaderStrip::MouseButton::Right, x);
}

} // namespace

TEST(FieldColumns, BuiltInLayoutHeadingsAndMenuOrder)
{
    const HeaderStrip header = makeFieldHeader();
    EXPECT_EQ(header.width(), 558);
    EXPECT_EQ(header.clientWidth(), 556);
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"No.", 30},
                                                     {"Name", 158},
                                                     {"Type", 76},
                                                     {"Size", 31},
                                                     {"Min.", 57},
                                                     {"Max.", 63},
                                                     {"Def.", 54},
                                                     {"Mask", 56},
                                                     {"Idx", 24}}));
    QStringList headings;
    for (const QString& kind : fieldColumnKinds())
        headings.append(fieldColumnHeading(kind));
    EXPECT_EQ(headings, (QStringList{"No.", "Name", "Type", "Size", "Min.Val", "Max.Val", "Default", "Mask", "Index"}));
    EXPECT_EQ(fieldColumnHeading("idx"), "Index");
    EXPECT_EQ(fieldColumnHeading("Comment"), "");
    EXPECT_EQ(fieldColumnMenuKinds(),
              (QStringList{"No.", "Name", "Size", "Type", "Min.", "Max.", "Def.", "Mask", "Idx"}));
}

// --- menu actions ---------------------------------------------------------------------

TEST(FieldColumns, InsertingIntoAFullStripNarrowsEverySectionWiderThan30)
{
    // The built-in layout as saved and loaded again: "Idx" is 31, the strip is full (556).
    HeaderStrip header = makeFieldHeader();
    header.SetSectionWidth(8, 31);
    pressAt(header, 270); // in "Size" (264 .. 294)
    ASSERT_EQ(header.PopUpIndex(), 3);
    RemoveClick(header); // no arranging: 525 pixels remain
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"No.", 30},
                                                     {"Name", 158},
                                                     {"Type", 76},
                                                     {"Min.", 57},
                                                     {"Max.", 63},
                                                     {"Def.", 54},
                                                     {"Mask", 56},
                                                     {"Idx", 31}}));

    // Only the removed kind is offered again.
    QStringList offered;
    for (const QString& kind : fieldColumnMenuKinds())
        if (header.submenuItemEnabled(kind))
            offered.append(kind);
    EXPECT_EQ(offered, QStringList{"Size"});
    EXPECT_FALSE(header.submenuItemEnabled("MASK"));

    // 525 + 30 = 555 > 554: one pass narrows the seven sections wider than 30, to 548.
    pressAt(header, 0);
    InsItem(header, "Size");
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"Size", 30},
                                                     {"No.", 30},
                                                     {"Name", 157},
                                                     {"Type", 75},
                                                     {"Min.", 56},
                                                     {"Max.", 62},
                                                     {"Def.", 53},
                                                     {"Mask", 55},
                                                     {"Idx", 30}}));
    for (const QString& kind : fieldColumnMenuKinds())
        EXPECT_FALSE(header.submenuItemEnabled(kind)) << kind.toStdString();
}

TEST(FieldColumns, AppendGoesAfterThePressedSection)
{
    HeaderStrip header(FieldHeaderWidth);
    for (const char* kind : {"Name", "Type", "Size"})
        header.Sections().add(kind);
    header.SetSectionWidth(0, 400);
    header.SetSectionWidth(1, 100);
    header.SetSectionWidth(2, 32);
    pressAt(header, 450); // in "Type"
    AppItem(header, "Idx");
    // 562 pixels: three passes, "Size" reaching 30 after the second.
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"Name", 397}, {"Type", 97}, {"Idx", 30}, {"Size", 30}}));
}

TEST(FieldColumns, RemoveIsOfferedWhileMoreThanOneColumnRemains)
{
    HeaderStrip header(FieldHeaderWidth);
    header.Sections().add("Name");
    header.Sections().add("Type");
    EXPECT_TRUE(header.topLevelItemEnabled("Remove"));
    pressAt(header, 0);
    RemoveClick(header);
    EXPECT_EQ(header.Sections().count(), 1);
    EXPECT_FALSE(header.topLevelItemEnabled("Remove"));
    EXPECT_TRUE(header.topLevelItemEnabled("Insert"));
    EXPECT_TRUE(header.topLevelItemEnabled("Append"));
}

TEST(FieldColumns, AnEmptyStripTakesNewColumnsAtTheStart)
{
    HeaderStrip header(FieldHeaderWidth);
    pressAt(header, 100);
    ASSERT_EQ(header.PopUpIndex(), -1);
    RemoveClick(header); // nothing to remove
    InsItem(header, "Name");
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"Name", 30}}));
    header.Sections().clear();
    AppItem(header, "Type");
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"Type", 30}}));
}

// --- loading and saving ---------------------------------------------------------------

TEST_F(FieldColumnsFile, SavingTheBuiltInLayoutStoresIdxWithTheRestOfTheStrip)
{
    saveFieldColumns(settings_, makeFieldHeader());
    EXPECT_EQ(settings_.ReadNumber(Section, "Count", -1), 9);
    EXPECT_EQ(settings_.ReadText(Section, "FieldName_1", ""), "No.");
    EXPECT_EQ(settings_.ReadNumber(Section, "FieldWidth_1", -1), 30);
    EXPECT_EQ(settings_.ReadText(Section, "FieldName_9", ""), "Idx");
    EXPECT_EQ(settings_.ReadNumber(Section, "FieldWidth_9", -1), 31); // 556 - 525

    HeaderStrip loaded(FieldHeaderWidth);
    LoadFieldColumns(settings_, loaded);
    QList<FieldColumn> expected = builtInFieldColumns();
    expected.last().width = 31;
    EXPECT_EQ(columnsOf(loaded), expected);
}

TEST_F(FieldColumnsFile, WithoutACountOrWithTheMarker9999TheStripKeepsItsColumns)
{
    HeaderStrip header = makeFieldHeader();
    LoadFieldColumns(settings_, header);
    EXPECT_EQ(columnsOf(header), builtInFieldColumns());
    settings_.WriteNumber(Section, "Count", 9999);
    settings_.WriteText(Section, "FieldName_1", "Mask");
    LoadFieldColumns(settings_, header);
    EXPECT_EQ(columnsOf(header), builtInFieldColumns());
}

TEST_F(FieldColumnsFile, CountZeroOrNegativeLeavesTheStripEmpty)
{
    for (int count : {0, -5}) {
        HeaderStrip header = makeFieldHeader();
        settings_.WriteNumber(Section, "Count", count);
        LoadFieldColumns(settings_, header);
        EXPECT_EQ(header.Sections().count(), 0) << count;
        EXPECT_FALSE(header.topLevelItemEnabled("Remove"));
    }
}

TEST_F(FieldColumnsFile, MissingAndMalformedKeysTakeTheirDefaultsAndWidthsAreTakenAsStored)
{
    settings_.WriteNumber(Section, "Count", 3);
    settings_.WriteText(Section, "FieldName_1", "Mask");
    settings_.WriteText(Section, "FieldWidth_1", "abc");
    settings_.WriteNumber(Section, "FieldWidth_2", 900); // overflows the strip; not arranged
    HeaderStrip header = makeFieldHeader();
    LoadFieldColumns(settings_, header);
    EXPECT_EQ(columnsOf(header), (QList<FieldColumn>{{"Mask", 40}, {"Name", 900}, {"Name", 40}}));
    EXPECT_EQ(header.SectionWidth(2), 556 - 940);
}

TEST_F(FieldColumnsFile, AHugeCountIsCappedAndLoadsQuickly)
{
    settings_.WriteNumber(Section, "Count", std::numeric_limits<int>::max());
    HeaderStrip header = makeFieldHeader();
    QElapsedTimer timer;
    timer.start();
    LoadFieldColumns(settings_, header);
    EXPECT_EQ(header.Sections().count(), MaxFieldColumns);
    EXPECT_EQ(header.Sections().text(MaxFieldColumns - 1), "Name");
    EXPECT_LT(timer.elapsed(), 20000);
}

// --- the printed table's columns ------------------------------------------------------

TEST(FieldColumnLayout, BuiltInLayoutOn4000Dots)
{
    // S = 4000 / 558. Starts: trunc(S × 0, 30, 188, 264, 295, 352, 415, 469, 525).
    const FieldColumnLayout layout(makeFieldHeader(), 4000);
    QList<int> starts;
    for (const QString& kind : fieldColumnKinds())
        starts.append(layout.ColumnX(kind));
    EXPECT_EQ(starts, (QList<int>{0, 215, 1347, 1892, 2114, 2523, 2974, 3362, 3763}));

    EXPECT_EQ(layout.ColumnWidth("Name"), 1132); // 158 × S = 1132.6
    EXPECT_EQ(layout.ColumnWidth("idx"), 222);   // the painted 31, not the stored 24
    EXPECT_EQ(layout.ColumnX("Comment"), FieldColumnLayout::NoColumn);
    EXPECT_EQ(layout.ColumnWidth("Comment"), 100);

    // Each width truncated on its own: 215, +1132, +544, +222, +408, +451, +387, +401.
    // The separator before "Size" stands at 1891, one dot left of its start 1892.
    EXPECT_EQ(layout.separatorOffsets(), (QList<int>{215, 1347, 1891, 2113, 2521, 2972, 3359, 3760}));
}

TEST(FieldColumnLayout, FirstCaseBlindMatchCountsAndSeparatorsCoverEverySection)
{
    const FieldColumnLayout layout({{"Name", 100}, {"Comment", 50}, {"NAME", 200}}, 558, 4000);
    EXPECT_EQ(layout.ColumnX("name"), 0);
    EXPECT_EQ(layout.ColumnWidth("name"), 716); // 100 × S = 716.8
    EXPECT_EQ(layout.separatorOffsets(), (QList<int>{716, 1074}));
    EXPECT_TRUE(FieldColumnLayout({{"Name", 558}}, 558, 4000).separatorOffsets().isEmpty());
}

TEST(FieldColumnLayout, ANegativeLastWidthFallsBackTo100)
{
    HeaderStrip header(FieldHeaderWidth);
    header.Sections().add("Name");
    header.Sections().add("Idx");
    header.SetSectionWidth(0, 600);
    const FieldColumnLayout layout(header, 4000);
    EXPECT_EQ(layout.ColumnWidth("Idx"), 100); // painted 556 - 600 = -44
    EXPECT_EQ(layout.ColumnX("Idx"), 4301);    // 600 × S = 4301.08
}

TEST(FieldColumnLayout, ScaleCarriesA64BitMantissa)
{
    // 93 × 3000 / 558 is exactly 500; the ratio 3000 / 558 in a 53-bit double times 93
    // gives 499.99..., in a 64-bit mantissa it gives 500.
    const FieldColumnLayout layout({{"No.", 93}, {"Name", 465}}, 558, 3000);
    EXPECT_EQ(layout.ColumnX("Name"), 500);
    EXPECT_EQ(layout.ColumnWidth("No."), 500);
    EXPECT_EQ(layout.ColumnWidth("Name"), 2500);
}
