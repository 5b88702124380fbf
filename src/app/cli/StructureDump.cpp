#include "StructureDump.h"

#include "SchemaTexts.h"

#include <QFileInfo>

namespace korvex {

namespace {

Json warningsJson(const QStringList& warnings)
{
    Json::Array list;
    for (const auto& w : warnings)
        list.push_back(w);
    return list;
}

// A table that failed; warnings are those of the table when it was opened before it failed.
Json failure(const QString& file, EngineResult code, const QString& message, const QStringList& warnings)
{
    return Json::Object{{"file", file},      {"ok", false},
                        {"code", int(code)}, {"codeName", resultName(code)},
                        {"error", message},  {"warnings", warningsJson(warnings)}};
}

Json fieldJson(const TableStructure& structure, const FieldEntry& f, const FieldValidity& checks,
               const LabelLookup& label)
{
    const SchemaField field{f, checks};
    Json::Object json{
        {"number", f.position + 1},
        {"name", f.name},
        {"typeCode", int(f.type)},
        {"typeName", fieldTypeName(f, label)},
        {"size", f.size},
        {"sizeText", fieldSizeText(f, structure.tableTypeKey)},
        {"subtype", int(f.subtype)},
        {"units1", int(f.units1)},
        {"units2", int(f.units2)},
        {"key", f.key},
        {"min", validityText(field, checks.minimum).value_or(QString())},
        {"max", validityText(field, checks.maximum).value_or(QString())},
        {"default", defaultText(field).value_or(QString())},
        {"picture", checks.picture},
        {"required", checks.required},
    };
    // A server's column: its own type, and whether its default is computed.
    if (!checks.serverType.isEmpty())
        json.emplace_back("serverType", checks.serverType);
    if (!checks.defaultExpression.isEmpty())
        json.emplace_back("defaultIsExpression", true);
    return json;
}

Json checksJson(const ServerFacts& server)
{
    Json::Array list;
    for (const CheckConstraint& c : server.checks) {
        Json::Array fields;
        for (const auto& f : c.fields)
            fields.push_back(f);
        list.push_back(Json::Object{{"name", c.name}, {"expression", c.expression}, {"fields", std::move(fields)}});
    }
    return list;
}

Json indexesJson(TableSource& source)
{
    Json::Array list;
    for (const auto& i : source.indexes()) {
        Json::Object index{
            {"name", i.name},
            {"fields", i.fields},
            {"expression", i.expression},
            {"primary", i.primary},
            {"unique", i.unique},
            {"descending", i.descending},
            {"caseInsensitive", i.caseInsensitive},
            {"maintained", i.maintained},
            {"expressionIndex", i.expressionIndex},
        };
        if (!i.forCondition.isEmpty())
            index.emplace_back("for", i.forCondition);
        list.push_back(std::move(index));
    }
    return list;
}

// The referential-integrity links with the names of the linked fields; the related table
// is opened read-only for its field names, where the printed report finds it. A related
// table beside this one is shown by its file name.
Json linksJson(DatabaseEngine& engine, TableSource& source, const QString& databaseName, const QString& tablePath)
{
    auto list = source.integrityLinks(databaseName, tablePath);
    const QString directory = QFileInfo(source.tablePath()).path() + '/';
    const auto nameOf = [](const TableSource& table, int number) {
        return number >= 1 && number <= table.fieldCount() ? table.field(number - 1).name : QString();
    };
    TableSource related(engine);
    Json::Array links;
    while (const auto link = list.next()) {
        const bool server = source.isServerTable();
        QString relatedPath = server ? link->relatedTable : source.relatedTablePath(*link);
        try {
            related.openRelated(source, databaseName, *link);
        } catch (const EngineError&) {
            // Not there or not readable: its field names stay empty.
        }
        Json::Array pairs;
        for (const auto& [mine, theirs] : link->pairs)
            pairs.push_back(Json::Array{nameOf(source, mine), nameOf(related, theirs)});
        related.close();
        if (!server && relatedPath.startsWith(directory))
            relatedPath = relatedPath.mid(directory.size());
        Json::Object json{
            {"name", link->name},
            {"kind", link->kind == IntegrityDescriptor::Kind::Master ? "master" : "dependent"},
            {"relatedTable", relatedPath},
            {"rule", link->cascade ? "cascade" : "restrict"},
            {"pairs", std::move(pairs)},
        };
        // A server's foreign key has a rule for updates and one for deleting.
        if (link->cascade.serverRules()) {
            json.emplace_back("onUpdate", referentialActionText(link->cascade.onUpdate()));
            json.emplace_back("onDelete", referentialActionText(link->cascade.onDelete()));
        }
        links.push_back(std::move(json));
    }
    return links;
}

} // namespace

StructureDump dumpTableStructure(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors,
                                 const QString& tableArgument, const LabelLookup& label, const QString& databaseName,
                                 const QString& name)
{
    TableSource source(engine);
    TableProperties properties;
    try {
        source.open(databaseName, tableArgument);
        source.refreshIndexDefinitions();
        properties = source.properties();
    } catch (const EngineError& e) {
        return {false, failure(tableArgument, e.code(), e.message(), source.warnings())};
    }
    if (!source.readFieldDescriptors(descriptors))
        return {false, failure(tableArgument, result::TooManyFields, engine.lastError(), source.warnings())};

    const auto structure = TableStructure::from(QFileInfo(tableArgument).fileName(), properties, source, descriptors);
    try {
        const std::vector<FieldValidity> checks = readFieldValidity(source, structure);
        Json::Array fields;
        for (const auto& f : structure.fields)
            fields.push_back(fieldJson(structure, f, checks[std::size_t(f.position)], label));
        const auto& p = structure.properties;
        Json::Object table{
            {"file", tableArgument},
            {"name", name.isEmpty() ? structure.tableName : name},
            {"ok", true},
            {"warnings", warningsJson(source.warnings())},
            {"tableType", structure.tableType},
            {"level", int(p.tableLevel)},
            {"levelText", structure.levelText},
            {"typeOfTable", typeOfTableText(structure.tableType, structure.levelText)},
            {"languageDriver", languageDriverText(source.languageDriverText(), label)},
            {"recordSize", int(p.recordSize)},
            {"recordBufferSize", int(p.recordBufferSize)},
            {"keySize", int(p.keySize)},
            {"blockSize", int(p.blockSizeKb)},
            {"validityCheckCount", int(p.validityCheckCount)},
            {"auxPasswordCount", int(p.auxPasswordCount)},
            {"uniDirectional", p.uniDirectional},
            {"strictIntegrity", p.strictIntegrity},
            {"fieldCount", structure.fieldCount},
            {"indexCount", structure.indexCount},
            {"fields", std::move(fields)},
            {"indexes", indexesJson(source)},
        };
        if (const TableDefinition* definition = source.definition(); definition && definition->server) {
            table.emplace_back("encoding", definition->server->encoding);
            table.emplace_back("collation", definition->server->collation);
            table.emplace_back("checks", checksJson(*definition->server));
            if (!definition->server->checksNote.isEmpty())
                table.emplace_back("checksNote", definition->server->checksNote);
        }
        if (structure.tableType == QLatin1String("PARADOX") || source.isServerTable())
            table.emplace_back("links", linksJson(engine, source, databaseName, tableArgument));
        return {true, Json(std::move(table))};
    } catch (const EngineError& e) {
        return {false, failure(tableArgument, e.code(), e.message(), source.warnings())};
    }
}

} // namespace korvex
