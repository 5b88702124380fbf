#pragma once

#include "ReplaceText.h"

#include "PrintDevice.h"
#include "ReportSettings.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>
#include <functional>

namespace korvex {

// The fixed fractions of the printable width that the report's columns use. Each entry
// of the grid is the printable width times the fraction, truncated.
enum class GridFraction {
    F009,
    F010,
    F01666,
    F019,
    F020,
    F023,
    F025,
    F040,
    F050,
    F055,
    F060,
    F075,
    F080,
    F090,
};

// Lines that the table information block takes on page 1: six framed lines and one empty
// line above the field table's captions.
constexpr int InformationBlockLines = 7;

// The printed form of a fixed word (the report binds it to the label lookup).
using LabelFunction = std::function<QString(const QString& builtInText)>;

// Geometry and drawing state of one print job, rebuilt for every table. All positions and
// lengths are printer dots, x to the right and y downwards from the top-left corner of the
// printable area.
class ReportContext {
public:
    ReportContext(PrintDevice& device, const ReportSettings& settings, LabelFunction label,
                  const QLocale& locale = QLocale::system());

    // Text the header macros stand for; date and time are taken when a header is drawn.
    MacroValues macros;
    // The clock for the page footer's date and the %DATE / %TIME macros.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Added to the page number the footer prints: a report printed within a larger
    // document numbers its pages as that document does, while its headers and sections
    // still count from its own page 1.
    int pageNumberOffset = 0;

    long double dotsPerMmX = 0;
    long double dotsPerMmY = 0;
    int leftX = 0;
    int topY = 0;
    int printableWidth = 0;
    int usableHeight = 0;
    int lineGap = 5;
    int lineHeight = 0;
    int currentY = 0;         // offset below topY of the current page's caption line
    bool zebraShaded = false; // whether the previous grid row was shaded
    std::array<int, 14> columnGrid{};
    int mainHeaderHeight = 0;
    int subHeaderHeight = 0;
    int linesPerPage = 0;   // rows on a page after the first
    int firstPageLines = 0; // rows on page 1, below its headers and the information block
    int pageCount = 0;

    int grid(GridFraction f) const { return columnGrid[std::size_t(f)]; }

    // Dots per millimetre from the printer; once the job has begun.
    void measureResolution();
    // The heights of the main and the sub header; leaves the sub header's font set.
    void measureHeaders();
    // Margins, printable area and column grid for a new job.
    void SetUpPage();
    // Line height, the starting currentY, lines per page, rows of page 1 and the page
    // count for fieldCount fields. Raises PrinterError when no line fits on a page (too
    // little height, or too little width for a character in a column), or when page 1 has
    // no room for the field captions below its headers and information block.
    void PlanPages(int fieldCount);
    // Headers and footer of the device's current page; moves currentY for pages 1 and 2.
    // A later page also takes back the room of page 1's information block, whichever
    // section started it.
    void BeginReportPage();
    // Moves the body of page 1 down by the given number of lines, below the information
    // block; the next page started takes the shift back.
    void shiftFirstPageBody(int lines);

    // The text shortened at its end until it is narrower than limit - 20 in the current font.
    QString FitText(int limit, const QString& text) const;
    // The same, with ".." appended when something had to be cut.
    QString FitTextMarked(int limit, const QString& text) const;
    void UseBodyFont();

    // The header drawing of one page: each decides itself whether it prints on page p.
    void drawMainHeader(int page, int top);
    void drawSubHeader(int page, int top);

    // Brush white and hollow, text background transparent: the state at the start of a
    // row block.
    void resetBrush();

    // The report lines of the index and referential-integrity sections: line n has its
    // text top at topY + currentY + (n + 1) * lineHeight; line -1 is the caption line.
    int lineTop(int line) const { return topY + currentY + (line + 1) * lineHeight; }
    // Whether row has reached the line limit of the current page.
    bool lineLimitReached(int row) const;
    // The line limit of the current page: firstPageLines on page 1, else linesPerPage.
    int lineLimit() const;
    // A new printer page and its headers and footer.
    void startNewPage();
    // The zebra step of a section row: with grid and zebra on, grey when the previous row
    // was not shaded, else white and hollow; then the shading flips.
    void shadeSectionRow();
    // The frame of a row on line n from x1 to x2 and its separators at the given x.
    void drawRowFrame(int line, int x1, int x2, std::initializer_list<int> separators, int penWidth);

    PrintDevice& device() { return device_; }
    const ReportSettings& settings() const { return settings_; }
    const LabelFunction& label() const { return label_; }
    const QLocale& locale() const { return locale_; }

private:
    int spacingDots(int millimetres) const;
    void drawHeader(const HeaderOptions& header, int top);

    PrintDevice& device_;
    const ReportSettings& settings_;
    int firstPageShift_ = 0; // dots page 1's body lies below its usual place
    LabelFunction label_;
    QLocale locale_;
};

// The integer nearest to x, a half going to the even neighbour.
int nearest(long double x);

// The font a header is drawn in.
FontSpec headerFont(const HeaderOptions& header);

} // namespace korvex
