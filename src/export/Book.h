#pragma once

#include "TableSet.h"

#include "PrintDevice.h"
#include "ReportSettings.h"
#include "TableReport.h"
#include "TableStructure.h"

#include <QDateTime>
#include <QLocale>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

namespace korvex {

class RecordingDevice;
class ReportServices;

// One table of a book.
struct BookChapter {
    TableEntry table;
    QString typeOfTable; // "Type of table"; empty when the table cannot be read
    int fieldCount = 0;
    bool printed = false; // the table's report is in the book
    QString error;        // why it is not: the report's message and its reason
    int firstPage = 0;    // the book's page that is the report's page 1, counted from 1
    int pageCount = 0;
};

// A place on a page that leads to another page: on the book's page `page`, the
// rectangle `area` in dots of the printable area (as the device draws), to page `target`.
struct BookLink {
    int page = 0;
    QRect area;
    int target = 0;
};

struct BookLayout {
    std::vector<BookChapter> chapters; // in the order of the tables
    int contentsPages = 0;             // the pages after the title page
    int pageCount = 0;                 // of the whole book
    std::vector<BookLink> links;       // the contents' entries
    DeviceCaps caps;                   // of the book's pages
};

// Prints the structure reports of many tables as one book, one print job: a title page
// (where the tables come from, the date, how many, the program's version), the contents
// (each table with its type and level, number of fields and first page, or why it is
// missing), then every table's report exactly as it prints alone, except that its footers
// number the book's pages.
//
// Every report is printed once beforehand through the planner, a recording device with
// the book's pages and fonts, to learn which tables print and on how many pages; so the
// contents are right before the first page comes out. A report that then fails in the
// book after all (its table changed meanwhile) gives up the whole book.
class BookPrinter {
public:
    // The reports read their settings, labels, field columns and body font from services;
    // the services' table location is theirs while the book prints and is given back after.
    BookPrinter(ReportServices& services, ReportProgress& progress, PrintDevice& book, RecordingDevice& planner);

    // For tests: the clock of the title page and the reports, and their locale.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    void setLocale(const QLocale& locale) { locale_ = locale; }

    // Called before each table is measured (the first pass) and before each printed table
    // goes into the book (the second pass), with its number among count, and once more after
    // the last with an empty table; it may throw to give up the book, which then leaves
    // nothing behind.
    using TableHook = std::function<void(std::size_t number, std::size_t count, const QString& table)>;
    void setTableHook(TableHook hook) { tableHook_ = std::move(hook); }

    // Prints the book of the tables; version is the program's, for the title page.
    // Raises PrinterError when the book's job fails (nothing of it comes out) or when no
    // table can be printed (no job begins), and lets
    // the report's other errors (a settings value that is not a number) through after
    // aborting the job.
    BookLayout printBook(const TableSet& tables, const QString& version);

private:
    void plan(const TableSet& tables, BookLayout& layout);
    void printFrontMatter(const TableSet& tables, const QString& version, BookLayout& layout,
                          const ReportSettings& settings);
    void printChapters(const TableSet& tables, BookLayout& layout);
    TableLocation locationOf(const TableSet& tables, const TableEntry& entry) const;

    ReportServices& services_;
    ReportProgress& progress_;
    PrintDevice& book_;
    RecordingDevice& planner_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    QLocale locale_ = QLocale::system();
    TableHook tableHook_ = [](std::size_t, std::size_t, const QString&) {};
};

} // namespace korvex
