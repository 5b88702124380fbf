#include "TableReport.h"
#include "FakeFormat.h"
#include "IntegritySection.h"
#include "RecordingDevice.h"

#include "ReportServices.h"
#include "SettingsFile.h"
#include "TestStandIns.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

using test::RecordedMessages;
using test::RecordedProgress;

class Report : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        touch("T.FAK");
        touch("REL.FAK");
        location_.currentDirectory = dir_.path();
        def_.tableType = "PARADOX";
        def_.level = 5;
        def_.recordSize = 30;
        for (int i = 0; i < 4; ++i) {
            FieldDefinition f;
            f.name = QStringLiteral("F%1").arg(i + 1);
            f.type = FieldType::String;
            f.size = 10;
            f.key = i == 0;
            def_.fields.push_back(f);
        }
    }

    void touch(const QString& name)
    {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ok");
    }

    bool print(const QString& name = "T.FAK")
    {
        auto fake = std::make_unique<test::FakeFormat>(def_, indexCount);
        fake->links = links_;
        fake->lastIndexExpression = expression_;
        format_ = fake.get();
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::move(fake));
        reporter_.reset();
        services_ = std::make_unique<ReportServices>(settings_.path(), std::move(formats));
        services_->location() = location_;
        // Small enough that the captions fit their columns in the fixed metric.
        services_->bodyFont() = BodyFont{"Arial", 6};
        reporter_ = std::make_unique<TableReporter>(*services_, device_, messages_, progress_);
        reporter_->setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(8, 0)); });
        return reporter_->PrintTableReport(name);
    }

    QStringList textsOf() const
    {
        QStringList out;
        for (const auto& t : device_.recordsOf<TextRecord>())
            out << t.text;
        return out;
    }

    QTemporaryDir dir_;
    TableDefinition def_;
    int indexCount = 0;
    std::vector<IntegrityDescriptor> links_;
    QString expression_;
    test::FakeFormat* format_ = nullptr;
    SettingsFile settings_{dir_.filePath("KORVEX20.INI")};
    RecordingDevice device_;
    RecordedMessages messages_;
    RecordedProgress progress_;
    TableLocation location_;
    std::unique_ptr<ReportServices> services_;
    std::unique_ptr<TableReporter> reporter_;
};

} // namespace

TEST_F(Report, WholeReportIsOneJobWithTheInformationBlock)
{
    ASSERT_TRUE(print());
    EXPECT_TRUE(messages_.errors.isEmpty());
    EXPECT_EQ(progress_.shown, QStringList{"Printing structure of table T.FAK..."});
    EXPECT_FALSE(progress_.visible);
    EXPECT_FALSE(progress_.busy);
    const auto begins = device_.recordsOf<JobBeginRecord>();
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0].title, "Korvex : T.FAK");
    EXPECT_EQ(device_.recordsOf<JobEndRecord>().size(), 1u);
    EXPECT_TRUE(std::holds_alternative<JobEndRecord>(device_.records().back()));

    const QStringList t = textsOf();
    for (const char* label : {"Name of table:", "Type of table:", "Language Driver:", "Used Fields:", "Used Indexes:",
                              "Used Passwords:", "Phy. Recordsize:", "Log. Recordsize:", "File Blocksize:",
                              "Primary Keysize:", "Uni-directional:", "Strict integrity:"})
        EXPECT_TRUE(t.contains(label)) << label;
    EXPECT_TRUE(t.contains("T.FAK"));
    EXPECT_TRUE(t.contains("PARADOX 5"));
    EXPECT_TRUE(t.contains("30 Bytes"));
    EXPECT_TRUE(t.contains("0 KBytes"));
    EXPECT_TRUE(t.contains("None")); // no indexes, no passwords
    // The report wrote the hand-edited keys back for editing.
    EXPECT_EQ(settings_.ReadText("Options", "OffsetFirstField", "x"), "0");
    EXPECT_EQ(settings_.ReadText("Options", "IndexChar", "x"), "*");

    // The information block's frame: six lines above the captions, thick pen.
    const auto rects = device_.recordsOf<RectRecord>();
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].penWidth, 8);
    const auto names = device_.recordsOf<TextRecord>();
    const auto name = std::find_if(names.begin(), names.end(), [](const TextRecord& r) { return r.text == "T.FAK"; });
    ASSERT_NE(name, names.end());
    EXPECT_TRUE(name->font.bold); // the table name is printed in bold
}

