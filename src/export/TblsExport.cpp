#include "TblsExport.h"

#include "SchemaTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace korvex {

namespace {

bool isNumeric(FieldType type)
{
    switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Float:
    case FieldType::Money:
    case FieldType::BCD:
    case FieldType::AutoInc: return true;
    default: return false;
    }
}

// A validity value as an SQL literal: numbers as they are, everything else quoted.
QString literal(const SchemaField& field, const ValueSlot& slot)
{
    const QString value = validityValueText(field.entry.type, slot);
    if (isNumeric(field.entry.type))
        return value;
    return QLatin1Char('\'') + QString(value).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString columnType(const TableSchema& t, const SchemaField& f)
{
    // A server's column is of the server's own type.
    if (!f.checks.serverType.isEmpty())
        return f.checks.serverType;
    const QString typeName = fieldTypeName(f.entry, tblsLabel);
    const QString size = fieldSizeText(t, f);
    if (size.isEmpty() || size == QLatin1String("0"))
        return typeName;
    return typeName + QLatin1Char('(') + size + QLatin1Char(')');
}

QJsonArray strings(const QStringList& list)
{
    QJsonArray a;
    for (const auto& s : list)
        a.append(s);
    return a;
}

QStringList indexColumns(const IndexDescription& index)
{
    return index.fields.isEmpty() ? QStringList() : index.fields.split(QLatin1Char(';'));
}

const TableSchema* findTable(const std::vector<TableSchema>& schemas, const TableSchema& from, const QString& name)
{
    const TableSchema* found = nullptr;
    for (const auto& t : schemas) {
        if (!t.ok || t.table.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (t.table.databaseName == from.table.databaseName)
            return &t;
        if (!found)
            found = &t;
    }
    return found;
}

QString foreignKeyDefinition(const SchemaLink& link, const QString& master)
{
    QStringList mine;
    QStringList theirs;
    for (const auto& [a, b] : link.pairs) {
        mine << a;
        theirs << b;
    }
    return QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%3) ON UPDATE %4 ON DELETE %5")
        .arg(mine.join(QStringLiteral(", ")), master, theirs.join(QStringLiteral(", ")),
             referentialActionText(link.rules.onUpdate()), referentialActionText(link.rules.onDelete()));
}

QString indexName(const IndexDescription& i)
{
    return i.name.isEmpty() && i.primary ? QStringLiteral("PRIMARY") : i.name;
}

// What the index is made of: its fields, or a dBASE index's expression.
QString indexKey(const IndexDescription& i)
{
    return i.expressionIndex ? i.expression : indexColumns(i).join(QStringLiteral(", "));
}

// The index as tbls's SQL drivers write one, with the flags SQL has no word for after it.
QJsonObject indexJson(const TableSchema& t, const IndexDescription& i)
{
    QString definition = QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                             .arg(i.unique || i.primary ? QStringLiteral("UNIQUE ") : QString(), indexName(i),
                                  t.table.shownName(), indexKey(i));
    if (i.descending)
        definition += QStringLiteral(" DESCENDING");
    if (i.caseInsensitive)
        definition += QStringLiteral(" CASE INSENSITIVE");
    if (!i.maintained)
        definition += QStringLiteral(" NOT MAINTAINED");
    if (!i.forCondition.isEmpty())
        definition += QStringLiteral(" FOR ") + i.forCondition;
    return QJsonObject{{QStringLiteral("name"), indexName(i)},
                       {QStringLiteral("def"), definition},
                       {QStringLiteral("table"), t.table.shownName()},
                       {QStringLiteral("columns"), strings(indexColumns(i))}};
}

const SchemaField* fieldNamed(const TableSchema& t, const QString& name)
{
    const auto it = std::find_if(t.fields.begin(), t.fields.end(), [&](const auto& f) { return f.entry.name == name; });
    return it == t.fields.end() ? nullptr : &*it;
}

// A key field is filled in every record, as a required one is.
bool nullable(const SchemaField& f)
{
    return !(f.checks.required || f.entry.key);
}

QJsonObject tableJson(const std::vector<TableSchema>& schemas, const TableSchema& t)
{
    QJsonArray columns;
    for (const auto& f : t.fields) {
        QJsonObject c{{QStringLiteral("name"), f.entry.name},
                      {QStringLiteral("type"), columnType(t, f)},
                      {QStringLiteral("nullable"), nullable(f)},
                      {QStringLiteral("default"), defaultText(f) ? QJsonValue(*defaultText(f)) : QJsonValue()}};
        if (f.entry.type == FieldType::AutoInc || (f.entry.type == FieldType::Integer && f.entry.subtype == 29))
            c.insert(QStringLiteral("extra_def"), QStringLiteral("auto-increment"));
        if (!f.checks.picture.isEmpty())
            c.insert(QStringLiteral("comment"), QStringLiteral("Picture: ") + f.checks.picture);
        columns.append(c);
    }

    QJsonArray indexes;
    QJsonArray constraints;
    for (const auto& i : t.indexes) {
        indexes.append(indexJson(t, i));
        if (!i.primary && !i.unique)
            continue;
        const QString type = i.primary ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE");
        constraints.append(QJsonObject{{QStringLiteral("name"), indexName(i)},
                                       {QStringLiteral("type"), type},
                                       {QStringLiteral("def"), QStringLiteral("%1 (%2)").arg(type, indexKey(i))},
                                       {QStringLiteral("table"), t.table.shownName()},
                                       {QStringLiteral("columns"), strings(indexColumns(i))}});
    }
    for (const auto& f : t.fields) {
        QStringList conditions;
        if (f.checks.minimum)
            conditions << QStringLiteral("%1 >= %2").arg(f.entry.name, literal(f, *f.checks.minimum));
        if (f.checks.maximum)
            conditions << QStringLiteral("%1 <= %2").arg(f.entry.name, literal(f, *f.checks.maximum));
        if (conditions.isEmpty())
            continue;
        constraints.append(QJsonObject{{QStringLiteral("name"), f.entry.name + QStringLiteral("_check")},
                                       {QStringLiteral("type"), QStringLiteral("CHECK")},
                                       {QStringLiteral("def"),
                                        QStringLiteral("CHECK (%1)").arg(conditions.join(QStringLiteral(" AND ")))},
                                       {QStringLiteral("table"), t.table.shownName()},
                                       {QStringLiteral("columns"), QJsonArray{f.entry.name}}});
    }
    if (t.server) {
        int number = 0;
        for (const CheckConstraint& c : t.server->checks)
            constraints.append(QJsonObject{{QStringLiteral("name"), checkConstraintName(t, c, ++number)},
                                           {QStringLiteral("type"), QStringLiteral("CHECK")},
                                           {QStringLiteral("def"), QStringLiteral("CHECK (%1)").arg(c.expression)},
                                           {QStringLiteral("table"), t.table.shownName()},
                                           {QStringLiteral("columns"), strings(c.fields)}});
    }
    QStringList referenced;
    for (const auto& l : t.links) {
        if (!l.master)
            continue;
        const TableSchema* master = findTable(schemas, t, l.relatedTable);
        const QString masterName = master ? master->table.shownName() : l.relatedTable;
        QStringList mine;
        QStringList theirs;
        for (const auto& [a, b] : l.pairs) {
            mine << a;
            theirs << b;
        }
        constraints.append(QJsonObject{{QStringLiteral("name"), l.name},
                                       {QStringLiteral("type"), QStringLiteral("FOREIGN KEY")},
                                       {QStringLiteral("def"), foreignKeyDefinition(l, masterName)},
                                       {QStringLiteral("table"), t.table.shownName()},
                                       {QStringLiteral("referenced_table"), masterName},
                                       {QStringLiteral("columns"), strings(mine)},
                                       {QStringLiteral("referenced_columns"), strings(theirs)}});
        if (!referenced.contains(masterName))
            referenced << masterName;
    }

    // The facts of the information block that tbls has no member for.
    QStringList facts;
    for (const auto& [label, value] : informationLines(t, tblsLabel))
        if (label != QLatin1String("Name of table"))
            facts << label + QStringLiteral(": ") + value;
    for (const auto& w : t.warnings)
        facts << QStringLiteral("Warning: ") + w;
    if (t.server && !t.server->checksNote.isEmpty())
        facts << t.server->checksNote;

    QJsonObject table{{QStringLiteral("name"), t.table.shownName()},
                      {QStringLiteral("type"), t.structure.tableType},
                      {QStringLiteral("comment"), facts.join(QLatin1Char('\n'))},
                      {QStringLiteral("labels"),
                       QJsonArray{QJsonObject{{QStringLiteral("name"), typeOfTableText(t).trimmed()}}}},
                      {QStringLiteral("columns"), columns},
                      {QStringLiteral("indexes"), indexes},
                      {QStringLiteral("constraints"), constraints}};
    if (!referenced.isEmpty())
        table.insert(QStringLiteral("referenced_tables"), strings(referenced));
    return table;
}

} // namespace

