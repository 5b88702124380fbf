#pragma once

#include "HeaderStrip.h"
#include "SettingsFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvex {

// One column of the printed field table: its kind (the section text of the field-column
// header) and its width in pixels of that header.
struct FieldColumn {
    QString kind;
    int width = 0;
    friend bool operator==(const FieldColumn&, const FieldColumn&) = default;
};

// The field-column header of the configuration dialog: 558 pixels wide with a single
// border, so its sections share a client width of 556.
inline constexpr int FieldHeaderWidth = 558;

// The nine kinds in the order the report prints them.
const QStringList& fieldColumnKinds();
// The nine kinds in the order of the "Insert" and "Append" submenus ("Size" before "Type").
const QStringList& fieldColumnMenuKinds();
// The label printed as a kind's column heading ("Min." prints "Min.Val"); the kind is
// matched without regard to case; empty for a text that is no kind.
QString fieldColumnHeading(const QString& kind);

// The built-in layout: the nine kinds, 549 pixels together.
QList<FieldColumn> builtInFieldColumns();
// A field-column header showing the built-in layout.
HeaderStrip makeFieldHeader();

// The popup menu's actions, at the section under the last press. A new column is 30
// pixels wide and the header is then arranged to fit.
// Insert: before that section (at the start when there is none).
void InsItem(HeaderStrip& header, const QString& kind);
// Append: after that section.
void AppItem(HeaderStrip& header, const QString& kind);
// Remove: that section; nothing when there is none. No arranging follows.
void RemoveClick(HeaderStrip& header);

// A Count above this is read as this many columns: a corrupt or hostile settings file
// must not make loading read millions of keys. No strip shows anywhere near as many.
inline constexpr int MaxFieldColumns = 1000;

// Replaces the header's sections with the columns of the settings file, widths as
// stored (no arranging). Without a Count the header keeps what it shows; a negative
// Count is read as 0.
void LoadFieldColumns(const SettingsFile& settings, HeaderStrip& header);
// Stores the header's columns; the last one with its painted width, the rest of the strip.
void saveFieldColumns(SettingsFile& settings, const HeaderStrip& header);
// The keys SaveFieldColumns writes, for a change of the file together with others.
std::vector<SettingsFile::Value> fieldColumnValues(const HeaderStrip& header);

// The header's columns with the widths they are painted with (SectionWidth): the last
// column has the rest of the client width.
QList<FieldColumn> fieldColumnsOf(const HeaderStrip& header);

// The printed field table's horizontal layout: the header's columns scaled from the
// header's width in pixels (border included) to the printable width in dots. Every
// scaled width is truncated toward zero; positions are relative to the printable
// area's left edge.
class FieldColumnLayout {
public:
    static constexpr int NoColumn = -1;
    // The width given to a kind without a column, or with a negative width.
    static constexpr int FallbackWidth = 100;

    FieldColumnLayout(QList<FieldColumn> columns, int headerWidth, int printableWidth);
    FieldColumnLayout(const HeaderStrip& header, int printableWidth);

    const QList<FieldColumn>& columns() const { return columns_; }
    // The first column whose kind equals caption without regard to case, or NoColumn.
    int indexOf(const QString& caption) const;
    bool hasColumn(const QString& caption) const { return indexOf(caption) >= 0; }

    // The column's start: the widths before it together, scaled. NoColumn without one.
    int ColumnX(const QString& caption) const;
    // The column's width scaled; FallbackWidth without a column or for a negative width.
    int ColumnWidth(const QString& caption) const;
    // The grid's separator positions between columns 0|1, 1|2, ...: each column's width
    // is scaled on its own and added up, so a separator can stand a dot or two left of
    // the ColumnX of the column after it.
    QList<int> separatorOffsets() const;

    // pixels × printableWidth ÷ headerWidth, truncated toward zero (0 for a header
    // without width).
    int scaled(qint64 pixels) const;

private:
    QList<FieldColumn> columns_;
    int headerWidth_;
    int printableWidth_;
};

} // namespace korvex
