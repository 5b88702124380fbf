#include "FieldTable.h"
#include "FakeFormat.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

QString identity(const QString& s)
{
    return s;
}

// A table of five fields (the first a key) printed with the built-in columns on the
// A4 laser page: leftX 396, printable width 4028, so a strip pixel is 4028 / 558 dots.
class FieldTablePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QFile f(dir_.filePath("t.fak"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ok");
        f.close();
        for (int i = 0; i < 5; ++i) {
            FieldDefinition d;
            d.name = QStringLiteral("Field%1").arg(i + 1);
            d.type = FieldType::String;
            d.size = 10 + i;
            d.key = i == 0;
            def_.fields.push_back(d);
        }
        def_.tableType = "PARADOX";
    }

    void print(int rows, int first)
    {
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::make_unique<test::FakeFormat>(def_));
        engine_ = std::make_unique<DatabaseEngine>(std::move(formats));
        source_ = std::make_unique<TableSource>(*engine_);
        source_->open(dir_.path(), "t.fak");
        ASSERT_TRUE(source_->readFieldDescriptors(descriptors_));
        structure_ = TableStructure::from("t.fak", source_->properties(), *source_, descriptors_);
        texts_ = std::make_unique<StructureTexts>(*source_, structure_, identity);

        device_.beginJob("x");
        context_ = std::make_unique<ReportContext>(device_, settings_, identity);
        context_->measureResolution();
        context_->SetUpPage();
        context_->PlanPages(structure_.fieldCount);
        layout_ = std::make_unique<FieldColumnLayout>(strip_, context_->printableWidth);
        FieldTable table(*context_, *layout_, *texts_, structure_);
        context_->BeginReportPage();
        device_.clearRecords();
        next_ = table.PrintFieldTablePage(rows, first);
    }

    std::vector<TextRecord> textsAt(int y) const
    {
        std::vector<TextRecord> out;
        for (const auto& t : device_.recordsOf<TextRecord>())
            if (t.y == y)
                out.push_back(t);
        return out;
    }

    QTemporaryDir dir_;
    TableDefinition def_;
    ReportSettings settings_;
    HeaderStrip strip_ = makeFieldHeader();
    RecordingDevice device_;
    std::unique_ptr<DatabaseEngine> engine_;
    std::unique_ptr<TableSource> source_;
    FieldDescriptorBuffer descriptors_;
    TableStructure structure_;
    std::unique_ptr<StructureTexts> texts_;
    std::unique_ptr<ReportContext> context_;
    std::unique_ptr<FieldColumnLayout> layout_;
    int next_ = -1;
};

} // namespace

TEST_F(FieldTablePage, CaptionsAndCellsStandAtTheScaledColumnStarts)
{
    print(10, 0);
    ASSERT_EQ(context_->leftX, 396);
    ASSERT_EQ(context_->printableWidth, 4028);
    const int y0 = context_->topY + context_->currentY;
    const auto captions = textsAt(y0);
    ASSERT_EQ(captions.size(), 9u);
    EXPECT_EQ(captions[0].text, "No.");
    EXPECT_EQ(captions[0].x, 396);
    EXPECT_TRUE(captions[0].font.bold);
    EXPECT_EQ(captions[1].text, "Name");
    EXPECT_EQ(captions[1].x, 396 + 216); // 30 px: 30 * 4028 / 558 = 216.56
    // Captions are fitted to their columns: "Min.Val" in bold is 420 dots, the Min. column
    // 57 px = 411 dots leaves 391; "Index" gets 223 - 20 dots.
    EXPECT_EQ(captions[4].text, "Min.Va");
    EXPECT_EQ(captions[8].text, "Ind");
    EXPECT_EQ(captions[8].x, 396 + 3789); // 525 px: 3789.78

    // The first row stands one empty line below the captions.
    const int u = context_->lineHeight;
    const auto row1 = textsAt(y0 + 2 * u);
    ASSERT_EQ(row1.size(), 9u);
    EXPECT_EQ(row1[0].text, "0"); // OffsetFirstField 0 numbers from 0
    EXPECT_EQ(row1[1].text, "Field1");
    EXPECT_FALSE(row1[1].font.bold);
    EXPECT_EQ(row1[2].text, "String");
    EXPECT_EQ(row1[3].text, "10");
    // The key mark is centred in the last column, painted 31 px wide: 223 dots.
    EXPECT_EQ(row1[8].text, "*");
    EXPECT_EQ(row1[8].x, 396 + 3789 + 223 / 2 - 25);
    EXPECT_EQ(textsAt(y0 + 3 * u)[8].text, "");
    EXPECT_EQ(next_, 5); // the table ended on this page
}

