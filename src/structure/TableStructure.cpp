#include "TableStructure.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>
#include <cstdlib>

namespace korvex {

namespace {

constexpr double MillisecondsPerDay = 86400000.0;

} // namespace

QString longTimeFormat(const QLocale& locale)
{
    // Qt's long time formats end in a time-zone field ("HH:mm:ss t"); a time of day in a
    // structure report has no zone.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression Zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(Zone, QStringLiteral(" "));
    return format.trimmed();
}

bool isDbaseFamily(const QString& tableType)
{
    return tableType == QLatin1String("DBASE") || tableType == QLatin1String("FOXPRO");
}

QString LevelText(int level, const QString& tableType)
{
    if (level < 1 || level > 10)
        return QString();
    if (level == 5 && tableType != QLatin1String("PARADOX"))
        return QStringLiteral("Win");
    return QString::number(level);
}

QString typeOfTableText(const QString& tableType, const QString& levelText)
{
    return tableType.left(32) + ' ' + levelText;
}

TableStructure TableStructure::from(const QString& tableName, const TableProperties& properties,
                                    const TableSource& source, const FieldDescriptorBuffer& descriptors)
{
    TableStructure s;
    s.tableName = tableName;
    s.tableType = properties.tableType.left(31);
    s.tableTypeKey = s.tableType.toUpper().left(20);
    s.levelText = LevelText(properties.tableLevel, s.tableType);
    s.properties = properties;
    s.fieldCount = source.fieldCount();
    s.indexCount = source.indexCount();
    s.fields.reserve(std::size_t(s.fieldCount));
    for (int i = 0; i < s.fieldCount; ++i) {
        const auto& f = source.field(i);
        s.fields.push_back(FieldEntry{i, f.name, f.type, f.size, descriptors.subtype(i), descriptors.units1(i),
                                      descriptors.units2(i), f.key});
    }
    return s;
}

StructureTexts::StructureTexts(TableSource& source, const TableStructure& structure, LabelLookup label,
                               const QLocale& locale)
    : source_(source), structure_(structure), label_(std::move(label)), locale_(locale)
{}

QString countText(int n, const LabelLookup& label)
{
    return n <= 0 ? label(QStringLiteral("None")) : QString::number(n);
}

QString yesNoText(bool flag, const LabelLookup& label)
{
    return label(flag ? QStringLiteral("Yes") : QStringLiteral("No"));
}

QString sizeText(int n, const QString& unit, const LabelLookup& label)
{
    return QString::number(n) + ' ' + label(unit);
}

QString blockSizeText(const TableProperties& properties, const LabelLookup& label)
{
    const int bytes = properties.blockSizeBytes;
    if (bytes % 1024 != 0)
        return sizeText(bytes, QStringLiteral("Bytes"), label);
    return sizeText(properties.blockSizeKb, QStringLiteral("KBytes"), label);
}

QString fieldTypeName(const FieldEntry& entry, const LabelLookup& label)
{
    static const char* const Names[] = {
        "Unknown", "String",  "Small Integer", "Integer",   "Word",  "Boolean",   "Float",    "Money",
        "BCD",     "Date",    "Time",          "Date/Time", "Bytes", "VarBytes",  "Auto-Inc", "Blob",
        "Memo",    "Graphic", "Fmt. Memo",     "OLE",       "OLE",   "Typed bin",
    };
    const auto code = std::size_t(entry.type);
    if (entry.type == FieldType::Integer && entry.subtype == subtype::AutoInc)
        return label(QStringLiteral("Auto-Inc"));
    return label(QLatin1String(code < std::size(Names) ? Names[code] : Names[0]));
}

QString fieldSizeText(const FieldEntry& entry, const QString& tableTypeKey)
{
    if (entry.type == FieldType::Float && isDbaseFamily(tableTypeKey))
        return QString::number(entry.units1) + ',' + QString::number(entry.units2);
    return QString::number(entry.size);
}

QString StructureTexts::CountText(int n) const
{
    return countText(n, label_);
}

QString StructureTexts::YesNoText(bool flag) const
{
    return yesNoText(flag, label_);
}

QString StructureTexts::SizeText(int n, const QString& unit) const
{
    return sizeText(n, unit, label_);
}

QString StructureTexts::blockSizeText(const TableProperties& properties) const
{
    return korvex::blockSizeText(properties, label_);
}

QString StructureTexts::FieldTypeName(const FieldEntry& entry) const
{
    return fieldTypeName(entry, label_);
}

QString StructureTexts::FieldSizeText(const FieldEntry& entry) const
{
    return fieldSizeText(entry, structure_.tableTypeKey);
}

QString StructureTexts::formatValue(FieldType type, const ValueSlot& value) const
{
    switch (type) {
    case FieldType::String: return QString::fromUtf8(slot::string(value));
    case FieldType::SmallInt: return QString::number(slot::int16(value));
    case FieldType::Integer: return QString::number(slot::int32(value));
    case FieldType::Word: return QString::number(slot::uint16(value));
    case FieldType::Boolean: return label_(value[0] == std::byte{1} ? QStringLiteral("true") : QStringLiteral("false"));
    case FieldType::Float:
    case FieldType::Money:
    case FieldType::BCD: {
        double v = 0;
        if (type == FieldType::BCD) {
            const std::span<const std::byte, EngineBcd::Size> bcd(value.data(), EngineBcd::Size);
            source_.bcdToFloat(bcd, v); // 0 when the bytes are not a packed decimal
        } else {
            v = slot::float64(value);
        }
        return numberText(v);
    }
    case FieldType::Date: {
        const std::int32_t day = slot::int32(value);
        if (!isCalendarDay(day))
            return QString::number(day);
        return locale_.toString(dateOfDayNumber(day), QLocale::ShortFormat);
    }
    case FieldType::Time: {
        const std::int32_t ms = slot::int32(value);
        if (ms < 0 || ms >= std::int32_t(MillisecondsPerDay))
            return QString::number(ms);
        return locale_.toString(QTime::fromMSecsSinceStartOfDay(ms), longTimeFormat(locale_));
    }
    case FieldType::DateTime: {
        const double ms = slot::float64(value);
        const double day = std::floor(ms / MillisecondsPerDay);
        if (!isCalendarDay(day)) // also NaN and the infinities: every comparison is false
            return numberText(ms);
        const auto msOfDay = int(ms - day * MillisecondsPerDay);
        QString text = locale_.toString(dateOfDayNumber(std::int32_t(day)), QLocale::ShortFormat);
        if (msOfDay != 0)
            text += ' ' + locale_.toString(QTime::fromMSecsSinceStartOfDay(msOfDay), longTimeFormat(locale_));
        return text;
    }
    default: return QString();
    }
}

QString StructureTexts::numberText(double value) const
{
    QLocale plain = locale_;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', 15);
}

const std::vector<ValidityCheck>& StructureTexts::validityChecks() const
{
    if (!checks_) {
        std::vector<ValidityCheck> checks;
        const int count = structure_.properties.validityCheckCount;
        checks.reserve(std::size_t(count));
        for (int s = 1; s <= count; ++s)
            checks.push_back(source_.validityCheck(s));
        checks_ = std::move(checks);
    }
    return *checks_;
}

QString StructureTexts::ValidityText(const FieldEntry& entry, ValidityValue which) const
{
    QString text;
    for (const auto& check : validityChecks()) {
        if (check.fieldNumber != entry.position + 1)
            continue;
        switch (which) {
        case ValidityValue::Minimum:
            if (check.hasMinimum)
                text = formatValue(entry.type, check.minimum);
            break;
        case ValidityValue::Maximum:
            if (check.hasMaximum)
                text = formatValue(entry.type, check.maximum);
            break;
        case ValidityValue::Default:
            if (check.hasDefault)
                text = formatValue(entry.type, check.defaultValue);
            break;
        }
    }
    // A default a server computes (now(), nextval(...)) has no value to format: its
    // expression stands in the column as the server gives it.
    if (which == ValidityValue::Default && text.isEmpty()) {
        const TableDefinition* definition = source_.definition();
        if (definition && entry.position >= 0 && std::size_t(entry.position) < definition->fields.size())
            text = definition->fields[std::size_t(entry.position)].defaultExpression;
    }
    return text;
}

QString StructureTexts::PictureText(const FieldEntry& entry) const
{
    QString text;
    for (const auto& check : validityChecks()) {
        if (check.fieldNumber == entry.position + 1)
            text = check.picture;
    }
    return text;
}

QString StructureTexts::LanguageDriverText() const
{
    if (const auto text = source_.languageDriverText())
        return *text;
    return label_(QStringLiteral("Unknown"));
}

} // namespace korvex
