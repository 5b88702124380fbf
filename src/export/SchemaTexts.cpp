#include "SchemaTexts.h"

#include <QLocale>
#include <QTime>

#include <cmath>
#include <span>

namespace korvex {

namespace {

constexpr double MillisecondsPerDay = 86400000.0;

QString timeText(int msOfDay)
{
    const QTime time = QTime::fromMSecsSinceStartOfDay(msOfDay);
    return time.toString(time.msec() == 0 ? Qt::ISODate : Qt::ISODateWithMs);
}

// The shortest text that reads back as the same double, with '.' before its decimals.
QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString validityValueText(FieldType type, const ValueSlot& value)
{
    switch (type) {
    case FieldType::String: return QString::fromUtf8(slot::string(value));
    case FieldType::SmallInt: return QString::number(slot::int16(value));
    case FieldType::Integer: return QString::number(slot::int32(value));
    case FieldType::Word: return QString::number(slot::uint16(value));
    case FieldType::Boolean: return value[0] == std::byte{1} ? QStringLiteral("true") : QStringLiteral("false");
    case FieldType::Float:
    case FieldType::Money: return numberText(slot::float64(value));
    case FieldType::BCD: {
        double v = 0; // 0 when the bytes are not a packed decimal, as the report prints it
        BcdToFloat(std::span<const std::byte, EngineBcd::Size>(value.data(), EngineBcd::Size), v);
        return numberText(v);
    }
    case FieldType::Date: {
        const std::int32_t day = slot::int32(value);
        return isCalendarDay(day) ? dateOfDayNumber(day).toString(Qt::ISODate) : QString::number(day);
    }
    case FieldType::Time: {
        const std::int32_t ms = slot::int32(value);
        return ms >= 0 && ms < std::int32_t(MillisecondsPerDay) ? timeText(ms) : QString::number(ms);
    }
    case FieldType::DateTime: {
        const double ms = slot::float64(value);
        const double day = std::floor(ms / MillisecondsPerDay);
        if (!isCalendarDay(day)) // also NaN and the infinities
            return numberText(ms);
        return dateOfDayNumber(std::int32_t(day)).toString(Qt::ISODate) + QLatin1Char('T') +
               timeText(int(ms - day * MillisecondsPerDay));
    }
    default: return QString();
    }
}

std::optional<QString> validityText(const SchemaField& field, const std::optional<ValueSlot>& value)
{
    if (!value)
        return std::nullopt;
    return validityValueText(field.entry.type, *value);
}

std::optional<QString> defaultText(const SchemaField& field)
{
    if (!field.checks.defaultExpression.isEmpty())
        return field.checks.defaultExpression;
    return validityText(field, field.checks.defaultValue);
}

QString referentialActionText(ReferentialAction action)
{
    switch (action) {
    case ReferentialAction::Restrict: return QStringLiteral("RESTRICT");
    case ReferentialAction::Cascade: return QStringLiteral("CASCADE");
    case ReferentialAction::NoAction: return QStringLiteral("NO ACTION");
    case ReferentialAction::SetNull: return QStringLiteral("SET NULL");
    case ReferentialAction::SetDefault: return QStringLiteral("SET DEFAULT");
    }
    return {};
}

QString checkConstraintName(const TableSchema& schema, const CheckConstraint& check, int number)
{
    if (!check.name.isEmpty())
        return check.name;
    return QStringLiteral("%1_check%2").arg(schema.table.shownName()).arg(number);
}

QString typeOfTableText(const TableSchema& schema)
{
    return typeOfTableText(schema.structure.tableType, schema.structure.levelText);
}

QString fieldSizeText(const TableSchema& schema, const SchemaField& field)
{
    return fieldSizeText(field.entry, schema.structure.tableTypeKey);
}

QString languageDriverText(const std::optional<QString>& description, const LabelLookup& label)
{
    return description ? *description : label(QStringLiteral("Unknown"));
}

std::vector<std::pair<QString, QString>> informationLines(const TableSchema& schema, const LabelLookup& label)
{
    const TableStructure& s = schema.structure;
    const TableProperties& p = s.properties;
    std::vector<std::pair<QString, QString>> lines;
    const auto line = [&](const char* name, const QString& value) {
        lines.emplace_back(label(QLatin1String(name)), value);
    };
    const QString bytes = QStringLiteral("Bytes");
    line("Name of table", s.tableName);
    line("Type of table", typeOfTableText(schema));
    line("Language Driver", languageDriverText(schema.languageDriver, label));
    line("Used Fields", QString::number(s.fieldCount));
    line("Used Indexes", countText(s.indexCount, label));
    line("Used Passwords", countText(p.auxPasswordCount, label));
    line("Phy. Recordsize", sizeText(p.recordSize, bytes, label));
    line("Log. Recordsize", sizeText(p.recordBufferSize, bytes, label));
    line("File Blocksize", blockSizeText(p, label));
    line("Primary Keysize", sizeText(p.keySize, bytes, label));
    line("Uni-directional", yesNoText(p.uniDirectional, label));
    line("Strict integrity", yesNoText(p.strictIntegrity, label));
    return lines;
}

} // namespace korvex
