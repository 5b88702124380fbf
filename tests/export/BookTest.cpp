// The book printed through recording devices: every chapter draws exactly what its table's
// report draws alone, but for the footer's page number, which counts the book's pages; the
// contents list each table with the page it starts on and a link there; a table that
// cannot be printed is listed with its reason and takes no page.

#include "Book.h"
#include "DemoDatabase.h"
#include "PreviewPages.h"

#include "DatabaseEngine.h"
#include "RecordingDevice.h"
#include "ReportServices.h"
#include "SettingsFile.h"
#include "TableReport.h"
#include "TestStandIns.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

const QDateTime Now(QDate(2026, 1, 15), QTime(10, 0));

// The drawing of each page of a recording: texts, rectangles and lines with the state
// they were drawn in.
using Page = std::vector<DeviceRecord>;
std::vector<Page> pagesOf(const RecordingDevice& device)
{
    std::vector<Page> pages;
    for (const auto& r : device.records()) {
        if (std::holds_alternative<PageRecord>(r))
            pages.emplace_back();
        else if (std::holds_alternative<TextRecord>(r) || std::holds_alternative<RectRecord>(r) ||
                 std::holds_alternative<LineRecord>(r))
            pages.back().push_back(r);
    }
    return pages;
}

// Takes the footer's page number off a page; answers its text ("" when there is none).
QString takePageNumber(Page& page)
{
    for (auto it = page.begin(); it != page.end(); ++it)
        if (const auto* t = std::get_if<TextRecord>(&*it); t && t->text.startsWith(QLatin1String("Page: "))) {
            const QString text = t->text;
            page.erase(it);
            return text;
        }
    return QString();
}

QStringList textsOf(const Page& page)
{
    QStringList texts;
    for (const auto& r : page)
        if (const auto* t = std::get_if<TextRecord>(&r))
            texts << t->text;
    return texts;
}

// Whether a page shows the text, whole or cut to a column by taking out a part for "..".
bool shows(const Page& page, const QString& text)
{
    const QStringList texts = textsOf(page);
    return std::any_of(texts.begin(), texts.end(), [&](const QString& t) {
        if (t == text)
            return true;
        for (qsizetype mark = t.indexOf(QLatin1String("..")); mark >= 0;
             mark = t.indexOf(QLatin1String(".."), mark + 1))
            if (text.startsWith(t.left(mark)) && text.endsWith(t.mid(mark + 2)))
                return true;
        return false;
    });
}

class Book : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        ASSERT_EQ(test::makeDemoDatabase(work_.path()), QString());
        // A table that no engine opens: listed in the contents with its reason.
        QFile broken(work_.filePath("BROKEN.DB"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(300, 'x'));
    }

    BookLayout print(const TableSet& set)
    {
        BookPrinter printer(services_, progress_, book_, planner_);
        printer.setClock([] { return Now; });
        printer.setLocale(QLocale::c());
        return printer.printBook(set, QStringLiteral("9.9"));
    }

    // The table printed alone, as korvex-report prints it.
    RecordingDevice alone(const TableEntry& entry)
    {
        RecordingDevice device;
        services_.location().currentDirectory = entry.databaseName;
        TableReporter reporter(services_, device, messages_, progress_);
        reporter.setClock([] { return Now; });
        reporter.setLocale(QLocale::c());
        EXPECT_TRUE(reporter.PrintTableReport(entry.name)) << entry.name.toStdString();
        return device;
    }

    QTemporaryDir work_;
    ReportServices services_{work_.filePath("KORVEX20.INI")};
    DatabaseEngine& engine_ = services_.engine();
    SettingsFile& settings_ = services_.settings();
    test::RecordedMessages messages_;
    test::RecordedProgress progress_;
    RecordingDevice book_;
    RecordingDevice planner_;
};

TEST_F(Book, ChaptersDrawTheirReportsAsAloneWithTheBooksPageNumbers)
{
    // A sub header on the later pages of each report: a table's own page 2 has it, the
    // book's page 2 is no reason for it.
    settings_.WriteText(SettingsSection::Options, "Sub_Header_Visible", "2. - n. Page");
    settings_.WriteText(SettingsSection::Options, "Sub_Header_Text", "%TABLENAME page %PAGE");
    settings_.WriteNumber(SettingsSection::Options, "Margin_Bottom", 200); // a few rows per page
    const TableSet set = expandTableArguments(engine_, {work_.path()});
    const BookLayout layout = print(set);
    const auto pages = pagesOf(book_);
    ASSERT_EQ(int(pages.size()), layout.pageCount);
    EXPECT_EQ(layout.contentsPages, 1);

    int printed = 0;
    int next = 3; // after the title page and the contents
    for (const auto& chapter : layout.chapters) {
        if (!chapter.printed)
            continue;
        ++printed;
        EXPECT_EQ(chapter.firstPage, next) << chapter.table.name.toStdString();
        next += chapter.pageCount;
        auto own = pagesOf(alone(chapter.table));
        ASSERT_EQ(int(own.size()), chapter.pageCount) << chapter.table.name.toStdString();
        for (int p = 0; p < chapter.pageCount; ++p) {
            Page inBook = pages[std::size_t(chapter.firstPage - 1 + p)];
            EXPECT_EQ(takePageNumber(inBook), QStringLiteral("Page: %1").arg(chapter.firstPage + p));
            EXPECT_EQ(takePageNumber(own[std::size_t(p)]), QStringLiteral("Page: %1").arg(p + 1));
            EXPECT_EQ(inBook, own[std::size_t(p)]) << chapter.table.name.toStdString() << " page " << p + 1;
        }
    }
    EXPECT_EQ(printed, 6);
    EXPECT_EQ(next, layout.pageCount + 1);
    EXPECT_GT(layout.pageCount, 2 + printed) << "some reports take several pages";
}

