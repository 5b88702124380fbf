#pragma once

#include "DeviceFont.h"
#include "DeviceTrace.h"
#include "PrintDevice.h"

#include <QImage>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex {

// A printer for tests and for checking printed reports from outside the program: it
// draws nothing and records what the jobs did (see DeviceTrace.h for the records).
//
// Order of a job's records: job-begin, caps, orientation, page 1, then the drawing with
// a page record at every new page, and job-end or job-abort. Drawing state is written
// only where it matters and only when it changed: before a text its font and its
// background, before a rectangle the pen and the brush, before a line the pen, each
// when it differs from what this job's records said last (the first drawing of a job
// writes all it uses). Moves and measurements leave no record; a line is one record
// from the pen's position to its end.
class RecordingDevice final : public PrintDevice {
public:
    enum class Metrics {
        // A character is 5 dots per point wide (6 when bold); every text is 9 dots per
        // point high. Arial 10: "Dummy" is 250 wide and 90 high.
        Fixed,
        // The real fonts at the device's resolution, measured exactly as the printer
        // device measures them.
        RealFonts,
    };

    // The pages of the PDF printer: 600 dpi, an unprintable border of 100 dots.
    static constexpr DeviceCaps A4Laser{4758, 6817, 202, 289, 4958, 7017, 100, 100};
    static constexpr DeviceCaps LetterLaser{4900, 6400, 207, 271, 5100, 6600, 100, 100};

    // Landscape pages are the portrait ones turned, until setCaps says otherwise.
    explicit RecordingDevice(Metrics metrics = Metrics::Fixed, const DeviceCaps& portrait = A4Laser, int dpi = 600);

    void setCaps(Orientation orientation, const DeviceCaps& caps);

    // Printer failures for tests; each happens once. The message is the PrinterError's.
    void failBeginJob(const QString& message);
    // The newPage that would start page `page` of a job raises.
    void failNewPage(int page, const QString& message);
    // endJob raises; the job is over and nothing of it came out (recorded as job-abort).
    void failEndJob(const QString& message);

    const std::vector<DeviceRecord>& records() const { return records_; }
    template <class R>
    std::vector<R> recordsOf() const
    {
        std::vector<R> out;
        for (const DeviceRecord& r : records_)
            if (const R* p = std::get_if<R>(&r))
                out.push_back(*p);
        return out;
    }
    QStringList traceLines() const;
    // Every line with a line break after it.
    QString trace() const;
    // Writes the trace as UTF-8; PrinterError when the file cannot be written.
    void writeTrace(const QString& path) const;
    void clearRecords() { records_.clear(); }

    void beginJob(const QString& title) override;
    void endJob() override;
    void abortJob() override;
    void newPage() override;
    int pageNumber() const override { return page_; }
    bool jobInProgress() const override { return page_ > 0; }

    void setOrientation(Orientation orientation) override { orientation_ = orientation; }
    Orientation orientation() const override { return orientation_; }
    DeviceCaps caps() const override;

    void setFont(const FontSpec& font) override { font_ = font; }
    FontSpec font() const override { return font_; }
    void setBrushSolid(const QColor& color) override { fill_ = color; }
    void setBrushHollow() override { fill_.reset(); }
    void setPenWidth(int dots) override { pen_ = dots; }
    void setTransparentTextBackground() override { transparent_ = true; }

    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) override;
    int textHeight(const QString& text) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

private:
    void requireJob() const;
    void traceFont();
    void traceBackground();
    void tracePen();
    void traceBrush();
    void finishJob();

    Metrics metrics_;
    QImage measuring_;
    FontMeasures measures_;
    DeviceCaps portraitCaps_;
    DeviceCaps landscapeCaps_;
    Orientation orientation_ = Orientation::Portrait;

    std::optional<QString> beginFailure_;
    std::optional<std::pair<int, QString>> pageFailure_;
    std::optional<QString> endFailure_;

    // The job in progress.
    int page_ = 0;
    DeviceCaps jobCaps_;
    bool transparent_ = false;
    int penX_ = 0;
    int penY_ = 0;

    FontSpec font_;
    std::optional<QColor> fill_ = QColor(Qt::white);
    int pen_ = 1;

    // The state the current job's records said last.
    std::optional<FontSpec> tracedFont_;
    std::optional<bool> tracedTransparent_;
    std::optional<int> tracedPen_;
    std::optional<std::optional<QColor>> tracedFill_;

    std::vector<DeviceRecord> records_;
};

} // namespace korvex