TEST_F(Report, TableThatCannotBeOpenedBeginsNoJob)
{
    EXPECT_FALSE(print("MISSING.FAK"));
    EXPECT_EQ(messages_.errors, QStringList{"Error opening table to print!\n"});
    EXPECT_TRUE(device_.records().empty());
    EXPECT_TRUE(progress_.shown.isEmpty());
}

TEST_F(Report, TooManyFieldsIsRefusedBeforeTheJob)
{
    def_.fields.resize(501, def_.fields[1]);
    EXPECT_FALSE(print());
    EXPECT_EQ(messages_.errors, QStringList{"Unable to analyze table to print!\n"});
    EXPECT_TRUE(device_.records().empty());
    EXPECT_TRUE(reporter_->printedTable().isOpen()); // left open until the next report
}

TEST_F(Report, PrinterErrorAbortsTheWholeJob)
{
    def_.fields.resize(200, def_.fields[1]);
    device_.failNewPage(3, "paper jam");
    EXPECT_FALSE(print());
    EXPECT_EQ(messages_.errors, QStringList{"Error printing table structure!\n"});
    EXPECT_TRUE(std::holds_alternative<JobAbortRecord>(device_.records().back()));
    EXPECT_FALSE(progress_.visible);
    EXPECT_FALSE(progress_.busy);
    EXPECT_FALSE(reporter_->printedTable().isOpen());
    EXPECT_FALSE(device_.jobInProgress());
}

TEST_F(Report, SettingsValueThatIsNotANumberLeavesAsAnExceptionWithoutAJob)
{
    settings_.WriteText("Options", "Main_Header_FontSize", "big");
    EXPECT_THROW(print(), std::exception);
    EXPECT_TRUE(device_.records().empty());
    EXPECT_FALSE(device_.jobInProgress());
}

TEST_F(Report, OrientationFromTheFileAndBodyFontFromMemoryReachThePrinter)
{
    settings_.WriteText("Options", "Portrait", "0");
    settings_.WriteText("FONT", "Name", "Courier New"); // read at start only, not per table
    ASSERT_TRUE(print());
    const auto orientations = device_.recordsOf<OrientationRecord>();
    ASSERT_FALSE(orientations.empty());
    EXPECT_EQ(orientations.front().orientation, Orientation::Landscape);
    const auto fonts = device_.recordsOf<FontRecord>();
    EXPECT_TRUE(std::any_of(fonts.begin(), fonts.end(), [](const FontRecord& f) {
        return f.font.name == "Arial" && f.font.points == 6 && !f.font.bold;
    }));
    EXPECT_TRUE(
        std::none_of(fonts.begin(), fonts.end(), [](const FontRecord& f) { return f.font.name == "Courier New"; }));
}

TEST_F(Report, SettingsFileThatCannotBeWrittenNoLongerStopsThePrint)
{
    // A folder in the settings file's place: nothing read, nothing written back; the
    // table prints with the defaults (portrait among them).
    ASSERT_TRUE(QDir(dir_.path()).mkdir("KORVEX20.INI"));
    device_.setOrientation(Orientation::Landscape);
    EXPECT_TRUE(print());
    EXPECT_TRUE(messages_.errors.isEmpty());
    EXPECT_EQ(device_.orientation(), Orientation::Portrait);
}

TEST_F(Report, MarginsThatLeaveNoRoomForALineAreRefusedNotPrintedBlank)
{
    settings_.WriteNumber("Options", "Margin_Right", 999);
    EXPECT_FALSE(print());
    EXPECT_EQ(messages_.errors, QStringList{"Error printing table structure!\n"});
    EXPECT_TRUE(std::holds_alternative<JobAbortRecord>(device_.records().back()));
    EXPECT_TRUE(device_.recordsOf<TextRecord>().empty());
}

TEST_F(Report, ParadoxPrimaryIndexAloneMakesNoIndexSection)
{
    indexCount = 1;
    ASSERT_TRUE(print());
    EXPECT_FALSE(textsOf().contains("Sec. Indexes"));
}

