#include "RecordingDevice.h"

#include "FileWriter.h"

#include "DeviceFont.h"

#include <algorithm>

namespace korvex {
namespace {

int fixedPoints(const FontSpec& font)
{
    return std::max(font.points, 1);
}

} // namespace

RecordingDevice::RecordingDevice(Metrics metrics, const DeviceCaps& portrait, int dpi)
    : metrics_(metrics), measuring_(metrics == Metrics::RealFonts ? measuringImage(dpi) : QImage()),
      portraitCaps_(portrait), landscapeCaps_(transposed(portrait))
{}

void RecordingDevice::setCaps(Orientation orientation, const DeviceCaps& caps)
{
    (orientation == Orientation::Portrait ? portraitCaps_ : landscapeCaps_) = caps;
}

void RecordingDevice::failBeginJob(const QString& message)
{
    beginFailure_ = message;
}

void RecordingDevice::failNewPage(int page, const QString& message)
{
    pageFailure_ = std::pair(page, message);
}

void RecordingDevice::failEndJob(const QString& message)
{
    endFailure_ = message;
}

QStringList RecordingDevice::traceLines() const
{
    QStringList lines;
    lines.reserve(qsizetype(records_.size()));
    for (const DeviceRecord& r : records_)
        lines << traceLine(r);
    return lines;
}

QString RecordingDevice::trace() const
{
    QString out;
    for (const DeviceRecord& r : records_)
        out += traceLine(r) + u'\n';
    return out;
}

void RecordingDevice::writeTrace(const QString& path) const
{
    const QString error = writeFileAtomically(path, trace().toUtf8());
    if (!error.isEmpty())
        throw PrinterError(QStringLiteral("Cannot write the print trace \"%1\": %2").arg(path, error));
}

void RecordingDevice::beginJob(const QString& title)
{
    if (jobInProgress())
        throw PrinterError(QStringLiteral("A print job is already in progress."));
    if (beginFailure_) {
        const QString message = *std::exchange(beginFailure_, std::nullopt);
        throw PrinterError(message);
    }
    jobCaps_ = caps();
    page_ = 1;
    transparent_ = false;
    penX_ = penY_ = 0;
    tracedFont_.reset();
    tracedTransparent_.reset();
    tracedPen_.reset();
    tracedFill_.reset();
    records_.push_back(JobBeginRecord{title});
    records_.push_back(CapsRecord{jobCaps_});
    records_.push_back(OrientationRecord{orientation_});
    records_.push_back(PageRecord{1});
}

void RecordingDevice::finishJob()
{
    page_ = 0;
}

void RecordingDevice::endJob()
{
    requireJob();
    finishJob();
    if (endFailure_) {
        records_.push_back(JobAbortRecord{});
        const QString message = *std::exchange(endFailure_, std::nullopt);
        throw PrinterError(message);
    }
    records_.push_back(JobEndRecord{});
}

void RecordingDevice::abortJob()
{
    if (!jobInProgress())
        return;
    finishJob();
    records_.push_back(JobAbortRecord{});
}

void RecordingDevice::newPage()
{
    requireJob();
    if (pageFailure_ && pageFailure_->first == page_ + 1) {
        const QString message = std::exchange(pageFailure_, std::nullopt)->second;
        throw PrinterError(message);
    }
    ++page_;
    records_.push_back(PageRecord{page_});
}

DeviceCaps RecordingDevice::caps() const
{
    if (jobInProgress())
        return jobCaps_;
    return orientation_ == Orientation::Portrait ? portraitCaps_ : landscapeCaps_;
}

void RecordingDevice::requireJob() const
{
    if (!jobInProgress())
        throw PrinterError(QStringLiteral("There is no print job in progress."));
}

void RecordingDevice::traceFont()
{
    if (tracedFont_ != font_) {
        tracedFont_ = font_;
        records_.push_back(FontRecord{font_});
    }
}

void RecordingDevice::traceBackground()
{
    if (tracedTransparent_ != transparent_) {
        tracedTransparent_ = transparent_;
        records_.push_back(BackgroundRecord{transparent_});
    }
}

void RecordingDevice::tracePen()
{
    if (tracedPen_ != pen_) {
        tracedPen_ = pen_;
        records_.push_back(PenRecord{pen_});
    }
}

void RecordingDevice::traceBrush()
{
    if (tracedFill_ != fill_) {
        tracedFill_ = fill_;
        records_.push_back(BrushRecord{fill_});
    }
}

void RecordingDevice::textOut(int x, int y, const QString& text)
{
    requireJob();
    traceFont();
    traceBackground();
    records_.push_back(TextRecord{x, y, textWidth(text), textHeight(text), text, font_});
}

int RecordingDevice::textWidth(const QString& text)
{
    if (metrics_ == Metrics::RealFonts)
        return measures_.of(font_, &measuring_).width(text);
    const int perCharacter = fixedPoints(font_) * (font_.bold ? 6 : 5);
    return int(text.toUcs4().size()) * perCharacter;
}

int RecordingDevice::textHeight(const QString&)
{
    if (metrics_ == Metrics::RealFonts)
        return measures_.of(font_, &measuring_).height();
    return fixedPoints(font_) * 9;
}

void RecordingDevice::rectangle(int x1, int y1, int x2, int y2)
{
    requireJob();
    tracePen();
    traceBrush();
    records_.push_back(RectRecord{x1, y1, x2, y2, pen_, fill_});
}

void RecordingDevice::moveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

void RecordingDevice::lineTo(int x, int y)
{
    requireJob();
    tracePen();
    records_.push_back(LineRecord{penX_, penY_, x, y, pen_});
    penX_ = x;
    penY_ = y;
}

} // namespace korvex
