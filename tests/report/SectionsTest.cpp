#include "FakeFormat.h"
#include "IndexSection.h"
#include "IntegritySection.h"
#include "RecordingDevice.h"
#include "TestStandIns.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

QString identity(const QString& s)
{
    return s;
}

// The A4 laser page with the fixed metric: leftX 396, printable width 4028, topY 10,
// Arial 8 lines of 72 + 25 = 97 dots, currentY 64 on page 1; page 1 holds 59 rows
// below the information block, later pages 66.
class Sections : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        for (const char* name : {"T.FAK", "REL.FAK"}) {
            QFile f(dir_.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("ok");
        }
        def_.tableType = "PARADOX";
        settings_.BodyFontSize = 8;
        for (int i = 0; i < 6; ++i) {
            FieldDefinition f;
            f.name = QStringLiteral("F%1").arg(i + 1);
            def_.fields.push_back(f);
        }
    }

    void open()
    {
        auto fake = std::make_unique<test::FakeFormat>(def_, indexCount);
        fake->links = links_;
        fake->firstIsPrimary = keyed_;
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::move(fake));
        engine_ = std::make_unique<DatabaseEngine>(std::move(formats));
        table_ = std::make_unique<TableSource>(*engine_);
        related_ = std::make_unique<TableSource>(*engine_);
        table_->open(dir_.path(), "T.FAK");
        table_->refreshIndexDefinitions();
        ASSERT_TRUE(table_->readFieldDescriptors(descriptors_));
        structure_ = TableStructure::from("T.FAK", table_->properties(), *table_, descriptors_);
        device_.beginJob("x");
        context_ = std::make_unique<ReportContext>(device_, settings_, label_);
        context_->measureResolution();
        context_->measureHeaders();
        context_->SetUpPage();
        context_->PlanPages(structure_.fieldCount);
        context_->BeginReportPage();
        ASSERT_EQ(context_->leftX, 396);
        if (settings_.PrintGrid) {
            ASSERT_EQ(context_->lineHeight, 97);
            ASSERT_EQ(context_->currentY, 64);
            ASSERT_EQ(context_->firstPageLines, 59);
            ASSERT_EQ(context_->linesPerPage, 66);
        }
        device_.clearRecords();
    }

    // Text top of line n on a page whose currentY is 64.
    static int lineTop(int n) { return 10 + 64 + (n + 1) * 97; }

    std::vector<TextRecord> textsOnPage(int page) const
    {
        std::vector<TextRecord> out;
        int current = 1;
        for (const auto& r : device_.records()) {
            if (const auto* p = std::get_if<PageRecord>(&r))
                current = p->number;
            else if (const auto* t = std::get_if<TextRecord>(&r); t && current == page)
                out.push_back(*t);
        }
        return out;
    }

    static const TextRecord* find(const std::vector<TextRecord>& texts, const QString& text)
    {
        for (const auto& t : texts)
            if (t.text == text)
                return &t;
        return nullptr;
    }

    QTemporaryDir dir_;
    TableDefinition def_;
    int indexCount = 0;
    bool keyed_ = true;
    std::vector<IntegrityDescriptor> links_;
    ReportSettings settings_;
    LabelFunction label_ = identity;
    RecordingDevice device_;
    std::unique_ptr<DatabaseEngine> engine_;
    std::unique_ptr<TableSource> table_;
    std::unique_ptr<TableSource> related_;
    FieldDescriptorBuffer descriptors_;
    TableStructure structure_;
    std::unique_ptr<ReportContext> context_;
    test::RecordedMessages messages_;
};

} // namespace

