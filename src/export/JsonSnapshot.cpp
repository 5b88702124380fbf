#include "JsonSnapshot.h"

#include "SchemaTexts.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvex {

namespace {

QString flagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<ReferentialAction> actionNamed(const QString& text)
{
    for (const auto action : {ReferentialAction::Restrict, ReferentialAction::Cascade, ReferentialAction::NoAction,
                              ReferentialAction::SetNull, ReferentialAction::SetDefault})
        if (referentialActionText(action) == text)
            return action;
    return std::nullopt;
}

StructureField fieldOf(const QJsonObject& json)
{
    StructureField f;
    f.entry.position = json[QLatin1String("number")].toInt() - 1;
    f.entry.name = json[QLatin1String("name")].toString();
    f.entry.type = FieldType(json[QLatin1String("typeCode")].toInt());
    f.entry.size = json[QLatin1String("size")].toInt();
    f.entry.subtype = std::int16_t(json[QLatin1String("subtype")].toInt());
    f.entry.units1 = std::int16_t(json[QLatin1String("units1")].toInt());
    f.entry.units2 = std::int16_t(json[QLatin1String("units2")].toInt());
    f.entry.key = json[QLatin1String("key")].toBool();
    f.serverType = json[QLatin1String("serverType")].toString();
    f.required = json[QLatin1String("required")].toBool();
    f.minimum = json[QLatin1String("min")].toString();
    f.maximum = json[QLatin1String("max")].toString();
    f.defaultValue = json[QLatin1String("default")].toString();
    f.defaultIsExpression = json[QLatin1String("defaultIsExpression")].toBool();
    f.picture = json[QLatin1String("picture")].toString();
    return f;
}

IndexDescription indexOf(const QJsonObject& json)
{
    IndexDescription i;
    i.name = json[QLatin1String("name")].toString();
    i.fields = json[QLatin1String("fields")].toString();
    i.expression = json[QLatin1String("expression")].toString();
    i.forCondition = json[QLatin1String("for")].toString();
    i.primary = json[QLatin1String("primary")].toBool();
    i.unique = json[QLatin1String("unique")].toBool();
    i.descending = json[QLatin1String("descending")].toBool();
    i.caseInsensitive = json[QLatin1String("caseInsensitive")].toBool();
    i.maintained = json[QLatin1String("maintained")].toBool(true);
    i.expressionIndex = json[QLatin1String("expressionIndex")].toBool();
    return i;
}

SchemaLink linkOf(const QJsonObject& json)
{
    SchemaLink l;
    l.name = json[QLatin1String("name")].toString();
    l.master = json[QLatin1String("kind")].toString() != QLatin1String("dependent");
    l.relatedTable = json[QLatin1String("relatedTable")].toString();
    const auto onUpdate = actionNamed(json[QLatin1String("onUpdate")].toString());
    const auto onDelete = actionNamed(json[QLatin1String("onDelete")].toString());
    if (onUpdate && onDelete)
        l.rules = LinkRules(*onUpdate, *onDelete);
    else
        l.rules = LinkRules(json[QLatin1String("rule")].toString() == QLatin1String("cascade"));
    for (const auto pair : json[QLatin1String("pairs")].toArray()) {
        const QJsonArray names = pair.toArray();
        l.pairs.emplace_back(names.at(0).toString(), names.at(1).toString());
    }
    return l;
}

// One table in the order and with the texts the diff reads a table's schema into.
StructureTable tableOf(const QJsonObject& json)
{
    StructureTable t;
    t.name = json[QLatin1String("name")].toString();
    t.tableTypeKey = json[QLatin1String("tableType")].toString().toUpper().left(20);
    if (!json[QLatin1String("ok")].toBool()) {
        t.error = json[QLatin1String("error")].toString();
        // a table that failed is named by its file alone
        if (t.name.isEmpty())
            t.name = QFileInfo(json[QLatin1String("file")].toString()).fileName();
        return t;
    }
    const auto number = [&](const char* key) { return QString::number(json[QLatin1String(key)].toInt()); };
    t.properties = {
        {property::TypeOfTable, json[QLatin1String("typeOfTable")].toString()},
        {property::LanguageDriver, json[QLatin1String("languageDriver")].toString()},
        {property::RecordSize, number("recordSize")},
        {property::KeySize, number("keySize")},
        {property::BlockSize, number("blockSize")},
        {property::Passwords, number("auxPasswordCount")},
        {property::StrictIntegrity, flagText(json[QLatin1String("strictIntegrity")].toBool())},
    };
    if (json.contains(QLatin1String("encoding"))) {
        t.properties.emplace_back(property::Encoding, json[QLatin1String("encoding")].toString());
        t.properties.emplace_back(property::Collation, json[QLatin1String("collation")].toString());
    }
    for (const auto check : json[QLatin1String("checks")].toArray()) {
        const QJsonObject c = check.toObject();
        CheckConstraint k;
        k.name = c[QLatin1String("name")].toString();
        k.expression = c[QLatin1String("expression")].toString();
        for (const auto f : c[QLatin1String("fields")].toArray())
            k.fields << f.toString();
        t.checks.push_back(std::move(k));
    }
    for (const auto f : json[QLatin1String("fields")].toArray())
        t.fields.push_back(fieldOf(f.toObject()));
    for (const auto i : json[QLatin1String("indexes")].toArray())
        t.indexes.push_back(indexOf(i.toObject()));
    for (const auto l : json[QLatin1String("links")].toArray())
        t.links.push_back(linkOf(l.toObject()));
    return t;
}

} // namespace

bool isJsonSnapshot(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        return c == '{';
    }
    return false;
}

std::optional<StructureSide> readJsonSnapshot(const QByteArray& bytes, const QString& origin, QString& error)
{
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = QStringLiteral("%1: not a structure snapshot: %2 at byte %3")
                    .arg(origin, parse.errorString())
                    .arg(parse.offset);
        return std::nullopt;
    }
    if (!document.isObject() || !document.object()[QLatin1String("tables")].isArray()) {
        error = QStringLiteral("%1: not a structure snapshot: it has no \"tables\" array").arg(origin);
        return std::nullopt;
    }
    StructureSide side;
    side.origin = origin;
    for (const auto table : document.object()[QLatin1String("tables")].toArray()) {
        // every table of --json says whether it was read; tbls' schema JSON, for one, does not
        if (!table.toObject()[QLatin1String("ok")].isBool()) {
            error =
                QStringLiteral("%1: not a structure snapshot written by --json: a table without \"ok\"").arg(origin);
            return std::nullopt;
        }
        side.tables.push_back(tableOf(table.toObject()));
    }
    return side;
}

} // namespace korvex
