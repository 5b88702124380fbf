#include "IndexSection.h"

namespace korvex {

void printIndexSection(ReportContext& context, TableSource& table, const TableStructure& structure, int& row)
{
    std::vector<IndexDescription> indexes = table.indexes();

    const bool dbase = isDbaseFamily(structure.tableType);
    const bool paradox = structure.tableType == QLatin1String("PARADOX");
    // A Paradox table lists its secondary indexes only. The engine lists a keyed table's
    // primary index first; an unkeyed table has none, and its first index is a secondary
    // one that must not be dropped.
    if (paradox && !indexes.empty() && indexes.front().primary)
        indexes.erase(indexes.begin());
    const std::size_t n = indexes.size();
    if (n == 0)
        return;

    auto& device = context.device();
    const auto& settings = context.settings();
    const auto& label = context.label();
    const int left = context.leftX;
    const int w = context.printableWidth;
    const int col2 = left + context.grid(GridFraction::F020);
    const int col3 = left + context.grid(GridFraction::F080);
    const int col4 = left + context.grid(GridFraction::F090);
    const int flagWidth = context.grid(GridFraction::F010);
    const auto frame = [&](int line, int pen) {
        context.drawRowFrame(line, left - 25, left + w, {col2 - 25, col3 - 25, col4 - 25}, pen);
    };

    // Two empty rows, then the captions. The captions, the empty row below them and the
    // first index go to a new page together when that index would pass the line limit.
    row += 3;
    if (row + 2 > context.lineLimit()) {
        row = -1;
        context.startNewPage();
    }
    context.zebraShaded = false;
    context.resetBrush();
    if (settings.PrintGrid)
        frame(row, 8);
    const QString caption1 = label(dbase ? QStringLiteral("Indexes") : QStringLiteral("Sec. Indexes"));
    const QString caption2 = label(dbase ? QStringLiteral("Used Field(s) or Expression")
                                         : QStringLiteral("Used Field(s)"));
    const QString caption3 = label(dbase ? QStringLiteral("Unique") : QStringLiteral("Maintained"));
    const QString caption4 = label(dbase ? QStringLiteral("Desc.") : QStringLiteral("Cased"));
    const int top = context.lineTop(row);
    FontSpec bold = device.font();
    bold.bold = true;
    device.setFont(bold);
    device.textOut(left, top, context.FitText(context.grid(GridFraction::F01666), caption1));
    device.textOut(col2, top, context.FitText(context.grid(GridFraction::F055), caption2));
    device.textOut(col3, top, context.FitText(flagWidth, caption3));
    device.textOut(col4, top, context.FitText(flagWidth, caption4));
    context.UseBodyFont();

    row += 1; // the row after the captions stays empty
    context.zebraShaded = false;

    const QString mark = settings.IndexChar;
    const int markOffset = flagWidth / 2 - 25;
    for (std::size_t i = 0; i < n; ++i) {
        const auto& index = indexes[i];
        row += 1;
        if (settings.PrintGrid) {
            context.shadeSectionRow();
            frame(row, 1);
        }
        const int y = context.lineTop(row);
        device.textOut(left, y, context.FitText(context.grid(GridFraction::F020), index.name));
        device.textOut(col2, y, context.FitText(context.grid(GridFraction::F060), index.fields));
        if (dbase && !index.expression.isEmpty())
            device.textOut(col2, y, context.FitText(context.grid(GridFraction::F060), index.expression));
        const bool flag3 = dbase ? index.unique : true;
        const bool flag4 = dbase ? index.descending : !index.caseInsensitive;
        device.textOut(col3 + markOffset, y, context.FitText(flagWidth, flag3 ? mark : QString()));
        device.textOut(col4 + markOffset, y, context.FitText(flagWidth, flag4 ? mark : QString()));

        // The captions are not repeated: the next index prints on line 0 of the new page.
        if (context.lineLimitReached(row) && i + 1 < n) {
            row = -1;
            context.startNewPage();
        }
    }
}

} // namespace korvex
