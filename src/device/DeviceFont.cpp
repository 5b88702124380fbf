#include "DeviceFont.h"

#include <algorithm>

namespace korvex {

QFont deviceFont(const FontSpec& spec)
{
    QFont font(spec.name);
    font.setPointSize(std::max(spec.points, 1));
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    return font;
}

FontMeasure::FontMeasure(const FontSpec& spec, const QPaintDevice* device) : metrics_(deviceFont(spec), device)
{}

const FontMeasure& FontMeasures::of(const FontSpec& spec, const QPaintDevice* device)
{
    const int dpi = device->logicalDpiY();
    for (const Entry& e : entries_)
        if (e.dpi == dpi && e.spec == spec)
            return e.measure;
    // A report uses a handful of fonts; a run through many different ones starts afresh.
    if (entries_.size() >= 16)
        entries_.clear();
    entries_.push_back(Entry{spec, dpi, FontMeasure(spec, device)});
    return entries_.back().measure;
}

QImage measuringImage(int dpi)
{
    QImage image(1, 1, QImage::Format_Mono);
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

} // namespace korvex
