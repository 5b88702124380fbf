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
        link.rules = descriptor->cascade;
        const QString& stored = descriptor->relatedTable;
        const QString path = source.relatedTablePath(*descriptor);
        if (source.isServerTable())
            link.relatedTable = stored; // as the server's table list names it
        else
            link.relatedTable = QFileInfo::exists(path)
                                    ? QFileInfo(path).fileName()
                                    : stored.mid(std::max({stored.lastIndexOf('\\'), stored.lastIndexOf('/'),
                                                           stored.lastIndexOf(':')}) +
                                                 1);
        try {
            related.openRelated(source, table.databaseName, *descriptor);
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

std::vector<SchemaField> readFields(TableSource& source, const TableStructure& structure)
{
    std::vector<FieldValidity> checks = readFieldValidity(source, structure);
    std::vector<SchemaField> fields;
    fields.reserve(structure.fields.size());
    for (std::size_t i = 0; i < structure.fields.size(); ++i)
        fields.push_back({structure.fields[i], std::move(checks[i])});
    return fields;
}

} // namespace

std::vector<FieldValidity> readFieldValidity(TableSource& source, const TableStructure& structure)
{
    std::vector<FieldValidity> checks(structure.fields.size());
    for (int s = 1; s <= structure.properties.validityCheckCount; ++s) {
        const ValidityCheck check = source.validityCheck(s);
        if (check.fieldNumber < 1 || check.fieldNumber > checks.size())
            continue;
        FieldValidity& f = checks[check.fieldNumber - 1];
        if (check.hasMinimum)
            f.minimum = check.minimum;
        if (check.hasMaximum)
            f.maximum = check.maximum;
        if (check.hasDefault)
            f.defaultValue = check.defaultValue;
        f.picture = check.picture;
        f.required = f.required || check.required;
    }
    if (const TableDefinition* definition = source.definition()) {
        for (std::size_t i = 0; i < checks.size() && i < definition->fields.size(); ++i) {
            checks[i].defaultExpression = definition->fields[i].defaultExpression;
            checks[i].serverType = definition->fields[i].serverType;
        }
    }
    return checks;
}

TableSchema readTableSchema(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors, const TableEntry& table,
                            SchemaDetail detail)
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
        if (detail == SchemaDetail::Summary) {
            schema.ok = true;
            return schema;
        }
        schema.languageDriver = source.languageDriverText();
        schema.fields = readFields(source, schema.structure);
        schema.indexes = source.indexes();
        if (schema.structure.tableType == QLatin1String("PARADOX") || source.isServerTable())
            schema.links = readLinks(engine, source, table, schema.warnings);
        if (const TableDefinition* definition = source.definition())
            schema.server = definition->server;
        schema.ok = true;
    } catch (const EngineError& e) {
        schema.ok = false;
        schema.error = e.message();
    }
    return schema;
}

std::vector<TableSchema> readTableSchemas(DatabaseEngine& engine, const TableSet& set)
{
    FieldDescriptorBuffer descriptors;
    std::vector<TableSchema> schemas;
    schemas.reserve(set.tables.size());
    for (const auto& table : set.tables)
        schemas.push_back(readTableSchema(engine, descriptors, table));
    return schemas;
}

} // namespace korvex
