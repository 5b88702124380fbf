#pragma once

#include "PrintDevice.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include <vector>

namespace korvex {

// The Qt font for a report font. It always carries an explicit point size (at least 1):
// a font without one is measured at one size and painted at another. Family names such
// as "Arial" reach their metric-compatible fonts through fontconfig.
QFont deviceFont(const FontSpec& spec);

// A text's measures in a font on a paint device, at the device's logical resolution:
// width is the advance of the text, height the font's ascent + descent. The printer
// device and the recording device with real fonts both measure through this class.
class FontMeasure {
public:
    FontMeasure(const FontSpec& spec, const QPaintDevice* device);

    int width(const QString& text) const { return metrics_.horizontalAdvance(text); }
    int height() const { return metrics_.height(); }
    // From the top of a text to its baseline.
    int ascent() const { return metrics_.ascent(); }

private:
    QFontMetrics metrics_;
};

// The measures of the few fonts a report switches between: building a font's metrics
// costs far more than measuring a text with them, and a report measures every cell. The
// metrics of a font depend on nothing of a device but its vertical resolution, so any
// device of the same resolution shares them.
class FontMeasures {
public:
    const FontMeasure& of(const FontSpec& spec, const QPaintDevice* device);

private:
    struct Entry {
        FontSpec spec;
        int dpi;
        FontMeasure measure;
    };
    std::vector<Entry> entries_;
};

// A paint device that measures fonts exactly like a printer of that resolution, without
// a printer or a file.
QImage measuringImage(int dpi);

} // namespace korvex