TEST_F(Report, SecondaryIndexesFollowTheFieldTable)
{
    indexCount = 3;
    ASSERT_TRUE(print());
    const QStringList t = textsOf();
    EXPECT_TRUE(t.contains("Sec. Indexes"));
    EXPECT_TRUE(t.contains("Used Field(s)"));
    EXPECT_TRUE(t.contains("Maintained"));
    EXPECT_FALSE(t.contains("Index1")); // the primary index is not listed
    EXPECT_TRUE(t.contains("Index2"));
    EXPECT_TRUE(t.contains("Index3"));
    EXPECT_TRUE(t.contains("A;B"));
}

TEST_F(Report, DbaseListsEveryIndexAndNoIntegritySection)
{
    def_.tableType = "DBASE";
    indexCount = 1;
    links_ = {IntegrityDescriptor{"L", IntegrityDescriptor::Kind::Master, "REL.FAK", true, {{1, 1}}}};
    ASSERT_TRUE(print());
    const QStringList t = textsOf();
    EXPECT_TRUE(t.contains("Indexes"));
    EXPECT_TRUE(t.contains("Used Field(s) or Expression"));
    EXPECT_TRUE(t.contains("Index1"));
    EXPECT_FALSE(t.contains("Master links"));
}

TEST_F(Report, IntegrityLinksPrintWithTheRelatedTablesFields)
{
    links_ = {IntegrityDescriptor{"ToRel", IntegrityDescriptor::Kind::Master, "REL.FAK", true, {{2, 1}, {3, 4}}},
              IntegrityDescriptor{"FromRel", IntegrityDescriptor::Kind::Dependent, "REL.FAK", false, {{1, 2}}}};
    ASSERT_TRUE(print());
    const QStringList t = textsOf();
    const auto master = t.indexOf("Master links");
    const auto dependent = t.indexOf("Dependent links");
    ASSERT_GE(master, 0);
    ASSERT_GT(dependent, master);
    EXPECT_TRUE(t.contains("ToRel"));
    EXPECT_TRUE(t.contains("rel.fak")); // lower case, without its directory
    EXPECT_TRUE(t.contains("Casc."));
    EXPECT_TRUE(t.contains("Restr."));
    EXPECT_TRUE(messages_.errors.isEmpty());
}

TEST_F(Report, MissingRelatedTableEndsTheReportAfterItsMessage)
{
    links_ = {IntegrityDescriptor{"Gone", IntegrityDescriptor::Kind::Master, "C:\\DATA\\GONE.DB", true, {{1, 1}}}};
    EXPECT_FALSE(print());
    ASSERT_EQ(messages_.errors.size(), 1);
    EXPECT_EQ(messages_.errors[0],
              "Error opening related table for referential integrity list!\n\n(C:\\DATA\\GONE.DB)");
    EXPECT_TRUE(std::holds_alternative<JobAbortRecord>(device_.records().back()));
    EXPECT_FALSE(reporter_->printedTable().isOpen());
}

TEST_F(Report, WindowsPathOfARelatedTableResolvesBesideThePrintedTable)
{
    touch("orders.fak");
    links_ = {IntegrityDescriptor{"Win", IntegrityDescriptor::Kind::Master, "C:\\DATA\\ORDERS.FAK", false, {{1, 1}}}};
    ASSERT_TRUE(print());
    EXPECT_TRUE(textsOf().contains("orders.fak"));
}

TEST_F(Report, WithoutTheInformationBlockTheCaptionsStartBelowTheHeaders)
{
    settings_.WriteFlag("Options", "PrintHeader", false);
    ASSERT_TRUE(print());
    const auto texts = device_.recordsOf<TextRecord>();
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const TextRecord& t) { return t.text == "Name of table:"; }),
              0);
    // Arial 6 in the fixed metric: 54 + 25 = 79 dots a line, currentY (79 / 3) * 2 = 52.
    const auto caption = std::find_if(texts.begin(), texts.end(), [](const TextRecord& t) { return t.text == "No."; });
    ASSERT_NE(caption, texts.end());
    EXPECT_EQ(caption->y, 10 + 52);
    // No frame of the information block: the first thick rectangle is the caption box.
    const auto rects = device_.recordsOf<RectRecord>();
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].y1, 10 + 52 - 79 / 4);
}