TEST_F(Sections, IndexCaptionsTwoLinesBelowTheLastFieldAndRowsAfterAnEmptyLine)
{
    indexCount = 3; // the primary index and two secondary ones
    open();
    int row = 5;
    printIndexSection(*context_, *table_, structure_, row);
    EXPECT_EQ(row, 11);
    const auto texts = textsOnPage(1);
    const auto* caption = find(texts, "Sec. Indexes");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->x, 396);
    EXPECT_EQ(caption->y, lineTop(8));
    EXPECT_TRUE(caption->font.bold);
    std::vector<TextRecord> captions;
    for (const auto& t : texts)
        if (t.y == lineTop(8))
            captions.push_back(t);
    ASSERT_EQ(captions.size(), 4u);
    EXPECT_EQ(captions[1].text, "Used Field(s)");
    EXPECT_EQ(captions[1].x, 396 + 805); // 0.2 of 4028
    // "Maintained" is cut to the flag column: 0.1 of 4028 less 20 dots.
    EXPECT_EQ(captions[2].text, "Maintai");
    EXPECT_EQ(captions[2].x, 396 + 3222); // 0.8
    EXPECT_EQ(captions[3].text, "Cased");
    EXPECT_EQ(captions[3].x, 396 + 3625);      // 0.9
    EXPECT_EQ(find(texts, "Index1"), nullptr); // the primary index
    const auto* first = find(texts, "Index2");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->y, lineTop(10)); // line 9 after the captions stays empty
    EXPECT_EQ(find(texts, "Index3")->y, lineTop(11));
    // Marks stand at the flag column's start + 402 / 2 - 25.
    int marks = 0;
    for (const auto& t : texts)
        if (t.text == "*") {
            EXPECT_TRUE(t.x == 396 + 3222 + 176 || t.x == 396 + 3625 + 176) << t.x;
            ++marks;
        }
    EXPECT_EQ(marks, 4); // maintained and cased for both indexes

    // The caption frame is thick, the rows thin and the first row grey.
    const auto rects = device_.recordsOf<RectRecord>();
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0].penWidth, 8);
    EXPECT_EQ(rects[0].x1, 396 - 25);
    EXPECT_EQ(rects[0].x2, 396 + 4028);
    EXPECT_EQ(rects[0].y1, lineTop(8) - 24); // a quarter line above the text
    EXPECT_EQ(rects[0].y2, lineTop(9) - 24);
    EXPECT_EQ(rects[1].penWidth, 1);
    EXPECT_TRUE(rects[1].fill.has_value());
    EXPECT_FALSE(rects[2].fill.has_value());
    const auto lines = device_.recordsOf<LineRecord>();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0].x1, 396 + 805 - 25);
    EXPECT_EQ(lines[1].x1, 396 + 3222 - 25);
    EXPECT_EQ(lines[2].x1, 396 + 3625 - 25);
}

TEST_F(Sections, IndexListBrokenByThePageContinuesOnLineZeroWithoutCaptions)
{
    indexCount = 3;
    open();
    int row = 54; // captions on 57, empty 58, Index2 on 59 reaches page 1's limit of 59
    printIndexSection(*context_, *table_, structure_, row);
    EXPECT_EQ(row, 0);
    EXPECT_NE(find(textsOnPage(1), "Index2"), nullptr);
    const auto page2 = textsOnPage(2);
    EXPECT_EQ(find(page2, "Sec. Indexes"), nullptr);
    const auto* next = find(page2, "Index3");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->y, lineTop(0));
}

TEST_F(Sections, IndexCaptionsThatReachTheLimitMoveToTheCaptionLineOfANewPage)
{
    indexCount = 2;
    open();
    int row = 56; // the captions would stand on 59
    printIndexSection(*context_, *table_, structure_, row);
    const auto page2 = textsOnPage(2);
    const auto* caption = find(page2, "Sec. Indexes");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->y, lineTop(-1));
    EXPECT_EQ(find(page2, "Index2")->y, lineTop(1));
}