QString tblsLabel(const QString& builtInText)
{
    return builtInText;
}

QByteArray tblsSchemaJson(const QString& name, const std::vector<TableSchema>& schemas)
{
    QJsonArray tables;
    QJsonArray relations;
    for (const auto& t : schemas) {
        if (!t.ok)
            continue;
        tables.append(tableJson(schemas, t));
        for (const auto& l : t.links) {
            const TableSchema* master = l.master ? findTable(schemas, t, l.relatedTable) : nullptr;
            if (!master)
                continue;
            QStringList mine;
            QStringList theirs;
            for (const auto& [a, b] : l.pairs) {
                mine << a;
                theirs << b;
            }
            // Only links whose fields both tables have: tbls resolves every name.
            const bool resolved = !mine.isEmpty() && std::all_of(mine.begin(), mine.end(), [&](const auto& c) {
                return fieldNamed(t, c) != nullptr;
            }) && std::all_of(theirs.begin(), theirs.end(), [&](const auto& c) {
                return fieldNamed(*master, c) != nullptr;
            });
            if (!resolved)
                continue;
            // A dependent row whose link fields must all be filled has its master row; one
            // whose fields may stay blank refers to none while they are.
            const bool filled = std::all_of(mine.begin(), mine.end(), [&](const auto& c) {
                const SchemaField* f = fieldNamed(t, c);
                return f && !nullable(*f);
            });
            relations.append(QJsonObject{{QStringLiteral("table"), t.table.shownName()},
                                         {QStringLiteral("columns"), strings(mine)},
                                         {QStringLiteral("cardinality"), QStringLiteral("zero_or_more")},
                                         {QStringLiteral("parent_table"), master->table.shownName()},
                                         {QStringLiteral("parent_columns"), strings(theirs)},
                                         {QStringLiteral("parent_cardinality"),
                                          filled ? QStringLiteral("exactly_one") : QStringLiteral("zero_or_one")},
                                         {QStringLiteral("def"), foreignKeyDefinition(l, master->table.shownName())},
                                         {QStringLiteral("virtual"), false}});
        }
    }
    // A server alias's tables are all of its one database, of the server's own kind.
    const bool server = !schemas.empty() && std::all_of(schemas.begin(), schemas.end(),
                                                        [](const TableSchema& s) { return s.server.has_value(); });
    const QString desc = server ? QStringLiteral("Structure of the tables of the %1 database %2")
                                      .arg(schemas.front().structure.properties.tableType, name)
                                : QStringLiteral("Structure of the Paradox and dBASE tables of %1").arg(name);
    QJsonObject schema{{QStringLiteral("name"), name},
                       {QStringLiteral("desc"), desc},
                       {QStringLiteral("tables"), tables},
                       {QStringLiteral("relations"), relations},
                       {QStringLiteral("driver"), QJsonObject{{QStringLiteral("name"), QStringLiteral("korvex")}}}};
    return QJsonDocument(schema).toJson(QJsonDocument::Indented);
}

} // namespace korvex
