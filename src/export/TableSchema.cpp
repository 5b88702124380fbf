#include "TableSchema.h"

#include <QFileInfo>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <span>

namespace korvex {

namespace {

QString fieldNameOf(const TableSource& source, int number)
{
    return number >= 1 && number <= source.fieldCount() ? source.field(number - 1).name
                                                        : QStringLiteral("#%1").arg(number);
}

// The links from the engine's referential-integrity list, each related table opened
// read-only for its field names where the printed report finds it.
std::vector<SchemaLink> readLinks(DatabaseEngine& engine, TableSource& source, const TableEntry& table,
                                  QStringList& warnings)
{
    auto list = source.integrityLinks(table.databaseName, table.name);
    std::vector<SchemaLink> links;
    TableSource related(engine);
    while (const auto descriptor = list.next()) {
        SchemaLink link;
        link.name = descriptor->name;
        link.master = descriptor->kind == IntegrityDescriptor::Kind::Master;
        link.cascade = descriptor->cascade;
        const QString& stored = descriptor->relatedTable;
        const QString path = source.relatedTablePath(*descriptor);
        link.relatedTable = QFileInfo::exists(path)
                                ? QFileInfo(path).fileName()
                                : stored.mid(std::max({stored.lastIndexOf('\\'), stored.lastIndexOf('/'),
                                                       stored.lastIndexOf(':')}) +
                                             1);
        try {
            related.open(QString(), path);
        } catch (const EngineError& e) {
            related.close();
            warnings << QStringLiteral("the related table %1 of the link %2 cannot be opened: %3")
                            .arg(stored, link.name, e.message());
        }
        for (const auto& [mine, theirs] : descriptor->pairs)
            link.pairs.emplace_back(fieldNameOf(source, mine), fieldNameOf(related, theirs));
        related.close();
        links.push_back(std::move(link));
    }
    return links;
}

// Every field's type and size as the report prints them, with its validity checks.
std::vector<SchemaField> readFields(TableSource& source, const TableStructure& structure, const StructureTexts& texts)
{
    std::vector<FieldChecks> checks = readFieldChecks(source, structure);
    std::vector<SchemaField> fields;
    fields.reserve(structure.fields.size());
    for (std::size_t i = 0; i < structure.fields.size(); ++i) {
        const FieldEntry& entry = structure.fields[i];
        fields.push_back({entry, texts.FieldTypeName(entry), texts.FieldSizeText(entry), std::move(checks[i])});
    }
    return fields;
}

constexpr double MillisecondsPerDay = 86400000.0;

bool isCalendarDay(double dayNumber)
{
    static const double LastDay = dayNumberOf(QDate(9999, 12, 31));
    return dayNumber >= 1 && dayNumber <= LastDay;
}

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

std::vector<FieldChecks> readFieldChecks(TableSource& source, const TableStructure& structure)
{
    std::vector<FieldChecks> checks(structure.fields.size());
    for (int s = 1; s <= structure.properties.validityCheckCount; ++s) {
        const ValidityCheck check = source.validityCheck(s);
        if (check.fieldNumber < 1 || check.fieldNumber > checks.size())
            continue;
        const FieldType type = structure.fields[check.fieldNumber - 1].type;
        FieldChecks& f = checks[check.fieldNumber - 1];
        if (check.hasMinimum)
            f.minimum = validityValueText(type, check.minimum);
        if (check.hasMaximum)
            f.maximum = validityValueText(type, check.maximum);
        if (check.hasDefault)
            f.defaultValue = validityValueText(type, check.defaultValue);
        f.picture = check.picture;
        f.required = f.required || check.required;
    }
    return checks;
}

TableSchema readTableSchema(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors, const TableEntry& table,
                            const LabelLookup& label, SchemaDetail detail)
{
    TableSchema schema;
    schema.table = table;
    TableSource source(engine);
    try {
        source.open(table.databaseName, table.name);
        schema.warnings = source.warnings();
        source.refreshIndexDefinitions();
        const TableProperties properties = source.properties();
        if (!source.readFieldDescriptors(descriptors))
            throw EngineError(result::TooManyFields, engine.lastError());
        schema.structure = TableStructure::from(table.name, properties, source, descriptors);
        const TableStructure& s = schema.structure;
        const auto& p = s.properties;
        schema.typeOfTable = typeOfTableText(s.tableType, s.levelText);
        if (detail == SchemaDetail::Summary) {
            schema.ok = true;
            return schema;
        }

        // The table's texts use no locale: numbers are plain, and the validity values come
        // from readFieldChecks.
        const StructureTexts texts(source, s, label, QLocale::c());
        const auto line = [&](const char* name, const QString& value) {
            schema.information.emplace_back(label(QLatin1String(name)), value);
        };
        line("Name of table", s.tableName);
        line("Type of table", schema.typeOfTable);
        line("Language Driver", texts.LanguageDriverText());
        line("Used Fields", QString::number(s.fieldCount));
        line("Used Indexes", texts.CountText(s.indexCount));
        line("Used Passwords", texts.CountText(p.auxPasswordCount));
        line("Phy. Recordsize", texts.SizeText(p.recordSize, QStringLiteral("Bytes")));
        line("Log. Recordsize", texts.SizeText(p.recordBufferSize, QStringLiteral("Bytes")));
        line("File Blocksize", texts.blockSizeText(p));
        line("Primary Keysize", texts.SizeText(p.keySize, QStringLiteral("Bytes")));
        line("Uni-directional", texts.YesNoText(p.uniDirectional));
        line("Strict integrity", texts.YesNoText(p.strictIntegrity));

        schema.fields = readFields(source, s, texts);
        schema.indexes = source.indexes();
        if (s.tableType == QLatin1String("PARADOX"))
            schema.links = readLinks(engine, source, table, schema.warnings);
        schema.ok = true;
    } catch (const EngineError& e) {
        schema.ok = false;
        schema.error = e.message();
    }
    return schema;
}

std::vector<TableSchema> readTableSchemas(DatabaseEngine& engine, const TableSet& set, const LabelLookup& label)
{
    FieldDescriptorBuffer descriptors;
    std::vector<TableSchema> schemas;
    schemas.reserve(set.tables.size());
    for (const auto& table : set.tables)
        schemas.push_back(readTableSchema(engine, descriptors, table, label));
    return schemas;
}

} // namespace korvex