TEST_F(Sections, EmptyIndexCharLeavesTheFlagColumnsEmptyAndGridOffDrawsNothing)
{
    indexCount = 2;
    settings_.IndexChar = "";
    settings_.PrintGrid = false;
    open();
    int row = 0;
    printIndexSection(*context_, *table_, structure_, row);
    EXPECT_EQ(find(textsOnPage(1), "*"), nullptr);
    EXPECT_TRUE(device_.recordsOf<RectRecord>().empty());
    EXPECT_TRUE(device_.recordsOf<LineRecord>().empty());
}

TEST_F(Sections, LinkBlockThatDoesNotFitMovesToANewPageWithItsCaptionsOnLineZero)
{
    links_ = {IntegrityDescriptor{
        "ThreePairs", IntegrityDescriptor::Kind::Master, "REL.FAK", true, {{1, 2}, {2, 3}, {3, 4}}}};
    open();
    int row = 52; // the link's empty row is 53; 3 pairs + 1 + 3 caption lines need 7 > 59 - 53
    printIntegritySection(*context_, *table_, *related_, structure_, dir_.path(), "T.FAK", messages_, row);
    EXPECT_TRUE(messages_.errors.isEmpty());
    EXPECT_EQ(find(textsOnPage(1), "Master links"), nullptr);
    const auto page2 = textsOnPage(2);
    const auto* caption = find(page2, "Master links");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->y, lineTop(0));
    const auto* name = find(page2, "ThreePairs");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->y, lineTop(2));
    EXPECT_EQ(find(page2, "rel.fak")->x, 396 + 805);
    EXPECT_EQ(find(page2, "Casc.")->x, 396 + 1611); // 0.4 of 4028
    // Pair fields: this table's F1 in column 4, the related table's F2 in column 5.
    EXPECT_EQ(find(page2, "F1")->x, 396 + 2014); // 0.5
    const auto* theirs = find(page2, "F4");
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(theirs->x, 396 + 3021); // 0.75
    EXPECT_EQ(theirs->y, lineTop(4));
    EXPECT_EQ(row, 4);
}

TEST_F(Sections, LaterPairRowsAreFramedFromTheFourthColumnOnly)
{
    links_ = {IntegrityDescriptor{"Two", IntegrityDescriptor::Kind::Master, "REL.FAK", false, {{1, 1}, {2, 2}}}};
    settings_.PrintZebraPattern = false;
    open();
    int row = 0;
    printIntegritySection(*context_, *table_, *related_, structure_, dir_.path(), "T.FAK", messages_, row);
    const auto rects = device_.recordsOf<RectRecord>();
    ASSERT_EQ(rects.size(), 3u); // captions, the first pair, the second pair
    EXPECT_EQ(rects[0].penWidth, 8);
    EXPECT_EQ(rects[1].x1, 396 - 25);
    EXPECT_EQ(rects[2].x1, 396 + 2014 - 25);
    EXPECT_EQ(rects[2].x2, 396 + 4028);
    // The link's empty row is line 1, one more empty line, the captions on line 3, an
    // empty line, the pairs on lines 5 and 6.
    EXPECT_EQ(rects[0].y1, lineTop(3) - 24);
    EXPECT_EQ(rects[1].y1, lineTop(5) - 24);
    EXPECT_EQ(rects[2].y1, lineTop(6) - 24);
    EXPECT_EQ(find(textsOnPage(1), "Restr.")->y, lineTop(5));
}

TEST_F(Sections, OnlyDependentLinksWithDependentsOffPrintNothing)
{
    links_ = {IntegrityDescriptor{"D", IntegrityDescriptor::Kind::Dependent, "REL.FAK", true, {{1, 1}}}};
    settings_.RefIntegrityDependent = false;
    open();
    int row = 3;
    printIntegritySection(*context_, *table_, *related_, structure_, dir_.path(), "T.FAK", messages_, row);
    EXPECT_EQ(row, 3);
    EXPECT_TRUE(device_.recordsOf<TextRecord>().empty());
}

