#include "ServerTypes.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <array>
#include <cmath>
#include <limits>

namespace korvex::server {

namespace {

// Every type name either server documents, lower case, with the report type it prints as.
// Names of the other types fall back on their group (below).
struct TypeRule {
    const char* name;
    FieldType type;
};
constexpr std::array typeRules = {
    // character types
    TypeRule{"character varying", FieldType::String},
    TypeRule{"varchar", FieldType::String},
    TypeRule{"character", FieldType::String},
    TypeRule{"char", FieldType::String},
    TypeRule{"bpchar", FieldType::String},
    TypeRule{"nchar", FieldType::String},
    TypeRule{"nvarchar", FieldType::String},
    TypeRule{"native character", FieldType::String},
    TypeRule{"varying character", FieldType::String},
    TypeRule{"\"char\"", FieldType::String},
    TypeRule{"name", FieldType::String},
    TypeRule{"uuid", FieldType::String},
    TypeRule{"inet", FieldType::String},
    TypeRule{"cidr", FieldType::String},
    TypeRule{"macaddr", FieldType::String},
    TypeRule{"macaddr8", FieldType::String},
    TypeRule{"interval", FieldType::String},
    TypeRule{"text", FieldType::Memo},
    TypeRule{"clob", FieldType::Memo},
    TypeRule{"citext", FieldType::Memo},
    TypeRule{"json", FieldType::Memo},
    TypeRule{"jsonb", FieldType::Memo},
    TypeRule{"xml", FieldType::Memo},
    TypeRule{"tsvector", FieldType::Memo},
    TypeRule{"tsquery", FieldType::Memo},
    // numbers
    TypeRule{"smallint", FieldType::SmallInt},
    TypeRule{"int2", FieldType::SmallInt},
    TypeRule{"tinyint", FieldType::SmallInt},
    TypeRule{"integer", FieldType::Integer},
    TypeRule{"int", FieldType::Integer},
    TypeRule{"int4", FieldType::Integer},
    TypeRule{"mediumint", FieldType::Integer},
    TypeRule{"oid", FieldType::Integer},
    TypeRule{"bigint", FieldType::BCD},
    TypeRule{"int8", FieldType::BCD},
    TypeRule{"unsigned big int", FieldType::BCD},
    TypeRule{"numeric", FieldType::BCD},
    TypeRule{"decimal", FieldType::BCD},
    TypeRule{"real", FieldType::Float},
    TypeRule{"float4", FieldType::Float},
    TypeRule{"double precision", FieldType::Float},
    TypeRule{"double", FieldType::Float},
    TypeRule{"float", FieldType::Float},
    TypeRule{"float8", FieldType::Float},
    TypeRule{"money", FieldType::Money},
    TypeRule{"boolean", FieldType::Boolean},
    TypeRule{"bool", FieldType::Boolean},
    // date and time
    TypeRule{"date", FieldType::Date},
    TypeRule{"time", FieldType::Time},
    TypeRule{"time without time zone", FieldType::Time},
    TypeRule{"time with time zone", FieldType::Time},
    TypeRule{"timetz", FieldType::Time},
    TypeRule{"timestamp", FieldType::DateTime},
    TypeRule{"datetime", FieldType::DateTime},
    TypeRule{"timestamp without time zone", FieldType::DateTime},
    TypeRule{"timestamp with time zone", FieldType::DateTime},
    TypeRule{"timestamptz", FieldType::DateTime},
    // binary
    TypeRule{"bytea", FieldType::Blob},
    TypeRule{"blob", FieldType::Blob},
    TypeRule{"bit", FieldType::Bytes},
    TypeRule{"bit varying", FieldType::VarBytes},
    TypeRule{"varbit", FieldType::VarBytes},
};

FieldType fallbackType(ServerType::Group group)
{
    switch (group) {
    case ServerType::Group::Text: return FieldType::Memo;
    case ServerType::Group::Number: return FieldType::BCD;
    case ServerType::Group::Integer: return FieldType::Integer;
    case ServerType::Group::Real: return FieldType::Float;
    case ServerType::Group::Boolean: return FieldType::Boolean;
    case ServerType::Group::DateTime: return FieldType::DateTime;
    case ServerType::Group::Binary: return FieldType::Blob;
    case ServerType::Group::Other: break;
    }
    // Arrays, ranges, geometry, enums and types of extensions: their text is what a
    // reader of the report can use.
    return FieldType::Memo;
}

// The widest decimal the engine's packed decimal holds.
constexpr int MaxBcdDigits = 32;
constexpr double MillisecondsPerDay = 86400000.0;

std::optional<std::int64_t> integerOf(const SqlLiteral& literal)
{
    bool ok = false;
    const qlonglong v = literal.text.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<double> numberOf(const SqlLiteral& literal)
{
    bool ok = false;
    const double v = literal.text.toDouble(&ok); // C locale: server literals use a point
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<EngineBcd> bcdOf(const SqlLiteral& literal, int places)
{
    static const QRegularExpression decimal(QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?$"));
    const auto m = decimal.match(literal.text.trimmed());
    if (!m.hasMatch() || (m.capturedLength(2) == 0 && m.capturedLength(3) == 0))
        return std::nullopt;
    QString whole = m.captured(2);
    QString fraction = m.captured(3);
    if (fraction.size() > places) {
        // A literal with more decimals than the field keeps fits only when they are zeros.
        if (fraction.mid(places).count(u'0') != fraction.size() - places)
            return std::nullopt;
        fraction.truncate(places);
    }
    fraction = fraction.leftJustified(places, u'0');
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    const QString digits = whole + fraction;
    if (digits.size() > MaxBcdDigits)
        return std::nullopt;
    const QByteArray ascii = digits.toLatin1();
    return EngineBcd::fromDigits(m.captured(1) == u"-", std::string_view(ascii.constData(), ascii.size()), places);
}

std::optional<QTime> timeOf(const QString& text)
{
    for (const char* format : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
        const QTime t = QTime::fromString(text, QLatin1String(format));
        if (t.isValid())
            return t;
    }
    return std::nullopt;
}

} // namespace

ServerType parseServerType(const QString& declared)
{
    ServerType type;
    QString base = declared.trimmed();
    if (base.endsWith(QLatin1String("[]")))
        return ServerType{base.toLower(), std::nullopt, std::nullopt, ServerType::Group::Other};
    static const QRegularExpression modifiers(QStringLiteral("\\s*\\(([^)]*)\\)\\s*"));
    const auto m = modifiers.match(base);
    if (m.hasMatch()) {
        const QStringList numbers = m.captured(1).split(u',');
        bool ok = false;
        if (!numbers.isEmpty()) {
            const int first = numbers[0].trimmed().toInt(&ok);
            if (ok)
                type.length = first;
        }
        if (numbers.size() > 1) {
            const int second = numbers[1].trimmed().toInt(&ok);
            if (ok)
                type.scale = second;
        }
        base.replace(m.capturedStart(), m.capturedLength(), QStringLiteral(" "));
    }
    type.baseName = base.simplified().toLower();
    return type;
}

ServerType::Group sqliteAffinityGroup(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return ServerType::Group::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return ServerType::Group::Text;
    if (t.contains(QLatin1String("BLOB")) || t.trimmed().isEmpty())
        return ServerType::Group::Binary;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return ServerType::Group::Real;
    return ServerType::Group::Number;
}

FieldDefinition fieldFor(const QString& name, const ServerType& type, const QString& storedType, bool autoIncrement)
{
    FieldDefinition f;
    f.name = name;
    f.storedType = storedType;
    f.serverType = storedType;
    f.type = fallbackType(type.group);
    for (const TypeRule& rule : typeRules) {
        if (type.baseName == QLatin1String(rule.name)) {
            f.type = rule.type;
            break;
        }
    }
    const QString& base = type.baseName;
    if (f.type == FieldType::String) {
        if (type.length)
            f.size = *type.length;
        else if (base == u"character" || base == u"char" || base == u"bpchar" || base == u"nchar" ||
                 base == u"\"char\"")
            f.size = 1; // a character type without a length holds one character
        else if (base == u"uuid")
            f.size = 36;
        else if (base == u"name")
            f.size = 63;
        else if (base == u"inet" || base == u"cidr")
            f.size = 43;
        else if (base == u"macaddr" || base == u"macaddr8")
            f.size = 23;
        else if (base == u"interval")
            f.size = 49;
        else
            f.type = FieldType::Memo; // varchar without a limit is unbounded text
    }
    if (autoIncrement && (f.type == FieldType::Integer || f.type == FieldType::SmallInt))
        f.type = FieldType::AutoInc;

    switch (f.type) {
    case FieldType::String:
        f.logicalType = LogicalType::ZString;
        f.units1 = std::int16_t(std::min(f.size, 32767));
        f.logicalLength = std::uint16_t(std::min(f.size + 1, 65535));
        break;
    case FieldType::Memo:
        f.logicalType = LogicalType::Blob;
        f.subtype = subtype::Memo;
        break;
    case FieldType::Blob:
        f.logicalType = LogicalType::Blob;
        f.subtype = subtype::Binary;
        break;
    case FieldType::Bytes:
    case FieldType::VarBytes:
        f.size = type.length.value_or(1);
        f.logicalType = f.type == FieldType::Bytes ? LogicalType::Bytes : LogicalType::VarBytes;
        f.units1 = std::int16_t(std::min(f.size, 32767));
        break;
    case FieldType::SmallInt:
        f.logicalType = LogicalType::Int16;
        f.logicalLength = 2;
        break;
    case FieldType::Integer:
    case FieldType::AutoInc:
        f.logicalType = LogicalType::Int32;
        f.subtype = f.type == FieldType::AutoInc ? subtype::AutoInc : subtype::None;
        f.logicalLength = 4;
        break;
    case FieldType::BCD: {
        // bigint: 19 digits, none after the point; numeric without modifiers: the widest.
        const bool bigint = base == u"bigint" || base == u"int8" || base == u"unsigned big int";
        const int precision = bigint ? 19 : std::min(type.length.value_or(MaxBcdDigits), MaxBcdDigits);
        const int scale = bigint ? 0 : std::clamp(type.scale.value_or(0), 0, precision);
        f.size = scale;
        f.logicalType = LogicalType::Bcd;
        f.units1 = std::int16_t(precision);
        f.units2 = std::int16_t(scale);
        f.logicalLength = std::uint16_t(EngineBcd::Size);
        break;
    }
    case FieldType::Float:
    case FieldType::Money:
        f.logicalType = LogicalType::Float;
        f.subtype = f.type == FieldType::Money ? subtype::Money : subtype::None;
        f.logicalLength = 8;
        break;
    case FieldType::Boolean:
        f.logicalType = LogicalType::Bool;
        f.logicalLength = 2;
        break;
    case FieldType::Date:
        f.logicalType = LogicalType::Date;
        f.logicalLength = 4;
        break;
    case FieldType::Time:
        f.logicalType = LogicalType::Time;
        f.logicalLength = 4;
        break;
    case FieldType::DateTime:
        f.logicalType = LogicalType::Timestamp;
        f.logicalLength = 8;
        break;
    default: break;
    }
    return f;
}

std::optional<ValueSlot> engineValue(const FieldDefinition& field, const SqlLiteral& literal)
{
    ValueSlot slot{};
    switch (field.logicalType) {
    case LogicalType::ZString: {
        const QByteArray utf8 = literal.text.toUtf8();
        if (!literal.quoted || literal.text.size() > field.size || utf8.size() > 255)
            return std::nullopt;
        slot::putString(slot, utf8);
        return slot;
    }
    case LogicalType::Int16:
    case LogicalType::Int32: {
        const auto v = integerOf(literal);
        const std::int64_t low = field.logicalType == LogicalType::Int16 ? std::numeric_limits<std::int16_t>::min()
                                                                         : std::numeric_limits<std::int32_t>::min();
        const std::int64_t high = field.logicalType == LogicalType::Int16 ? std::numeric_limits<std::int16_t>::max()
                                                                          : std::numeric_limits<std::int32_t>::max();
        if (!v || *v < low || *v > high)
            return std::nullopt;
        if (field.logicalType == LogicalType::Int16)
            slot::putInt16(slot, std::int16_t(*v));
        else
            slot::putInt32(slot, std::int32_t(*v));
        return slot;
    }
    case LogicalType::Float: {
        QString text = literal.text;
        if (field.subtype == subtype::Money)
            text.remove(u'$').remove(u','); // money literals print with their currency
        const auto v = numberOf(SqlLiteral{text, false});
        if (!v)
            return std::nullopt;
        slot::putDouble(slot, *v);
        return slot;
    }
    case LogicalType::Bcd: {
        const auto v = bcdOf(literal, field.units2);
        if (!v)
            return std::nullopt;
        slot::putBcd(slot, *v);
        return slot;
    }
    case LogicalType::Bool: {
        const QString t = literal.text.toLower();
        if (t == u"true" || t == u"t" || t == u"1" || t == u"yes" || t == u"on")
            slot::putBool(slot, true);
        else if (t == u"false" || t == u"f" || t == u"0" || t == u"no" || t == u"off")
            slot::putBool(slot, false);
        else
            return std::nullopt;
        return slot;
    }
    case LogicalType::Date: {
        const QDate d = QDate::fromString(literal.text, Qt::ISODate);
        if (!literal.quoted || !d.isValid() || d.year() < 1)
            return std::nullopt;
        slot::putDate(slot, dayNumberOf(d));
        return slot;
    }
    case LogicalType::Time: {
        const auto t = literal.quoted ? timeOf(literal.text) : std::nullopt;
        if (!t)
            return std::nullopt;
        slot::putInt32(slot, t->msecsSinceStartOfDay());
        return slot;
    }
    case LogicalType::Timestamp: {
        if (!literal.quoted)
            return std::nullopt;
        QString text = literal.text.trimmed();
        text.replace(u'T', u' ');
        const QString datePart = text.section(u' ', 0, 0);
        const QString timePart = text.section(u' ', 1, 1);
        const QDate d = QDate::fromString(datePart, Qt::ISODate);
        const auto t = timePart.isEmpty() ? std::optional<QTime>(QTime(0, 0)) : timeOf(timePart);
        // A zone after the time would need the server's time zone to place it.
        if (!d.isValid() || d.year() < 1 || !t || !text.section(u' ', 2).isEmpty())
            return std::nullopt;
        slot::putTimestamp(slot, dayNumberOf(d) * MillisecondsPerDay + t->msecsSinceStartOfDay());
        return slot;
    }
    default: return std::nullopt;
    }
}

} // namespace korvex::server
