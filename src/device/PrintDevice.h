#pragma once

#include <QColor>
#include <QString>

#include <stdexcept>

namespace korvex {

enum class Orientation { Portrait, Landscape };

// What a printer tells about its page, in its own dots and millimetres. The drawing
// origin is the top-left corner of the printable area.
struct DeviceCaps {
    int pageWidth = 0;     // printable width in dots
    int pageHeight = 0;    // printable height in dots
    int widthMm = 0;       // printable width in millimetres
    int heightMm = 0;      // printable height in millimetres
    int physicalWidth = 0; // whole sheet, in dots
    int physicalHeight = 0;
    int offsetX = 0; // unprintable border left of / above the printable area, in dots
    int offsetY = 0;

    bool operator==(const DeviceCaps&) const = default;
};

// The same sheet turned by a quarter: widths and heights change places, and so do the
// borders.
constexpr DeviceCaps transposed(const DeviceCaps& c)
{
    return {c.pageHeight, c.pageWidth, c.heightMm, c.widthMm, c.physicalHeight, c.physicalWidth, c.offsetY, c.offsetX};
}

struct FontSpec {
    QString name = QStringLiteral("Arial");
    int points = 10;
    bool bold = false;
    bool italic = false;
    QColor color = Qt::black;

    bool operator==(const FontSpec&) const = default;
};

// A job that cannot begin, a page that cannot be started, a printer that went away.
class PrinterError : public std::runtime_error {
public:
    explicit PrinterError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The printer as the report engine sees it: print jobs with a title, pages, and simple
// drawing in device dots. Texts are drawn with their top-left corner at the given point.
//
// Drawing state (font, brush, pen) belongs to the device and lasts from job to job; it
// can be set and texts measured while no job is in progress. A job starts with an opaque
// white text background, as a fresh printer page does, until the transparent background
// is asked for. Drawing, newPage and endJob outside a job raise PrinterError.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    // Jobs. beginJob and newPage raise PrinterError when the printer refuses.
    virtual void beginJob(const QString& title) = 0;
    // Delivers the job; raises PrinterError when the printer does not take it. The job is
    // over either way.
    virtual void endJob() = 0;
    // Ends the job so that nothing of it comes out. Without a job it does nothing.
    virtual void abortJob() = 0;
    virtual void newPage() = 0;
    virtual int pageNumber() const = 0; // 1 for the first page of the job; 0 without a job
    virtual bool jobInProgress() const = 0;

    // Orientation applies to the next job; it changes the capabilities.
    virtual void setOrientation(Orientation orientation) = 0;
    virtual Orientation orientation() const = 0;
    // During a job: the pages of that job. Otherwise: the pages of the next job.
    virtual DeviceCaps caps() const = 0;

    // Drawing state.
    virtual void setFont(const FontSpec& font) = 0;
    virtual FontSpec font() const = 0;
    // A solid brush of the colour: the next rectangle is filled.
    virtual void setBrushSolid(const QColor& color) = 0;
    // A hollow brush: rectangles are outlines only.
    virtual void setBrushHollow() = 0;
    // Lines and outlines, black; 0 is the thinnest line the printer draws.
    virtual void setPenWidth(int dots) = 0;
    virtual void setTransparentTextBackground() = 0;

    // Drawing and measuring in the current font. A text's width is its advance; its
    // height is the font's height (ascent + descent) whatever the text, even empty.
    virtual void textOut(int x, int y, const QString& text) = 0;
    virtual int textWidth(const QString& text) = 0;
    virtual int textHeight(const QString& text) = 0;
    // Outline with the pen, filled with the brush unless it is hollow.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    // The pen's position; a job starts it at (0, 0).
    virtual void moveTo(int x, int y) = 0;
    // A line from the pen's position; the position moves to its end.
    virtual void lineTo(int x, int y) = 0;
};

} // namespace korvex