TEST_F(FieldTablePage, ZebraShadesTheFirstThirdAndFifthRowOfEveryPage)
{
    print(3, 2);
    const auto rects = device_.recordsOf<RectRecord>();
    ASSERT_EQ(rects.size(), 4u); // the caption box and three rows
    EXPECT_EQ(rects[0].penWidth, 8);
    EXPECT_FALSE(rects[0].fill.has_value());
    const QColor grey(229, 229, 229); // 10 %
    EXPECT_EQ(rects[1].fill, grey);
    EXPECT_FALSE(rects[2].fill.has_value());
    EXPECT_EQ(rects[3].fill, grey);
    EXPECT_EQ(rects[1].penWidth, 1);
    // Boxes run from 25 dots left of the report to its right edge, a line high.
    const int u = context_->lineHeight;
    const int t = u / 4;
    const int y = context_->topY + context_->currentY + 2 * u;
    EXPECT_EQ(rects[1].x1, 396 - 25);
    EXPECT_EQ(rects[1].x2, 396 + 4028);
    EXPECT_EQ(rects[1].y1, y - t);
    EXPECT_EQ(rects[1].y2, y - t + u);
    // Eight separators per row and for the captions, 25 dots left of each start; each
    // section is scaled on its own: 30 px, then 158 px (1140.6) added.
    const auto lines = device_.recordsOf<LineRecord>();
    ASSERT_EQ(lines.size(), 4u * 8u);
    EXPECT_EQ(lines[0].x1, 396 + 216 - 25);
    EXPECT_EQ(lines[1].x1, 396 + 216 + 1140 - 25);
    EXPECT_EQ(next_, 5);
}

TEST_F(FieldTablePage, WithoutGridNoBoxesLinesOrShading)
{
    settings_.PrintGrid = false;
    print(5, 0);
    EXPECT_TRUE(device_.recordsOf<RectRecord>().empty());
    EXPECT_TRUE(device_.recordsOf<LineRecord>().empty());
}

TEST_F(FieldTablePage, ZebraOffLeavesRowsHollow)
{
    settings_.PrintZebraPattern = false;
    print(5, 0);
    for (const auto& r : device_.recordsOf<RectRecord>())
        EXPECT_FALSE(r.fill.has_value());
}

TEST_F(FieldTablePage, ColumnsFollowTheStripOnlyOncePerKind)
{
    strip_.Sections().clear();
    strip_.Sections().add("Name");
    strip_.Sections().add("Custom");
    strip_.Sections().add("name");
    strip_.Sections().add("No.");
    for (int i = 0; i < 4; ++i)
        strip_.SetSectionWidth(i, 100);
    settings_.OffsetFirstField = 1;
    settings_.IndexChar = "";
    print(2, 0);
    const int y0 = context_->topY + context_->currentY;
    const auto captions = textsAt(y0);
    ASSERT_EQ(captions.size(), 2u); // the unknown kind and the repeated name print nothing
    EXPECT_EQ(captions[0].text, "No.");
    EXPECT_EQ(captions[0].x, 396 + 300 * 4028 / 558);
    EXPECT_EQ(captions[1].text, "Name");
    EXPECT_EQ(textsAt(y0 + 2 * context_->lineHeight)[0].text, "1");
    // Separators still stand for every section.
    EXPECT_EQ(device_.recordsOf<LineRecord>().size(), 3u * 3u);
    EXPECT_EQ(next_, 2);
}

TEST_F(FieldTablePage, NarrowColumnsPrintEmptyCells)
{
    strip_.Sections().clear();
    strip_.Sections().add("Name");
    strip_.Sections().add("Type");
    strip_.SetSectionWidth(0, 2); // 14 dots on paper
    print(1, 0);
    const auto row = textsAt(context_->topY + context_->currentY + 2 * context_->lineHeight);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0].text, "");
    EXPECT_EQ(row[1].text, "String");
}
