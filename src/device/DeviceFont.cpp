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

FontMeasure::FontMeasure(const FontSpec& spec, const QPaintDevice* device)
    : metrics_(deviceFont(spec), device)
{
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
