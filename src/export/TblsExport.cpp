#include "TblsExport.h"

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
QString literal(const SchemaField& field, const QString& value)
{
    if (isNumeric(field.entry.type))
        return value;
    return QLatin1Char('\'') + QString(value).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString columnType(const SchemaField& f)
{
    if (f.sizeText.isEmpty() || f.sizeText == QLatin1String("0"))
        return f.typeName;
    return f.typeName + QLatin1Char('(') + f.sizeText + QLatin1Char(')');
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

bool hasColumn(const TableSchema& t, const QString& name)
{
    return std::any_of(t.fields.begin(), t.fields.end(), [&](const auto& f) { return f.entry.name == name; });
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
    return QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%3) ON UPDATE %4 ON DELETE RESTRICT")
        .arg(mine.join(QStringLiteral(", ")), master, theirs.join(QStringLiteral(", ")),
             link.cascade ? QStringLiteral("CASCADE") : QStringLiteral("RESTRICT"));
}

QJsonObject indexJson(const TableSchema& t, const IndexDescription& i)
{
    const QStringList columns = indexColumns(i);
    QString definition;
    if (i.primary) {
        definition = QStringLiteral("PRIMARY KEY (%1)").arg(columns.join(QStringLiteral(", ")));
    } else {
        definition = QStringLiteral("%1INDEX %2 ON %3 (%4)")
                         .arg(i.unique ? QStringLiteral("UNIQUE ") : QString(), i.name, t.table.name,
                              i.expressionIndex ? i.expression : columns.join(QStringLiteral(", ")));
        if (i.descending)
            definition += QStringLiteral(" DESCENDING");
        if (i.caseInsensitive)
            definition += QStringLiteral(" CASE INSENSITIVE");
        if (!i.maintained)
            definition += QStringLiteral(" NOT MAINTAINED");
        if (!i.forCondition.isEmpty())
            definition += QStringLiteral(" FOR ") + i.forCondition;
    }
    return QJsonObject{{QStringLiteral("name"), i.name.isEmpty() && i.primary ? QStringLiteral("PRIMARY") : i.name},
                       {QStringLiteral("def"), definition},
                       {QStringLiteral("table"), t.table.name},
                       {QStringLiteral("columns"), strings(columns)}};
}

QJsonObject tableJson(const std::vector<TableSchema>& schemas, const TableSchema& t)
{
    QJsonArray columns;
    for (const auto& f : t.fields) {
        QJsonObject c{{QStringLiteral("name"), f.entry.name},
                      {QStringLiteral("type"), columnType(f)},
                      // A key field is filled in every record, as a required one is.
                      {QStringLiteral("nullable"), !(f.required || f.entry.key)},
                      {QStringLiteral("default"), f.hasDefault ? QJsonValue(f.defaultValue) : QJsonValue()}};
        if (f.entry.type == FieldType::AutoInc || (f.entry.type == FieldType::Integer && f.entry.subtype == 29))
            c.insert(QStringLiteral("extra_def"), QStringLiteral("auto-increment"));
        if (!f.picture.isEmpty())
            c.insert(QStringLiteral("comment"), QStringLiteral("Picture: ") + f.picture);
        columns.append(c);
    }

    QJsonArray indexes;
    QJsonArray constraints;
    for (const auto& i : t.indexes) {
        indexes.append(indexJson(t, i));
        if (i.primary)
            constraints.append(
                QJsonObject{{QStringLiteral("name"), i.name.isEmpty() ? QStringLiteral("PRIMARY") : i.name},
                            {QStringLiteral("type"), QStringLiteral("PRIMARY KEY")},
                            {QStringLiteral("def"),
                             QStringLiteral("PRIMARY KEY (%1)").arg(indexColumns(i).join(QStringLiteral(", ")))},
                            {QStringLiteral("table"), t.table.name},
                            {QStringLiteral("columns"), strings(indexColumns(i))}});
    }
    for (const auto& f : t.fields) {
        QStringList conditions;
        if (f.hasMinimum)
            conditions << QStringLiteral("%1 >= %2").arg(f.entry.name, literal(f, f.minimum));
        if (f.hasMaximum)
            conditions << QStringLiteral("%1 <= %2").arg(f.entry.name, literal(f, f.maximum));
        if (conditions.isEmpty())
            continue;
        constraints.append(QJsonObject{{QStringLiteral("name"), f.entry.name + QStringLiteral("_check")},
                                       {QStringLiteral("type"), QStringLiteral("CHECK")},
                                       {QStringLiteral("def"),
                                        QStringLiteral("CHECK (%1)").arg(conditions.join(QStringLiteral(" AND ")))},
                                       {QStringLiteral("table"), t.table.name},
                                       {QStringLiteral("columns"), QJsonArray{f.entry.name}}});
    }
    QStringList referenced;
    for (const auto& l : t.links) {
        if (!l.master)
            continue;
        const TableSchema* master = findTable(schemas, t, l.relatedTable);
        const QString masterName = master ? master->table.name : l.relatedTable;
        QStringList mine;
        QStringList theirs;
        for (const auto& [a, b] : l.pairs) {
            mine << a;
            theirs << b;
        }
        constraints.append(QJsonObject{{QStringLiteral("name"), l.name},
                                       {QStringLiteral("type"), QStringLiteral("FOREIGN KEY")},
                                       {QStringLiteral("def"), foreignKeyDefinition(l, masterName)},
                                       {QStringLiteral("table"), t.table.name},
                                       {QStringLiteral("referenced_table"), masterName},
                                       {QStringLiteral("columns"), strings(mine)},
                                       {QStringLiteral("referenced_columns"), strings(theirs)}});
        if (!referenced.contains(masterName))
            referenced << masterName;
    }

    // The facts of the information block that tbls has no member for.
    QStringList facts;
    for (const auto& [label, value] : t.information)
        if (label != QLatin1String("Name of table"))
            facts << label + QStringLiteral(": ") + value;
    for (const auto& w : t.warnings)
        facts << QStringLiteral("Warning: ") + w;

    QJsonObject table{{QStringLiteral("name"), t.table.name},
                      {QStringLiteral("type"), t.structure.tableType},
                      {QStringLiteral("comment"), facts.join(QLatin1Char('\n'))},
                      {QStringLiteral("labels"),
                       QJsonArray{QJsonObject{{QStringLiteral("name"), t.typeOfTable.trimmed()}}}},
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
                return hasColumn(t, c);
            }) && std::all_of(theirs.begin(), theirs.end(), [&](const auto& c) { return hasColumn(*master, c); });
            if (!resolved)
                continue;
            relations.append(QJsonObject{{QStringLiteral("table"), t.table.name},
                                         {QStringLiteral("columns"), strings(mine)},
                                         {QStringLiteral("cardinality"), QStringLiteral("zero_or_more")},
                                         {QStringLiteral("parent_table"), master->table.name},
                                         {QStringLiteral("parent_columns"), strings(theirs)},
                                         {QStringLiteral("parent_cardinality"), QStringLiteral("zero_or_one")},
                                         {QStringLiteral("def"), foreignKeyDefinition(l, master->table.name)},
                                         {QStringLiteral("virtual"), false}});
        }
    }
    QJsonObject schema{{QStringLiteral("name"), name},
                       {QStringLiteral("desc"),
                        QStringLiteral("Structure of the Paradox and dBASE tables of %1").arg(name)},
                       {QStringLiteral("tables"), tables},
                       {QStringLiteral("relations"), relations},
                       {QStringLiteral("driver"), QJsonObject{{QStringLiteral("name"), QStringLiteral("korvex")}}}};
    return QJsonDocument(schema).toJson(QJsonDocument::Indented);
}

} // namespace korvex
