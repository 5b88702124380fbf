#include "TableSchema.h"

#include <QFileInfo>

#include <algorithm>

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

// Every field's texts, with the validity checks read once for the whole table: the same
// texts the report builds by scanning the checks for every cell (the last matching check
// wins; every matching check replaces the picture).
std::vector<SchemaField> readFields(TableSource& source, const TableStructure& structure, const StructureTexts& texts)
{
    std::vector<SchemaField> fields;
    fields.reserve(structure.fields.size());
    for (const auto& entry : structure.fields) {
        SchemaField& f = fields.emplace_back();
        f.entry = entry;
        f.typeName = texts.FieldTypeName(entry);
        f.sizeText = texts.FieldSizeText(entry);
    }
    for (int s = 1; s <= structure.properties.validityCheckCount; ++s) {
        const ValidityCheck check = source.validityCheck(s);
        if (check.fieldNumber < 1 || check.fieldNumber > fields.size())
            continue;
        SchemaField& f = fields[check.fieldNumber - 1];
        if (check.hasMinimum) {
            f.minimum = texts.formatValue(f.entry.type, check.minimum);
            f.hasMinimum = true;
        }
        if (check.hasMaximum) {
            f.maximum = texts.formatValue(f.entry.type, check.maximum);
            f.hasMaximum = true;
        }
        if (check.hasDefault) {
            f.defaultValue = texts.formatValue(f.entry.type, check.defaultValue);
            f.hasDefault = true;
        }
        f.picture = check.picture;
        f.required = f.required || check.required;
    }
    return fields;
}

} // namespace

TableSchema readTableSchema(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors, const TableEntry& table,
                            const LabelLookup& label, const QLocale& locale, SchemaDetail detail)
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

        const StructureTexts texts(source, s, label, locale);
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

std::vector<TableSchema> readTableSchemas(DatabaseEngine& engine, const TableSet& set, const LabelLookup& label,
                                          const QLocale& locale)
{
    FieldDescriptorBuffer descriptors;
    std::vector<TableSchema> schemas;
    schemas.reserve(set.tables.size());
    for (const auto& table : set.tables)
        schemas.push_back(readTableSchema(engine, descriptors, table, label, locale));
    return schemas;
}

} // namespace korvex
