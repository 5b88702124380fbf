#include "FieldTable.h"

namespace korvex {

FieldTable::FieldTable(ReportContext& context, const FieldColumnLayout& columns, const StructureTexts& texts,
                       const TableStructure& structure)
    : context_(context), columns_(columns), texts_(texts), structure_(structure)
{}

QString FieldTable::cellText(const QString& kind, const FieldEntry& field) const
{
    const auto& settings = context_.settings();
    if (kind == QLatin1String("No."))
        return QString::number(field.position + settings.OffsetFirstField);
    if (kind == QLatin1String("Name"))
        return field.name;
    if (kind == QLatin1String("Type"))
        return texts_.FieldTypeName(field);
    if (kind == QLatin1String("Size"))
        return texts_.FieldSizeText(field);
    if (kind == QLatin1String("Min."))
        return texts_.ValidityText(field, ValidityValue::Minimum);
    if (kind == QLatin1String("Max."))
        return texts_.ValidityText(field, ValidityValue::Maximum);
    if (kind == QLatin1String("Def."))
        return texts_.ValidityText(field, ValidityValue::Default);
    if (kind == QLatin1String("Mask"))
        return texts_.PictureText(field);
    if (kind == QLatin1String("Idx"))
        return field.key ? settings.IndexChar : QString();
    return QString();
}

void FieldTable::drawSeparators(int top, int bottom)
{
    auto& device = context_.device();
    for (const int offset : columns_.separatorOffsets()) {
        const int x = context_.leftX + offset - 25;
        device.moveTo(x, top);
        device.lineTo(x, bottom);
    }
}

int FieldTable::PrintFieldTablePage(int rows, int first)
{
    Q_ASSERT(rows >= 0);
    Q_ASSERT(first >= 0);
    auto& device = context_.device();
    const auto& settings = context_.settings();
    const int u = context_.lineHeight;
    const int t = int(u * 0.25L);
    const int w = context_.printableWidth;
    const int left = context_.leftX;
    const int y0 = context_.topY + context_.currentY;

    // Captions, each kind once, in the table's fixed order of kinds.
    device.setFont(FontSpec{settings.BodyFontName, settings.BodyFontSize, true, false, Qt::black});
    for (const auto& kind : fieldColumnKinds()) {
        if (!columns_.hasColumn(kind))
            continue;
        const QString caption = context_.FitText(ColumnWidth(kind), context_.label()(fieldColumnHeading(kind)));
        device.textOut(left + ColumnX(kind), y0, caption);
    }
    if (settings.PrintGrid) {
        device.setPenWidth(8);
        device.rectangle(left - 25, y0 - t, left + w, y0 - t + u);
        drawSeparators(y0 - t, y0 - t + u);
    }
    context_.zebraShaded = false;
    context_.resetBrush();
    device.setPenWidth(1);
    context_.UseBodyFont();

    const QColor grey(settings.ZebraGray, settings.ZebraGray, settings.ZebraGray);
    int i = first;
    for (int r = 1; r <= rows && i < structure_.fieldCount; ++r) {
        const int y = y0 + (r + 1) * u; // one empty line below the captions
        if (settings.PrintGrid) {
            if (settings.PrintZebraPattern) {
                if (context_.zebraShaded)
                    device.setBrushHollow();
                else
                    device.setBrushSolid(grey);
            }
            device.rectangle(left - 25, y - t, left + w, y - t + u);
            if (settings.PrintZebraPattern) {
                if (context_.zebraShaded)
                    device.setBrushHollow();
                context_.zebraShaded = !context_.zebraShaded;
            }
            device.setTransparentTextBackground();
            drawSeparators(y - t, y - t + u);
        }
        const auto& field = structure_.fields.at(std::size_t(i));
        for (const auto& kind : fieldColumnKinds()) {
            if (!columns_.hasColumn(kind))
                continue;
            const QString text = context_.FitText(ColumnWidth(kind), cellText(kind, field));
            int x = left + ColumnX(kind);
            if (kind == QLatin1String("Idx"))
                x += ColumnWidth(kind) / 2 - 25;
            device.textOut(x, y, text);
        }
        ++i;
    }
    return i;
}

} // namespace korvex
