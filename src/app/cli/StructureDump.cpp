#include "StructureDump.h"

#include <QFileInfo>

#include <cstring>

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
    return Json::Object{{"file", file},
                        {"ok", false},
                        {"code", int(code)},
                        {"codeName", resultName(code)},
                        {"error", message},
                        {"warnings", warningsJson(warnings)}};
}

Json fieldJson(const StructureTexts& texts, const FieldEntry& f)
{
    return Json::Object{
        {"number", f.position + 1},
        {"name", f.name},
        {"typeCode", int(f.type)},
        {"typeName", texts.FieldTypeName(f)},
        {"size", f.size},
        {"sizeText", texts.FieldSizeText(f)},
        {"subtype", int(f.subtype)},
        {"units1", int(f.units1)},
        {"units2", int(f.units2)},
        {"key", f.key},
        {"min", texts.ValidityText(f, ValidityValue::Minimum)},
        {"max", texts.ValidityText(f, ValidityValue::Maximum)},
        {"default", texts.ValidityText(f, ValidityValue::Default)},
        {"picture", texts.PictureText(f)},
    };
}

Json indexesJson(DatabaseEngine& engine, const TableSource& source)
{
    std::vector<IndexDescription> indexes;
    if (const auto r = engine.ListIndexes(source.handle(), indexes); r != result::Ok)
        throw EngineError(r, engine.lastError());
    Json::Array list;
    for (const auto& i : indexes) {
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
// is opened read-only for its field names. A related table beside this one is shown by
// its file name, as the link stores it.
Json linksJson(DatabaseEngine& engine, const TableSource& source, const QString& databaseName,
               const QString& tablePath)
{
    namespace ri = record::integrity;
    TableHandle list = 0;
    if (const auto r = engine.OpenIntegrityList(databaseName, tablePath, QString(), list); r != result::Ok)
        throw EngineError(r, engine.lastError());
    const QString directory = QFileInfo(engine.tablePath(source.handle())).absolutePath() + '/';
    std::vector<std::byte> buffer(record::IntegrityDescriptorSize);
    std::vector<FieldListEntry> own;
    for (int i = 0; i < source.fieldCount(); ++i)
        own.push_back(source.field(i));
    Json::Array links;
    EngineResult r = result::Ok;
    while ((r = engine.NextRecord(list, buffer)) == result::Ok) {
        QString related = record::getText(buffer, ri::RelatedTable, ri::RelatedTableSize);
        std::vector<FieldListEntry> relatedFields;
        TableHandle relatedHandle = 0;
        if (engine.OpenTable(QString(), related, relatedHandle) == result::Ok) {
            engine.ReadFieldList(relatedHandle, relatedFields);
            engine.CloseTable(relatedHandle);
        }
        const auto nameOf = [](const auto& fields, int number) {
            return number >= 1 && std::size_t(number) <= fields.size() ? fields[std::size_t(number - 1)].name : QString();
        };
        Json::Array pairs;
        const int count = std::min<int>(record::get16(buffer, ri::PairCount), int(ri::MaxPairs));
        for (int i = 0; i < count; ++i)
            pairs.push_back(Json::Array{nameOf(own, record::get16(buffer, ri::ThisFields + 2 * std::size_t(i))),
                                        nameOf(relatedFields, record::get16(buffer, ri::RelatedFields + 2 * std::size_t(i)))});
        if (related.startsWith(directory))
            related = related.mid(directory.size());
        links.push_back(Json::Object{
            {"name", record::getText(buffer, ri::LinkName, ri::LinkNameSize)},
            {"kind", record::get16(buffer, ri::Kind) == 0 ? "master" : "dependent"},
            {"relatedTable", related},
            {"rule", record::get16(buffer, ri::ModifyRule) != 0 ? "cascade" : "restrict"},
            {"pairs", std::move(pairs)},
        });
    }
    engine.CloseList(list);
    if (r != result::EndOfList)
        throw EngineError(r, engine.lastError());
    return links;
}

} // namespace

StructureDump DumpTableStructure(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors,
                                 const QString& tableArgument, const LabelLookup& label, const QLocale& locale,
                                 const QString& databaseName)
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

    const auto structure =
        TableStructure::from(QFileInfo(tableArgument).fileName(), properties, source, descriptors);
    const StructureTexts texts(source, structure, label, locale);
    try {
        Json::Array fields;
        for (const auto& f : structure.fields)
            fields.push_back(fieldJson(texts, f));
        const auto& p = structure.properties;
        Json::Object table{
            {"file", tableArgument},
            {"ok", true},
            {"warnings", warningsJson(source.warnings())},
            {"tableType", structure.tableType},
            {"level", int(p.tableLevel)},
            {"levelText", structure.levelText},
            {"typeOfTable", TypeOfTableText(structure.tableType, structure.levelText)},
            {"languageDriver", texts.LanguageDriverText()},
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
            {"indexes", indexesJson(engine, source)},
        };
        if (structure.tableType == QLatin1String("PARADOX"))
            table.emplace_back("links", linksJson(engine, source, databaseName, tableArgument));
        return {true, Json(std::move(table))};
    } catch (const EngineError& e) {
        return {false, failure(tableArgument, e.code(), e.message(), source.warnings())};
    }
}

} // namespace korvex