TEST_F(Sections, UnkeyedParadoxTableKeepsItsFirstSecondaryIndex)
{
    // An unkeyed table has no primary index; its only index is a secondary one.
    indexCount = 1;
    keyed_ = false;
    open();
    int row = 0;
    printIndexSection(*context_, *table_, structure_, row);
    EXPECT_NE(find(textsOnPage(1), "Index1"), nullptr);
    EXPECT_EQ(row, 5);
}

// A server's foreign key prints its update rule on the link's first row and its delete rule
// below it under "Upd/Del", a one-pair link taking a second row for it; the related table
// is opened through the printed table's database. Under a translation the words the label
// table has no rows for (it answers them blank) still print.
TEST_F(Sections, ServerLinkPrintsBothRulesOnTwoRows)
{
    label_ = [](const QString& text) {
        if (text == "Casc.")
            return QStringLiteral("Kask.");
        const bool inTable = !QStringList{"Upd/Del", "No act.", "Set null", "Set def."}.contains(text);
        return inTable ? text : QString();
    };
    def_.tableType = "POSTGRESQL";
    def_.server = ServerFacts{"UTF8", "C.UTF-8", {}};
    using A = ReferentialAction;
    links_ = {IntegrityDescriptor{
                  "fk", IntegrityDescriptor::Kind::Master, "REL.FAK", LinkRules(A::NoAction, A::SetNull), {{1, 2}}},
              IntegrityDescriptor{"fk2",
                                  IntegrityDescriptor::Kind::Master,
                                  "REL.FAK",
                                  LinkRules(A::Cascade, A::SetDefault),
                                  {{2, 1}, {3, 3}, {4, 4}}}};
    settings_.PrintZebraPattern = false;
    def_.fields[1].defaultExpression = "now()";
    open();
    // a default the server computes prints as its expression in the Default column
    const StructureTexts structureTexts(*table_, structure_, label_);
    EXPECT_EQ(structureTexts.ValidityText(structure_.fields[1], ValidityValue::Default), "now()");
    EXPECT_EQ(structureTexts.ValidityText(structure_.fields[0], ValidityValue::Default), "");
    int row = 0;
    printIntegritySection(*context_, *table_, *related_, structure_, dir_.path(), "T.FAK", messages_, row);
    ASSERT_TRUE(messages_.errors.isEmpty()) << messages_.errors.join('\n').toStdString();
    const auto texts = textsOnPage(1);
    const auto at = [&](const char* text) {
        const auto* t = find(texts, text);
        return t ? std::make_pair(t->x, t->y) : std::make_pair(-1, -1);
    };
    const int rules = 396 + 1611;
    EXPECT_EQ(at("Upd/Del").first, rules);
    EXPECT_EQ(find(texts, "Mod."), nullptr);
    // Captions on line 3; the first link's rows on lines 5 and 6, the second's on 8 to 10.
    EXPECT_EQ(at("fk"), std::make_pair(396, lineTop(5)));
    EXPECT_EQ(at("No act."), std::make_pair(rules, lineTop(5)));
    EXPECT_EQ(at("Set null"), std::make_pair(rules, lineTop(6)));
    EXPECT_EQ(at("Kask."), std::make_pair(rules, lineTop(8)));
    EXPECT_EQ(at("Set def."), std::make_pair(rules, lineTop(9)));
    EXPECT_EQ(at("F3"), std::make_pair(396 + 2014, lineTop(9))); // pairs go on beside the rule
    EXPECT_EQ(row, 10);
    // The rule row is framed from the third column; a later pair row from the fourth.
    const auto rects = device_.recordsOf<RectRecord>();
    ASSERT_EQ(rects.size(), 6u); // captions, 2 rows, 3 rows
    EXPECT_EQ(rects[2].x1, rules - 25);
    EXPECT_EQ(rects[2].y1, lineTop(6) - 24);
    EXPECT_EQ(rects[4].x1, rules - 25);
    EXPECT_EQ(rects[5].x1, 396 + 2014 - 25);
}
