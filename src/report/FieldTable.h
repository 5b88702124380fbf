#pragma once

#include "ReportContext.h"

#include "FieldColumns.h"
#include "TableStructure.h"

namespace korvex {

// The field table of a report: a caption line on every page, then one row per field in
// table order, in the columns of the field-column header scaled to the printable width.
class FieldTable {
public:
    FieldTable(ReportContext& context, const FieldColumnLayout& columns, const StructureTexts& texts,
               const TableStructure& structure);

    // Relative to leftX; negative when no column has the caption (case-blind).
    int ColumnX(const QString& caption) const { return columns_.ColumnX(caption); }
    // In dots; 100 when no column has the caption or its width is negative.
    int ColumnWidth(const QString& caption) const { return columns_.ColumnWidth(caption); }

    // Prints the captions and at most rows fields from position first on; answers the
    // position after the last row printed (the field count when the table has ended).
    // Raises EngineError when a validity check cannot be read.
    int PrintFieldTablePage(int rows, int first);

private:
    QString cellText(const QString& kind, const FieldEntry& field) const;
    void drawSeparators(int top, int bottom);

    ReportContext& context_;
    const FieldColumnLayout& columns_;
    const StructureTexts& texts_;
    const TableStructure& structure_;
};

} // namespace korvex
