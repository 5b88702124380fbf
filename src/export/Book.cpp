#include "Book.h"

#include "ChapterDevice.h"
#include "KeptMessages.h"
#include "SchemaTexts.h"

#include "RecordingDevice.h"
#include "ReportContext.h"
#include "ReportServices.h"

#include <algorithm>

namespace korvex {

namespace {

// The front pages' geometry: the report's margins and body font, so that they look like
// the pages that follow.
struct FrontPage {
    FrontPage(PrintDevice& device, const ReportSettings& settings, const LabelLookup& label, const QLocale& locale)
        : context(device, settings, label, locale)
    {
        context.measureResolution();
        context.SetUpPage();
        context.UseBodyFont();
        lineHeight = std::max(device.textHeight(QStringLiteral("Dummy")) + context.lineGap, 1);
        headingHeight = 3 * lineHeight; // "Contents", an empty line, the captions
    }

    // Contents rows per page: below the heading and the captions' empty line, above the
    // footer's two lines.
    int rowsPerPage() const
    {
        return std::max((context.usableHeight - headingHeight - 3 * lineHeight) / lineHeight, 1);
    }
    int rowTop(int row) const { return context.topY + headingHeight + (row + 1) * lineHeight; }

    ReportContext context;
    int lineHeight = 0;
    int headingHeight = 0;
};

// Whether a text fits a column as the report fits its texts: narrower than its width less
// 20 dots.
bool fitsIn(PrintDevice& device, int limit, const QString& text)
{
    return device.textWidth(text) < limit - 20;
}

// A place to cut a text that is never between the halves of a surrogate pair.
qsizetype cutAt(const QString& text, qsizetype i)
{
    return i > 0 && i < text.size() && text.at(i).isLowSurrogate() ? i - 1 : i;
}

const QString ElisionMark = QStringLiteral("..");

// A text cut to a column by taking characters out of its middle: a long path keeps the
// name of its own directory at its end.
QString elideMiddle(PrintDevice& device, int limit, const QString& text)
{
    if (fitsIn(device, limit, text))
        return text;
    for (qsizetype n = (text.size() - 1) / 2; n > 0; --n) {
        const QString t = text.left(cutAt(text, n)) + ElisionMark + text.mid(cutAt(text, text.size() - n));
        if (fitsIn(device, limit, t))
            return t;
    }
    return ElisionMark;
}

// Why a table is missing, cut to a column: the fixed message gives way to its reason, the
// part in brackets after it ("Error opening table to print! (reason)"); a reason too long
// for the column stands alone and loses its middle.
QString elideKeepingReason(PrintDevice& device, int limit, const QString& text)
{
    if (fitsIn(device, limit, text))
        return text;
    const qsizetype reason = text.endsWith(QLatin1Char(')')) ? text.indexOf(QStringLiteral(" (")) : -1;
    if (reason <= 0)
        return elideMiddle(device, limit, text);
    const QString tail = text.mid(reason);
    for (qsizetype n = reason - 1; n > 0; --n) {
        const QString t = text.left(cutAt(text, n)) + ElisionMark + tail;
        if (fitsIn(device, limit, t))
            return t;
    }
    return elideMiddle(device, limit, text.mid(reason + 2).chopped(1));
}

FontSpec withSize(FontSpec font, int points, bool bold)
{
    font.points = points;
    font.bold = bold;
    return font;
}

} // namespace

BookPrinter::BookPrinter(ReportServices& services, ReportProgress& progress, PrintDevice& book,
                         RecordingDevice& planner)
    : services_(services), progress_(progress), book_(book), planner_(planner)
{}

TableLocation BookPrinter::locationOf(const TableSet& tables, const TableEntry& entry) const
{
    TableLocation location;
    if (tables.aliasName.isEmpty()) {
        location.currentDirectory = entry.databaseName;
    } else {
        location.CurrentAlias = tables.aliasName.left(25);
        location.CurrentDatabase = entry.databaseName;
    }
    return location;
}

void BookPrinter::plan(const TableSet& tables, BookLayout& layout)
{
    KeptMessages messages;
    TableLocation& location = services_.location();
    TableReporter reporter(services_, planner_, messages, progress_);
    reporter.setClock(now_);
    reporter.setLocale(locale_);
    for (const auto& entry : tables.tables) {
        tableHook_(layout.chapters.size() + 1, tables.tables.size(), entry.name);
        BookChapter chapter;
        chapter.table = entry;
        const TableSchema summary = readTableSchema(services_.engine(), services_.descriptors(), entry,
                                                    SchemaDetail::Summary);
        chapter.typeOfTable = summary.ok ? typeOfTableText(summary) : QString();
        chapter.fieldCount = summary.structure.fieldCount;

        location = locationOf(tables, entry);
        messages.last.clear();
        planner_.clearRecords();
        chapter.printed = reporter.PrintTableReport(entry.name);
        chapter.pageCount = int(planner_.recordsOf<PageRecord>().size());
        planner_.clearRecords();
        if (!chapter.printed)
            chapter.error = messages.last.isEmpty() ? summary.error : messages.last;
        layout.chapters.push_back(std::move(chapter));
    }
}

void BookPrinter::printFrontMatter(const TableSet& tables, const QString& version, BookLayout& layout,
                                   const ReportSettings& settings)
{
    const LabelLookup label = services_.labelLookup();
    FrontPage front(book_, settings, label, locale_);
    ReportContext& c = front.context;
    const int left = c.leftX;
    const int width = c.printableWidth;
    const FontSpec body = book_.font();

    // The title page: where the tables come from, what the book holds, when and by what.
    const int failed = int(std::count_if(layout.chapters.begin(), layout.chapters.end(),
                                         [](const auto& chapter) { return !chapter.printed; }));
    QString count = QStringLiteral("Tables: %1").arg(layout.chapters.size());
    if (failed > 0)
        count += QStringLiteral(", of which %1 could not be printed").arg(failed);
    struct TitleLine {
        QString text;
        int points;
        bool bold;
    };
    const TitleLine title[] = {
        {tables.origin, 20, true},
        {QStringLiteral("Structure of Paradox and dBASE tables"), 14, false},
        {QString(), body.points, false},
        {count, body.points, false},
        {QStringLiteral("Date: ") + locale_.toString(now_().date(), QLocale::LongFormat), body.points, false},
        {QStringLiteral("Korvex ") + version, body.points, false},
    };
    int y = c.topY + c.usableHeight / 4;
    for (const auto& line : title) {
        book_.setFont(withSize(body, line.points, line.bold));
        book_.textOut(left, y, elideMiddle(book_, width + 20, line.text));
        y += book_.textHeight(line.text) + front.lineHeight / 2;
    }

    // The contents: one row per table, the printed ones leading to their first page.
    const int columnType = left + width * 45 / 100;
    const int columnFields = left + width * 75 / 100;
    const QString pageLabel = label(QStringLiteral("Page:")).remove(QLatin1Char(':')).trimmed();
    const int rows = front.rowsPerPage();
    for (int page = 0; page < layout.contentsPages; ++page) {
        book_.newPage();
        const int bookPage = page + 2;
        book_.setFont(withSize(body, body.points * 3 / 2, true));
        book_.textOut(left, c.topY, QStringLiteral("Contents"));
        book_.setFont(withSize(body, body.points, true));
        const int captions = c.topY + front.headingHeight - front.lineHeight;
        book_.textOut(left, captions, c.FitText(columnType - left, label(QStringLiteral("Name of table"))));
        book_.textOut(columnType, captions,
                      c.FitText(columnFields - columnType, label(QStringLiteral("Type of table"))));
        book_.textOut(columnFields, captions, c.FitText(width / 8, label(QStringLiteral("Used Fields"))));
        book_.textOut(left + width - book_.textWidth(pageLabel), captions, pageLabel);
        book_.setFont(body);

        const std::size_t first = std::size_t(page) * std::size_t(rows);
        const std::size_t last = std::min(first + std::size_t(rows), layout.chapters.size());
        for (std::size_t i = first; i < last; ++i) {
            const BookChapter& chapter = layout.chapters[i];
            const int top = front.rowTop(int(i - first));
            book_.textOut(left, top, elideMiddle(book_, columnType - left, chapter.table.shownName()));
            if (chapter.printed) {
                book_.textOut(columnType, top, c.FitText(columnFields - columnType, chapter.typeOfTable));
                book_.textOut(columnFields, top, QString::number(chapter.fieldCount));
                const QString number = QString::number(chapter.firstPage);
                book_.textOut(left + width - book_.textWidth(number), top, number);
                const int q = front.lineHeight / 4;
                layout.links.push_back(
                    {bookPage, QRect(QPoint(left - 25, top - q), QPoint(left + width, top - q + front.lineHeight - 1)),
                     chapter.firstPage});
            } else {
                book_.textOut(columnType, top, elideKeepingReason(book_, left + width - columnType, chapter.error));
            }
        }
        if (settings.PrintPageNr) {
            book_.setFont(FontSpec{QStringLiteral("Arial"), 7, false, false, Qt::black});
            const QString text = label(QStringLiteral("Page:")) + ' ' + QString::number(bookPage);
            book_.textOut(left + width - book_.textWidth(text), c.topY + c.usableHeight - book_.textHeight(text), text);
            book_.setFont(body);
        }
    }
}

void BookPrinter::printChapters(const TableSet& tables, BookLayout& layout)
{
    KeptMessages messages;
    TableLocation& location = services_.location();
    ChapterDevice chapterDevice(book_);
    TableReporter reporter(services_, chapterDevice, messages, progress_);
    reporter.setClock(now_);
    reporter.setLocale(locale_);
    const auto count = std::size_t(
        std::count_if(layout.chapters.begin(), layout.chapters.end(), [](const BookChapter& c) { return c.printed; }));
    std::size_t number = 0;
    for (const auto& chapter : layout.chapters) {
        if (!chapter.printed)
            continue;
        tableHook_(++number, count, chapter.table.name);
        location = locationOf(tables, chapter.table);
        reporter.setPageNumberOffset(chapter.firstPage - 1);
        messages.last.clear();
        const bool printed = reporter.PrintTableReport(chapter.table.name);
        // The book's own printer failing (its spool has no room) is no change of the table.
        if (!chapterDevice.bookFailure().isEmpty())
            throw PrinterError(QStringLiteral("The book cannot be printed: %1").arg(chapterDevice.bookFailure()));
        if (!printed || chapterDevice.pagesPrinted() != chapter.pageCount)
            throw PrinterError(QStringLiteral("The table %1 changed while its book was printed%2; print the book "
                                              "again.")
                                   .arg(chapter.table.argument,
                                        messages.last.isEmpty() ? QString() : QStringLiteral(": ") + messages.last));
    }
    tableHook_(count, count, QString());
}

BookLayout BookPrinter::printBook(const TableSet& tables, const QString& version)
{
    // Each report takes its table's location from the services; theirs comes back after.
    struct KeptLocation {
        explicit KeptLocation(TableLocation& location) : place(location), kept(location) {}
        ~KeptLocation() { place = kept; }
        TableLocation& place;
        const TableLocation kept;
    } keptLocation(services_.location());
    const LabelLookup label = services_.labelLookup();
    BookLayout layout;
    plan(tables, layout);
    if (std::none_of(layout.chapters.begin(), layout.chapters.end(), [](const BookChapter& c) { return c.printed; }))
        throw PrinterError(QStringLiteral("No table could be printed; the book was not written."));

    // The reports' orientation and margins for the front pages as well.
    ReportSettings settings = LoadReportSettings(services_.settings());
    settings.BodyFontName = services_.bodyFont().name;
    settings.BodyFontSize = services_.bodyFont().points;
    book_.setOrientation(settings.Portrait ? Orientation::Portrait : Orientation::Landscape);
    book_.setFont(FontSpec{settings.BodyFontName, settings.BodyFontSize, false, false, Qt::black});
    {
        const FrontPage front(book_, settings, label, locale_);
        const int rows = front.rowsPerPage();
        layout.contentsPages = std::max(1, int((layout.chapters.size() + std::size_t(rows) - 1) / std::size_t(rows)));
    }
    int page = 1 + layout.contentsPages;
    for (auto& chapter : layout.chapters) {
        if (!chapter.printed)
            continue;
        chapter.firstPage = page + 1;
        page += chapter.pageCount;
    }
    layout.pageCount = page;

    book_.beginJob(QStringLiteral("Korvex : ") + tables.origin);
    try {
        layout.caps = book_.caps();
        book_.setBrushHollow();
        book_.setTransparentTextBackground();
        printFrontMatter(tables, version, layout, settings);
        printChapters(tables, layout);
    } catch (...) {
        book_.abortJob();
        throw;
    }
    book_.endJob();
    return layout;
}

} // namespace korvex