TEST_F(Book, ContentsListEveryTableWithItsFirstPageOrWhyItIsMissing)
{
    const TableSet set = expandTableArguments(engine_, {work_.path()});
    services_.location().CurrentAlias = "Chosen"; // the table list's, given back after the book
    const BookLayout layout = print(set);
    EXPECT_EQ(services_.location().CurrentAlias, "Chosen");
    ASSERT_EQ(layout.chapters.size(), 7u);

    const BookChapter& broken = layout.chapters[0];
    EXPECT_EQ(broken.table.name, "BROKEN.DB");
    EXPECT_FALSE(broken.printed);
    EXPECT_TRUE(broken.error.startsWith("Error opening table to print! (")) << broken.error.toStdString();
    EXPECT_EQ(broken.pageCount, 0);

    const auto pages = pagesOf(book_);
    const QStringList title = textsOf(pages[0]);
    EXPECT_TRUE(shows(pages[0], work_.path()));
    EXPECT_TRUE(title.contains("Tables: 7, of which 1 could not be printed"));
    EXPECT_TRUE(title.contains("Date: Thursday, 15 January 2026"));
    EXPECT_TRUE(title.contains("Korvex 9.9"));

    // The reason is too long for the row: it stands there without the fixed message, its
    // own end kept.
    const QStringList contents = textsOf(pages[1]);
    EXPECT_TRUE(std::any_of(contents.begin(), contents.end(), [&](const QString& t) {
        return !t.startsWith("Error") && t.endsWith("(at byte 4)");
    })) << contents.join('\n').toStdString();
    ASSERT_EQ(layout.links.size(), 6u) << "one link per printed table";
    for (const auto& link : layout.links) {
        EXPECT_EQ(link.page, 2);
        // The row of the link holds the table's name and, at the right, its first page.
        QStringList inRow;
        for (const auto& r : pages[1])
            if (const auto* t = std::get_if<TextRecord>(&r); t && link.area.contains(t->x + 1, t->y + 1))
                inRow << t->text;
        const auto chapter = std::find_if(layout.chapters.begin(), layout.chapters.end(),
                                          [&](const auto& c) { return c.printed && c.firstPage == link.target; });
        ASSERT_NE(chapter, layout.chapters.end());
        EXPECT_EQ(inRow, QStringList({chapter->table.name, chapter->typeOfTable, QString::number(chapter->fieldCount),
                                      QString::number(chapter->firstPage)}));
    }
}

TEST_F(Book, ALongOriginLosesItsMiddleAndKeepsItsOwnDirectoryOnTheTitlePage)
{
    TableSet set = expandTableArguments(engine_, {work_.filePath("ORDERS.DB")});
    set.origin = "/srv/" + QString(300, 'x') + "/src/../Samples of 1999";
    print(set);
    const QStringList title = textsOf(pagesOf(book_)[0]);
    EXPECT_TRUE(std::any_of(title.begin(), title.end(), [](const QString& t) {
        return t.startsWith("/srv/x") && t.contains("x..") && t.endsWith("Samples of 1999");
    })) << title.join('\n').toStdString();
}

TEST_F(Book, ManyTablesTakeSeveralContentsPagesAndEveryLinkLeadsToItsTable)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList samples = test::filesWithSuffix(test::samplesDir(), {".db", ".dbf"});
    const TableSet set = expandTableArguments(engine_, samples);
    const BookLayout layout = print(set);
    ASSERT_GT(layout.contentsPages, 1);
    const auto pages = pagesOf(book_);
    ASSERT_EQ(int(pages.size()), layout.pageCount);
    std::size_t links = 0;
    for (const auto& chapter : layout.chapters) {
        if (!chapter.printed)
            continue;
        const auto link = std::find_if(layout.links.begin(), layout.links.end(),
                                       [&](const auto& l) { return l.target == chapter.firstPage; });
        ASSERT_NE(link, layout.links.end()) << chapter.table.argument.toStdString();
        EXPECT_TRUE(link->page >= 2 && link->page <= 1 + layout.contentsPages);
        // The samples' directories hold tables of one name: each row names its directory.
        EXPECT_TRUE(chapter.table.shownName().contains('/'));
        EXPECT_TRUE(shows(pages[std::size_t(link->page - 1)], chapter.table.shownName()));
        // The linked page is the table's first: its information block names the table.
        EXPECT_TRUE(shows(pages[std::size_t(chapter.firstPage - 1)], chapter.table.name));
        ++links;
    }
    EXPECT_EQ(layout.links.size(), links);
}

TEST_F(Book, ThePreviewDrawsTheSamePagesAsPrintingEachTable)
{
    const TableSet set = expandTableArguments(engine_, {work_.path()});
    QStringList names;
    std::vector<Page> printed;
    for (const auto& entry : set.tables) {
        names << entry.name;
        if (entry.name != "BROKEN.DB") {
            const auto own = pagesOf(alone(entry));
            printed.insert(printed.end(), own.begin(), own.end());
        }
    }
    // The browser's table location, as the table list has it.
    services_.location() = TableLocation{work_.path(), {}, {}, {}};
    PreviewPages preview(services_, progress_);
    preview.setClock([] { return Now; });
    preview.setLocale(QLocale::c());
    RecordingDevice device;
    device.beginJob("preview");
    const auto failures = preview.draw(device, names);
    device.endJob();

    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].table, "BROKEN.DB");
    EXPECT_TRUE(failures[0].error.startsWith("Error opening table to print! (")) << failures[0].error.toStdString();
    // The first report on the job's first page, every page as printing draws it, footers included.
    EXPECT_EQ(pagesOf(device), printed);
}

} // namespace
