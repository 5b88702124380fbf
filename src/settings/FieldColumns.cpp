#include "FieldColumns.h"

#include "SettingsFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace korvex {

namespace {

struct KindInfo {
    QString kind;
    int builtInWidth;
    QString heading;
};

const std::array<KindInfo, 9>& kindTable()
{
    static const std::array<KindInfo, 9> Table = {{
        {QStringLiteral("No."), 30, QStringLiteral("No.")},
        {QStringLiteral("Name"), 158, QStringLiteral("Name")},
        {QStringLiteral("Type"), 76, QStringLiteral("Type")},
        {QStringLiteral("Size"), 31, QStringLiteral("Size")},
        {QStringLiteral("Min."), 57, QStringLiteral("Min.Val")},
        {QStringLiteral("Max."), 63, QStringLiteral("Max.Val")},
        {QStringLiteral("Def."), 54, QStringLiteral("Default")},
        {QStringLiteral("Mask"), 56, QStringLiteral("Mask")},
        {QStringLiteral("Idx"), 24, QStringLiteral("Index")},
    }};
    return Table;
}

// The settings keys of the field columns; loading and saving both go through these.
const QString Section = QStringLiteral("Field_Information");
const QString CountKey = QStringLiteral("Count");
const QString NameKeyPrefix = QStringLiteral("FieldName_");
const QString WidthKeyPrefix = QStringLiteral("FieldWidth_");
constexpr int KeepColumns = 9999; // Count's default: no columns stored, keep the shown ones
const QString DefaultKind = QStringLiteral("Name");
constexpr int DefaultWidth = 40;

QString nameKey(int n)
{
    return NameKeyPrefix + QString::number(n);
}
QString widthKey(int n)
{
    return WidthKeyPrefix + QString::number(n);
}

void insertColumn(HeaderStrip& header, int position, const QString& kind)
{
    TQxHeaderStrings& sections = header.Sections();
    position = std::clamp(position, 0, sections.count());
    sections.insert(position, kind);
    header.SetSectionWidth(position, HeaderStrip::MinimumWidth);
    header.ArrangeHeader();
}

} // namespace

const QStringList& fieldColumnKinds()
{
    static const QStringList Kinds = [] {
        QStringList list;
        for (const KindInfo& k : kindTable())
            list.append(k.kind);
        return list;
    }();
    return Kinds;
}

const QStringList& fieldColumnMenuKinds()
{
    static const QStringList Kinds = {
        QStringLiteral("No."),  QStringLiteral("Name"), QStringLiteral("Size"),
        QStringLiteral("Type"), QStringLiteral("Min."), QStringLiteral("Max."),
        QStringLiteral("Def."), QStringLiteral("Mask"), QStringLiteral("Idx"),
    };
    return Kinds;
}

QString fieldColumnHeading(const QString& kind)
{
    for (const KindInfo& k : kindTable())
        if (k.kind.compare(kind, Qt::CaseInsensitive) == 0)
            return k.heading;
    return QString();
}

QList<FieldColumn> builtInFieldColumns()
{
    QList<FieldColumn> columns;
    for (const KindInfo& k : kindTable())
        columns.append(FieldColumn{k.kind, k.builtInWidth});
    return columns;
}

HeaderStrip makeFieldHeader()
{
    HeaderStrip header(FieldHeaderWidth, HeaderStrip::BorderStyle::Single);
    for (const FieldColumn& c : builtInFieldColumns()) {
        header.Sections().add(c.kind);
        header.SetSectionWidth(header.Sections().count() - 1, c.width);
    }
    return header;
}

void InsItem(HeaderStrip& header, const QString& kind)
{
    insertColumn(header, header.PopUpIndex(), kind);
}

void AppItem(HeaderStrip& header, const QString& kind)
{
    insertColumn(header, header.PopUpIndex() + 1, kind);
}

void RemoveClick(HeaderStrip& header)
{
    const int i = header.PopUpIndex();
    if (i >= 0 && i < header.Sections().count())
        header.Sections().remove(i);
}

void LoadFieldColumns(const SettingsFile& settings, HeaderStrip& header)
{
    const int stored = settings.ReadNumber(Section, CountKey, KeepColumns);
    if (stored == KeepColumns)
        return;
    const int count = std::clamp(stored, 0, MaxFieldColumns);
    TQxHeaderStrings& sections = header.Sections();
    HeaderUpdateGuard guard(sections);
    sections.clear();
    for (int n = 1; n <= count; ++n)
        sections.add(settings.ReadText(Section, nameKey(n), DefaultKind));
    for (int n = 1; n <= count; ++n)
        header.SetSectionWidth(n - 1, settings.ReadNumber(Section, widthKey(n), DefaultWidth));
}

void saveFieldColumns(SettingsFile& settings, const HeaderStrip& header)
{
    settings.writeTexts(fieldColumnValues(header));
}

std::vector<SettingsFile::Value> fieldColumnValues(const HeaderStrip& header)
{
    const TQxHeaderStrings& sections = header.Sections();
    std::vector<SettingsFile::Value> values{{Section, CountKey, QString::number(sections.count())}};
    for (int n = 1; n <= sections.count(); ++n) {
        values.push_back({Section, nameKey(n), sections.text(n - 1)});
        values.push_back({Section, widthKey(n), QString::number(header.SectionWidth(n - 1))});
    }
    return values;
}

QList<FieldColumn> fieldColumnsOf(const HeaderStrip& header)
{
    QList<FieldColumn> columns;
    const TQxHeaderStrings& sections = header.Sections();
    columns.reserve(sections.count());
    for (int i = 0; i < sections.count(); ++i)
        columns.append(FieldColumn{sections.text(i), header.SectionWidth(i)});
    return columns;
}

FieldColumnLayout::FieldColumnLayout(QList<FieldColumn> columns, int headerWidth, int printableWidth)
    : columns_(std::move(columns)), headerWidth_(headerWidth), printableWidth_(printableWidth)
{}

FieldColumnLayout::FieldColumnLayout(const HeaderStrip& header, int printableWidth)
    : FieldColumnLayout(fieldColumnsOf(header), header.width(), printableWidth)
{}

int FieldColumnLayout::scaled(qint64 pixels) const
{
    if (headerWidth_ <= 0)
        return 0;
    // The scale is a floating ratio of printed width to strip width, formed with a 64-bit
    // mantissa like the page grid, and each product is truncated toward zero.
    const long double scale = static_cast<long double>(printableWidth_) / headerWidth_;
    const long double value = std::trunc(scale * static_cast<long double>(pixels));
    return int(std::clamp<long double>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int FieldColumnLayout::indexOf(const QString& caption) const
{
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].kind.compare(caption, Qt::CaseInsensitive) == 0)
            return i;
    return NoColumn;
}

int FieldColumnLayout::ColumnX(const QString& caption) const
{
    const int n = indexOf(caption);
    if (n < 0)
        return NoColumn;
    qint64 before = 0;
    for (int k = 0; k < n; ++k)
        before += columns_[k].width;
    return scaled(before);
}

int FieldColumnLayout::ColumnWidth(const QString& caption) const
{
    const int n = indexOf(caption);
    if (n < 0 || columns_[n].width < 0)
        return FallbackWidth;
    return scaled(columns_[n].width);
}

QList<int> FieldColumnLayout::separatorOffsets() const
{
    QList<int> offsets;
    qint64 x = 0;
    for (int k = 1; k < columns_.size(); ++k) {
        x += scaled(columns_[k - 1].width);
        offsets.append(saturatedPixels(x));
    }
    return offsets;
}

} // namespace korvex