TEST_F(Report, FieldsOverSeveralPagesWithZebraRestartingOnEachPage)
{
    def_.fields.resize(130, def_.fields[1]);
    indexCount = 3;
    ASSERT_TRUE(print());
    // 6797 usable dots, lines of 79: (6797 - 197) / 79 - 1 = 82 lines, 75 on page 1.
    EXPECT_EQ(device_.recordsOf<PageRecord>().size(), 2u);
    // The first field row of page 2 is shaded.
    bool onPage2 = false;
    int rowsSeen = 0;
    for (const auto& r : device_.records()) {
        if (const auto* p = std::get_if<PageRecord>(&r))
            onPage2 = p->number == 2;
        else if (const auto* rect = std::get_if<RectRecord>(&r); rect && onPage2 && rect->penWidth == 1) {
            if (rowsSeen == 0) {
                EXPECT_TRUE(rect->fill.has_value());
            } else if (rowsSeen == 1) {
                EXPECT_FALSE(rect->fill.has_value());
            }
            ++rowsSeen;
        }
    }
    EXPECT_GE(rowsSeen, 2);
    // The index section follows the last field on page 2.
    const QStringList t = textsOf();
    EXPECT_TRUE(t.contains("Index2"));
}

namespace {

// The texts drawn at the report's left edge (field numbers, index names) by page.
std::map<int, std::vector<TextRecord>> leftTexts(const RecordingDevice& device)
{
    std::map<int, std::vector<TextRecord>> pages;
    int page = 0;
    for (const auto& r : device.records()) {
        if (const auto* p = std::get_if<PageRecord>(&r))
            page = p->number;
        else if (const auto* t = std::get_if<TextRecord>(&r); t && t->x == 396)
            pages[page].push_back(*t);
    }
    return pages;
}

} // namespace

// Arial 6 in the fixed metric: lines of 79 dots, the caption line 52 below topY 10.
TEST_F(Report, PageStartedByTheIndexSectionIsNotShiftedByTheInformationBlock)
{
    indexCount = 90; // Index2 to Index68 fill page 1 down to its 75th line
    ASSERT_TRUE(print());
    const auto page2 = leftTexts(device_).at(2);
    ASSERT_EQ(page2.size(), 22u);
    EXPECT_EQ(page2.front().text, "Index69");
    EXPECT_EQ(page2.front().y, 10 + 52 + 79); // was seven lines lower
    EXPECT_EQ(page2.back().y, 10 + 52 + 22 * 79);
}

TEST_F(Report, FirstPageOnlyHeaderWithoutInformationBlockLosesNoFieldOverTheFooter)
{
    settings_.WriteFlag("Options", "PrintHeader", false);
    settings_.WriteText("Options", "Main_Header_Visible", "1. Page only");
    settings_.WriteText("Options", "Main_Header_Text", "Head");
    def_.fields.resize(80, def_.fields[1]);
    ASSERT_TRUE(print());
    // The header (99 + 236 dots) reaches into 5 lines: page 1 holds 82 - 5 rows, the last
    // above the footer at 6744; page 2, without the header, the other three.
    const auto pages = leftTexts(device_);
    ASSERT_EQ(pages.at(1).size(), 1u + 77); // the "No." caption and fields 0 to 76
    EXPECT_EQ(pages.at(1).back().text, "76");
    EXPECT_EQ(pages.at(1).back().y, 10 + 52 + 335 + 78 * 79);
    ASSERT_EQ(pages.at(2).size(), 1u + 3);
    EXPECT_EQ(pages.at(2)[1].text, "77");
    EXPECT_EQ(pages.at(2)[1].y, 10 + 52 + 2 * 79);
}

TEST_F(Report, TableInADeepDirectoryOpens)
{
    const QString deep = dir_.filePath(QStringLiteral("a-rather-long-folder-name/").repeated(6));
    ASSERT_TRUE(QDir().mkpath(deep) && QFile::copy(dir_.filePath("T.FAK"), deep + "T.FAK"));
    location_.currentDirectory = deep;
    EXPECT_TRUE(print());
}

TEST_F(Report, FoxProTablePrintsNumericSizesAndIndexesLikeDbase)
{
    def_.tableType = "FOXPRO";
    def_.fields[1].type = FieldType::Float;
    def_.fields[1].units1 = 20;
    def_.fields[1].units2 = 4;
    indexCount = 2;
    expression_ = "UPPER(F2)";
    ASSERT_TRUE(print());
    const QStringList t = textsOf();
    for (const char* text : {"20,4", "Indexes", "Unique", "Desc.", "Index1", "UPPER(F2)"})
        EXPECT_TRUE(t.contains(text)) << text;
}
