#include "StructureDump.h"

#include <QFileInfo>

namespace korvex {

namespace {

Json failure(const QString& file, EngineResult code, const QString& message)
{
    return Json::Object{{"file", file}, {"ok", false}, {"code", int(code)},
                        {"codeName", resultName(code)}, {"error", message}};
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

} // namespace

StructureDump DumpTableStructure(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors,
                                 const QString& tableArgument, const LabelLookup& label, const QLocale& locale)
{
    TableSource source(engine);
    TableProperties properties;
    try {
        // A table named on the command line is a path of its own.
        source.open(QString(), tableArgument);
        source.refreshIndexDefinitions();
        properties = source.properties();
    } catch (const EngineError& e) {
        return {false, failure(tableArgument, e.code(), e.message())};
    }
    if (!source.readFieldDescriptors(descriptors))
        return {false, failure(tableArgument, result::TooManyFields, engine.lastError())};

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
        };
        return {true, Json(std::move(table))};
    } catch (const EngineError& e) {
        return {false, failure(tableArgument, e.code(), e.message())};
    }
}

} // namespace korvex
