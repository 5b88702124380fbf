#include "ReportContext.h"

#include "TableStructure.h"
#include "TextFitting.h"

#include <cmath>
#include <cstdint>

namespace korvex {

namespace {

// The grid fractions as the nearest values with a 64-bit mantissa to the decimals shown:
// mantissa / 2^exponent. 0.1666666666 is that decimal, not one sixth, and 0.9 and 0.19 lie
// just below theirs. The product with the width is taken exactly before it is truncated,
// so a width that makes 0.9's product a whole number gives one less (4000: 3599).
struct GridConstant {
    std::uint64_t mantissa;
    int exponent;
};
constexpr std::array<GridConstant, 14> GridFractions = {{
    {0xb851eb851eb851ecULL, 67}, // 0.09
    {0xcccccccccccccccdULL, 67}, // 0.1
    {0xaaaaaaa98576ac42ULL, 66}, // 0.1666666666
    {0xc28f5c28f5c28f5cULL, 66}, // 0.19
    {0xcccccccccccccccdULL, 66}, // 0.2
    {0xeb851eb851eb851fULL, 66}, // 0.23
    {0x8000000000000000ULL, 65}, // 0.25
    {0xcccccccccccccccdULL, 65}, // 0.4
    {0x8000000000000000ULL, 64}, // 0.5
    {0x8ccccccccccccccdULL, 64}, // 0.55
    {0x999999999999999aULL, 64}, // 0.6
    {0xc000000000000000ULL, 64}, // 0.75
    {0xcccccccccccccccdULL, 64}, // 0.8
    {0xe666666666666666ULL, 64}, // 0.9
}};

int gridEntry(int width, const GridConstant& c)
{
    __extension__ using Wide = unsigned __int128;
    const auto magnitude = Wide(std::uint64_t(width < 0 ? -std::int64_t(width) : width)) * c.mantissa >> c.exponent;
    return width < 0 ? -int(magnitude) : int(magnitude); // truncated toward zero
}

const QString Dummy = QStringLiteral("Dummy");

FontSpec footerFont()
{
    return FontSpec{QStringLiteral("Arial"), 7, false, false, Qt::black};
}

bool printsOnFirstPage(const QString& visibility)
{
    return visibility == HeaderChoice::FirstPageOnly || visibility == HeaderChoice::AllPages;
}

bool printsOnLaterPages(const QString& visibility)
{
    return visibility == HeaderChoice::LaterPages || visibility == HeaderChoice::AllPages;
}

} // namespace

int nearest(long double x)
{
    return int(std::nearbyint(x)); // the default rounding mode rounds halves to even
}

FontSpec headerFont(const HeaderOptions& header)
{
    const FontStyle style = FontStyleOf(header.fontAttributes);
    return FontSpec{header.fontName, header.fontSize, style.bold, style.italic, Qt::black};
}

ReportContext::ReportContext(PrintDevice& device, const ReportSettings& settings, LabelFunction label,
                             const QLocale& locale)
    : device_(device), settings_(settings), label_(std::move(label)), locale_(locale)
{
    lineGap = settings_.PrintGrid ? 25 : 5;
}

void ReportContext::measureResolution()
{
    const DeviceCaps caps = device_.caps();
    dotsPerMmX = caps.widthMm > 0 ? static_cast<long double>(caps.pageWidth) / caps.widthMm : 0;
    dotsPerMmY = caps.heightMm > 0 ? static_cast<long double>(caps.pageHeight) / caps.heightMm : 0;
}

int ReportContext::spacingDots(int millimetres) const
{
    return nearest(millimetres * dotsPerMmY);
}

void ReportContext::measureHeaders()
{
    const auto measure = [this](const HeaderOptions& header) {
        device_.setFont(headerFont(header));
        if (header.visibility == HeaderChoice::DoNotPrint)
            return 0;
        // The stored text, macros unexpanded; the room is reserved even for an empty text.
        return device_.textHeight(header.text) + spacingDots(header.spacingBefore) + spacingDots(header.spacingAfter);
    };
    mainHeaderHeight = measure(settings_.mainHeader);
    subHeaderHeight = measure(settings_.subHeader);
}

void ReportContext::SetUpPage()
{
    const DeviceCaps caps = device_.caps();
    int rightReserve = 0;
    if (!settings_.Margins_Disabled) {
        // Margins count from the paper's edge; the printer cannot print its unprintable
        // border, so only what lies beyond it moves the report.
        leftX = std::max(nearest(dotsPerMmX * settings_.Margin_Left) - caps.offsetX, 0) + 25;
        rightReserve = std::max(nearest(dotsPerMmX * settings_.Margin_Right) -
                                    (caps.physicalWidth - caps.pageWidth - caps.offsetX),
                                0) +
                       10;
        topY = std::max(nearest(dotsPerMmY * settings_.Margin_Top) - caps.offsetY, 0) + 10;
        const int bottomReserve = std::max(nearest(dotsPerMmY * settings_.Margin_Bottom) -
                                               (caps.physicalHeight - caps.pageHeight - caps.offsetY),
                                           0);
        usableHeight = caps.pageHeight - topY - bottomReserve - 10;
    } else {
        leftX = caps.pageWidth / 12;
        rightReserve = caps.pageWidth / 18;
        topY = 0;
        usableHeight = caps.pageHeight;
    }
    printableWidth = caps.pageWidth - leftX - rightReserve;
    for (std::size_t i = 0; i < GridFractions.size(); ++i)
        columnGrid[i] = gridEntry(printableWidth, GridFractions[i]);
}

void ReportContext::PlanPages(int fieldCount)
{
    Q_ASSERT(fieldCount >= 0);
    UseBodyFont();
    lineHeight = device_.textHeight(Dummy) + lineGap;
    if (lineHeight <= 0)
        throw PrinterError(QStringLiteral("the body font has no height on this printer"));
    // Across, a line needs room for a character in the columns of the information block:
    // margins that meet or overlap (a right margin of 999) would cut every text to
    // nothing and print empty frames.
    if (FitText(grid(GridFraction::F023), QStringLiteral("0")).isEmpty())
        throw PrinterError(QStringLiteral("No report line fits between the margins: they leave %1 dots of width, and "
                                          "the report's columns need room for at least one character of the body "
                                          "font. Reduce the left or right margin or the font size.")
                               .arg(printableWidth));
    // A header takes every line it reaches into: rounded to the nearest line, up to half a
    // line of each header would push the last rows into the footer.
    const auto linesOf = [this](int height) { return height <= 0 ? 0 : (height + lineHeight - 1) / lineHeight; };
    const int mainLines = linesOf(mainHeaderHeight);
    const int subLines = linesOf(subHeaderHeight);
    linesPerPage = (usableHeight - int(2.5L * lineHeight)) / lineHeight - 1;
    currentY = (lineHeight / 3) * 2;

    const auto& main = settings_.mainHeader;
    const auto& sub = settings_.subHeader;
    firstPageLines = linesPerPage - mainLines - (settings_.PrintHeader ? InformationBlockLines : 0);
    if (printsOnFirstPage(sub.visibility))
        firstPageLines -= subLines;
    if (main.visibility == HeaderChoice::AllPages)
        linesPerPage -= mainLines;
    if (printsOnLaterPages(sub.visibility))
        linesPerPage -= subLines;
    if (linesPerPage <= 0)
        throw PrinterError(QStringLiteral("No report line fits between the margins: they leave %1 dots of height "
                                          "for the headers, the captions, the rows and the footer, and a line is %2 "
                                          "dots high. Reduce the margins, the header spacing or the font sizes.")
                               .arg(usableHeight)
                               .arg(lineHeight));
    // Page 1 may hold no field row, but its caption line (line -1) must fit below its
    // headers and the information block.
    if (firstPageLines < -1)
        throw PrinterError(QStringLiteral("The first page has no room for the field table below its headers%1: a "
                                          "line is %2 dots high. Reduce the margins, the header spacing or the font "
                                          "sizes.")
                               .arg(settings_.PrintHeader ? QStringLiteral(" and the table information") : QString())
                               .arg(lineHeight));

    // Page 1 holds the rows that fit below its own headers (none when they fill it), with
    // or without the information block; the headers of page 1 need not be those of the
    // later pages.
    const int onFirstPage = std::max(firstPageLines, 0);
    const auto ceilDiv = [](int a, int b) { return a <= 0 ? 0 : (a + b - 1) / b; };
    if (fieldCount == 0 && !settings_.PrintHeader)
        pageCount = 0;
    else
        pageCount = 1 + ceilDiv(fieldCount - onFirstPage, linesPerPage);
}

void ReportContext::shiftFirstPageBody(int lines)
{
    // Only ever downwards: page 2 takes back what page 1 was shifted, and no more.
    Q_ASSERT(lines >= 0);
    const int shift = lines * lineHeight;
    currentY += shift;
    firstPageShift_ += shift;
}

void ReportContext::resetBrush()
{
    device_.setBrushHollow();
    device_.setTransparentTextBackground();
}

int ReportContext::lineLimit() const
{
    Q_ASSERT_X(device_.jobInProgress(), "ReportContext::lineLimit", "asked outside a print job");
    return device_.pageNumber() == 1 ? firstPageLines : linesPerPage;
}

bool ReportContext::lineLimitReached(int row) const
{
    return row >= lineLimit();
}

void ReportContext::startNewPage()
{
    device_.newPage();
    BeginReportPage();
}

void ReportContext::shadeSectionRow()
{
    if (!settings_.PrintZebraPattern)
        return;
    if (zebraShaded)
        device_.setBrushHollow();
    else
        device_.setBrushSolid(QColor(settings_.ZebraGray, settings_.ZebraGray, settings_.ZebraGray));
    zebraShaded = !zebraShaded;
}

void ReportContext::drawRowFrame(int line, int x1, int x2, std::initializer_list<int> separators, int penWidth)
{
    const int q = int(lineHeight * 0.25L);
    const int top = lineTop(line) - q;
    const int bottom = lineTop(line + 1) - q;
    device_.setPenWidth(penWidth);
    device_.rectangle(x1, top, x2, bottom);
    for (const int x : separators) {
        device_.moveTo(x, top);
        device_.lineTo(x, bottom);
    }
}

void ReportContext::BeginReportPage()
{
    const int page = device_.pageNumber();
    // A report page lies on a printer page, and its body on the lines the plan measured;
    // a damaged table never gets here without both, only a caller that skipped a step.
    Q_ASSERT_X(page > 0, "ReportContext::BeginReportPage", "no print job has begun");
    Q_ASSERT_X(lineHeight > 0, "ReportContext::BeginReportPage", "the pages are not planned");
    zebraShaded = false;
    resetBrush();

    // The body moves down by the headers that print on this page and not on the one
    // before; from page 3 on nothing changes any more.
    const auto& main = settings_.mainHeader;
    const auto& sub = settings_.subHeader;
    if (page == 1) {
        currentY += mainHeaderHeight;
        if (printsOnFirstPage(sub.visibility))
            currentY += subHeaderHeight;
    } else if (page == 2) {
        currentY -= firstPageShift_;
        firstPageShift_ = 0;
        if (main.visibility == HeaderChoice::FirstPageOnly)
            currentY -= mainHeaderHeight;
        if (sub.visibility == HeaderChoice::FirstPageOnly)
            currentY -= subHeaderHeight;
        else if (sub.visibility == HeaderChoice::LaterPages)
            currentY += subHeaderHeight;
    }
    drawMainHeader(page, topY);
    const bool mainAbove = page == 1 || main.visibility == HeaderChoice::AllPages;
    drawSubHeader(page, mainAbove ? topY + mainHeaderHeight : topY);

    device_.setFont(footerFont());
    const int footerY = topY + usableHeight - device_.textHeight(Dummy);
    if (settings_.PrintPageNr) {
        const QString text = label_(QStringLiteral("Page:")) + ' ' + QString::number(page + pageNumberOffset);
        device_.textOut(leftX + printableWidth - device_.textWidth(text), footerY, text);
    }
    if (settings_.PrintDate) {
        const QString text =
            (label_(QStringLiteral("Date:")) + ' ' + locale_.toString(now().date(), QLocale::ShortFormat)).left(25);
        device_.textOut(leftX + printableWidth / 2 - device_.textWidth(text) / 2, footerY, text);
    }
    UseBodyFont();
}

void ReportContext::drawHeader(const HeaderOptions& header, int top)
{
    device_.setFont(headerFont(header));
    MacroValues values = macros;
    const QDateTime at = now();
    values.date = locale_.toString(at.date(), QLocale::ShortFormat);
    values.time = locale_.toString(at.time(), longTimeFormat(locale_));
    values.page = device_.pageNumber();
    const QString text = ExpandMacros(header.text, values);
    const int w = device_.textWidth(text);
    int x = leftX + printableWidth - w;
    if (header.alignment == HeaderChoice::Center)
        x = leftX + (printableWidth - w) / 2;
    else if (header.alignment == HeaderChoice::Left)
        x = leftX;
    device_.textOut(x, top + spacingDots(header.spacingBefore), text);
}

void ReportContext::drawMainHeader(int page, int top)
{
    const auto& h = settings_.mainHeader;
    if (h.visibility == HeaderChoice::DoNotPrint || h.text.isEmpty() ||
        (h.visibility == HeaderChoice::FirstPageOnly && page > 1))
        return;
    drawHeader(h, top);
}

void ReportContext::drawSubHeader(int page, int top)
{
    const auto& h = settings_.subHeader;
    if (h.visibility == HeaderChoice::DoNotPrint || h.text.isEmpty() ||
        (h.visibility == HeaderChoice::FirstPageOnly && page > 1) ||
        (h.visibility == HeaderChoice::LaterPages && page == 1))
        return;
    drawHeader(h, top);
}

QString ReportContext::FitText(int limit, const QString& text) const
{
    QString t = text;
    while (!t.isEmpty() && device_.textWidth(t) >= limit - 20)
        removeLastCharacter(t);
    return t;
}

QString ReportContext::FitTextMarked(int limit, const QString& text) const
{
    QString t = text;
    if (device_.textWidth(t) < limit - 20)
        return t;
    const int mark = device_.textWidth(QStringLiteral(".."));
    while (!t.isEmpty() && device_.textWidth(t) >= limit - 20 - mark)
        removeLastCharacter(t);
    return t + QStringLiteral("..");
}

void ReportContext::UseBodyFont()
{
    device_.setFont(FontSpec{settings_.BodyFontName, settings_.BodyFontSize, false, false, Qt::black});
}

} // namespace korvex
