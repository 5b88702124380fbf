#include "SqliteCatalog.h"

#include "CatalogText.h"
#include "ServerTypes.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvex::server {

namespace {

// The user's tables: SQLite's own begin with "sqlite_".
const char* const TablesSql =
    "select name, sql from sqlite_schema where type = 'table' and name not like 'sqlite\\_%' escape '\\'";

bool isWord(const SqlToken& t, const char* word)
{
    return t.kind == SqlToken::Kind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// The parenthesised items of a statement from `open` (an opening parenthesis) on, split at
// the commas at its own depth: each item as its first and past-last token.
std::vector<std::pair<std::size_t, std::size_t>> itemsIn(const std::vector<SqlToken>& tokens, std::size_t open)
{
    std::vector<std::pair<std::size_t, std::size_t>> out;
    int depth = 0;
    std::size_t start = open + 1;
    for (std::size_t i = open; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i];
        if (t.kind != SqlToken::Kind::Symbol)
            continue;
        if (t.text == u"(") {
            ++depth;
        } else if (t.text == u")") {
            if (--depth == 0) {
                out.emplace_back(start, i);
                break;
            }
        } else if (t.text == u"," && depth == 1) {
            out.emplace_back(start, i);
            start = i + 1;
        }
    }
    return out;
}

// The text of the parenthesised group opening at tokens[open], without its parentheses.
QString groupText(const QString& sql, const std::vector<SqlToken>& tokens, std::size_t open)
{
    const auto items = itemsIn(tokens, open);
    if (items.empty() || open + 1 >= tokens.size())
        return {};
    const std::size_t close = items.back().second;
    if (close <= open + 1)
        return {};
    return sql.mid(tokens[open + 1].begin, tokens[close - 1].end - tokens[open + 1].begin).trimmed();
}

// What only the CREATE TABLE statement tells: the CHECK constraints with their names and
// the columns declared AUTOINCREMENT.
struct StatementFacts {
    std::vector<CheckConstraint> checks; // without their fields yet
    QStringList autoIncrement;
};

StatementFacts factsOf(const QString& sql)
{
    StatementFacts facts;
    const std::vector<SqlToken> tokens = tokenize(sql);
    std::size_t open = 0;
    while (open < tokens.size() && !(tokens[open].kind == SqlToken::Kind::Symbol && tokens[open].text == u"("))
        ++open;
    for (const auto& [first, last] : itemsIn(tokens, open)) {
        if (first >= last)
            continue;
        const bool tableConstraint = isWord(tokens[first], "constraint") || isWord(tokens[first], "primary") ||
                                     isWord(tokens[first], "unique") || isWord(tokens[first], "check") ||
                                     isWord(tokens[first], "foreign");
        QString constraintName;
        for (std::size_t i = first; i < last; ++i) {
            if (isWord(tokens[i], "constraint") && i + 1 < last) {
                constraintName = tokens[i + 1].text;
            } else if (isWord(tokens[i], "autoincrement") && !tableConstraint) {
                facts.autoIncrement << tokens[first].text;
            } else if (isWord(tokens[i], "check") && i + 1 < last) {
                facts.checks.push_back({constraintName, groupText(sql, tokens, i + 1), {}});
                constraintName.clear();
            } else if (isWord(tokens[i], "primary") || isWord(tokens[i], "not") || isWord(tokens[i], "unique") ||
                       isWord(tokens[i], "references") || isWord(tokens[i], "default")) {
                constraintName.clear();
            }
        }
    }
    return facts;
}

// The key list of a CREATE INDEX statement: the text of each key, in order.
QStringList indexKeysOf(const QString& sql)
{
    const std::vector<SqlToken> tokens = tokenize(sql);
    std::size_t on = 0;
    while (on < tokens.size() && !isWord(tokens[on], "on"))
        ++on;
    std::size_t open = on;
    while (open < tokens.size() && !(tokens[open].kind == SqlToken::Kind::Symbol && tokens[open].text == u"("))
        ++open;
    QStringList keys;
    for (const auto& [first, last] : itemsIn(tokens, open)) {
        if (first < last)
            keys << sql.mid(tokens[first].begin, tokens[last - 1].end - tokens[first].begin);
    }
    return keys;
}

// The WHERE condition of a partial index.
QString indexConditionOf(const QString& sql)
{
    const std::vector<SqlToken> tokens = tokenize(sql);
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == SqlToken::Kind::Symbol && tokens[i].text == u"(")
            ++depth;
        else if (tokens[i].kind == SqlToken::Kind::Symbol && tokens[i].text == u")")
            --depth;
        else if (depth == 0 && isWord(tokens[i], "where") && i + 1 < tokens.size())
            return sql.mid(tokens[i + 1].begin).trimmed();
    }
    return {};
}

// What one reading of the catalog gathers: the tables in name order, found by their name
// in any case, what their CREATE statements say, and their primary keys' columns.
struct CatalogRows {
    std::vector<ServerTable> tables;
    QHash<QString, std::size_t> byName; // lower-case name → index in tables
    QHash<QString, StatementFacts> facts;
    QHash<QString, QStringList> primaryKeys; // table → key columns in key order

    ServerTable& table(const QString& name) { return tables[byName.value(name.toLower())]; }
};

// The tables, with what their CREATE statements say (CHECKs, AUTOINCREMENT).
void readTableList(const QSqlDatabase& database, const QString& encoding, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QLatin1String(TablesSql) + QStringLiteral(" order by name"));
    while (q.next()) {
        ServerTable& t = rows.tables.emplace_back();
        t.plainName = q.value(0).toString();
        t.schema = QStringLiteral("main");
        t.name = quotedName(t.plainName, false);
        t.definition.tableType = QStringLiteral("SQLITE");
        t.definition.codePage = encoding.startsWith(QLatin1String("UTF-8")) ? 65001 : 0;
        t.definition.languageDriverName = encoding;
        // SQLite compares text byte by byte unless a column says otherwise.
        t.definition.server = ServerFacts{encoding, QStringLiteral("BINARY"), {}};
        rows.byName.insert(t.plainName.toLower(), rows.tables.size() - 1);
        rows.facts.insert(t.plainName, factsOf(q.value(1).toString()));
    }
}

// The columns; hidden ones (of virtual tables) are no fields.
void readColumns(const QSqlDatabase& database, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QLatin1String(R"(
select m.name, p.name, p.type, p."notnull", p.dflt_value, p.pk
from sqlite_schema m join pragma_table_xinfo(m.name) p
where m.type = 'table' and m.name not like 'sqlite\_%' escape '\' and p.hidden <> 1
order by m.name, p.cid)"));
    QHash<QString, std::vector<std::pair<int, QString>>> keyParts;
    while (q.next()) {
        const QString tableName = q.value(0).toString();
        ServerTable& t = rows.table(tableName);
        const QString declared = q.value(2).toString();
        const QString column = q.value(1).toString();
        ServerType type = parseServerType(declared);
        type.group = sqliteAffinityGroup(declared);
        const bool autoIncrement = rows.facts.value(tableName).autoIncrement.contains(column, Qt::CaseInsensitive);
        FieldDefinition f = fieldFor(column, type, declared, autoIncrement);
        f.key = q.value(5).toInt() > 0;
        if (f.key)
            keyParts[tableName].emplace_back(q.value(5).toInt(), column);
        t.definition.fields.push_back(std::move(f));
        const auto number = std::uint16_t(t.definition.fields.size());
        if (q.value(3).toInt() != 0)
            ValidityChecks(t.definition).of(number).required = true;
        if (!q.value(4).isNull())
            addDefault(t, number, q.value(4).toString());
    }
    for (auto it = keyParts.begin(); it != keyParts.end(); ++it) {
        std::sort(it->begin(), it->end());
        for (const auto& part : *it)
            rows.primaryKeys[it.key()] << part.second;
    }
}

// The indexes with their keys; a rowid primary key (INTEGER PRIMARY KEY) has no index
// of its own and is added from the columns.
void readIndexes(const QSqlDatabase& database, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QLatin1String(R"(
select m.name, il.name, il."unique", il.origin, x.name, x."desc", x.coll, x.cid,
   (select s.sql from sqlite_schema s where s.type = 'index' and s.name = il.name)
from sqlite_schema m join pragma_index_list(m.name) il join pragma_index_xinfo(il.name) x
where m.type = 'table' and m.name not like 'sqlite\_%' escape '\' and x.key = 1
order by m.name, il.name, x.seqno)"));
    QString lastTable;
    QString lastIndex;
    QStringList expressionKeys;
    while (q.next()) {
        const QString tableName = q.value(0).toString();
        ServerTable& t = rows.table(tableName);
        const QString indexName = q.value(1).toString();
        if (tableName != lastTable || indexName != lastIndex) {
            IndexDescription& index = t.indexes.emplace_back();
            index.name = indexName;
            index.primary = q.value(3).toString() == u"pk";
            index.unique = q.value(2).toInt() != 0;
            const QString sql = q.value(8).toString();
            expressionKeys = indexKeysOf(sql);
            index.forCondition = indexConditionOf(sql);
            lastTable = tableName;
            lastIndex = indexName;
        }
        IndexDescription& index = t.indexes.back();
        const int seq = int(index.fields.isEmpty() && index.expression.isEmpty()
                                ? 0
                                : index.fields.count(u';') + index.expression.count(u'\x1f') + 1);
        index.descending = index.descending || q.value(5).toInt() != 0;
        index.caseInsensitive = index.caseInsensitive ||
                                q.value(6).toString().compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0;
        QString key = q.value(4).toString();
        if (q.value(7).toInt() == -2) { // an expression
            index.expressionIndex = true;
            key = seq < expressionKeys.size() ? expressionKeys[seq] : QString();
        }
        // Keys gather in `expression` (separated by a unit separator until the end)
        // while any of them is an expression, else in `fields`.
        if (index.expressionIndex && !index.fields.isEmpty()) {
            index.expression = index.fields.split(u';').join(u'\x1f');
            index.fields.clear();
        }
        if (index.expressionIndex)
            index.expression += (seq == 0 ? QString() : QString(u'\x1f')) + key;
        else
            index.fields += (seq == 0 ? QString() : QStringLiteral(";")) + key;
    }
    for (ServerTable& t : rows.tables) {
        for (IndexDescription& index : t.indexes)
            index.expression.replace(u'\x1f', QStringLiteral(", "));
        const bool hasPrimary = std::any_of(t.indexes.begin(), t.indexes.end(),
                                            [](const IndexDescription& i) { return i.primary; });
        const QStringList key = rows.primaryKeys.value(t.plainName);
        if (!hasPrimary && !key.isEmpty()) {
            IndexDescription primary;
            primary.primary = true;
            primary.unique = true;
            primary.fields = key.join(u';');
            t.indexes.insert(t.indexes.begin(), primary);
        }
        std::stable_partition(t.indexes.begin(), t.indexes.end(), [](const IndexDescription& i) { return i.primary; });
    }
}

// The foreign keys, one row per field pair; a key without the referred fields refers to
// the primary key of its table.
void readForeignKeys(const QSqlDatabase& database, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QLatin1String(R"(
select m.name, f.id, f."table", f."from", f."to", f.on_update, f.on_delete
from sqlite_schema m join pragma_foreign_key_list(m.name) f
where m.type = 'table' and m.name not like 'sqlite\_%' escape '\'
order by m.name, f.id, f.seq)"));
    struct Key {
        QString table;
        IntegrityDescriptor link;  // as its own table's master link
        QStringList fields;        // its own table's fields, in key order
        QStringList relatedFields; // the referred table's, paired with fields
    };
    std::vector<Key> keys;
    QString lastTable;
    int lastId = -1;
    while (q.next()) {
        const QString tableName = q.value(0).toString();
        if (tableName != lastTable || q.value(1).toInt() != lastId) {
            Key& k = keys.emplace_back();
            k.table = tableName;
            k.link.relatedTable = q.value(2).toString();
            k.link.cascade = LinkRules(referentialAction(q.value(5).toString()),
                                       referentialAction(q.value(6).toString()));
            lastTable = tableName;
            lastId = q.value(1).toInt();
        }
        keys.back().fields << q.value(3).toString();
        if (!q.value(4).isNull())
            keys.back().relatedFields << q.value(4).toString();
    }
    const auto fieldNumber = [&](const QString& table, const QString& field) {
        if (!rows.byName.contains(table.toLower()))
            return std::uint16_t(0);
        const auto& fields = rows.table(table).definition.fields;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].name.compare(field, Qt::CaseInsensitive) == 0)
                return std::uint16_t(i + 1);
        }
        return std::uint16_t(0);
    };
    for (Key& k : keys) {
        const QString referred = k.link.relatedTable;
        if (k.relatedFields.isEmpty() && rows.byName.contains(referred.toLower()))
            k.relatedFields = rows.primaryKeys.value(rows.table(referred).plainName);
        const auto add = [&](ServerTable& t, IntegrityDescriptor::Kind kind) {
            const bool master = kind == IntegrityDescriptor::Kind::Master;
            IntegrityDescriptor link = k.link;
            link.kind = kind;
            const QString relatedPlain = master ? referred : k.table;
            link.relatedTable = rows.byName.contains(relatedPlain.toLower()) ? rows.table(relatedPlain).name
                                                                             : quotedName(relatedPlain, false);
            const QStringList& fields = master ? k.fields : k.relatedFields;
            const QStringList& relatedFields = master ? k.relatedFields : k.fields;
            for (qsizetype i = 0; i < std::min(fields.size(), relatedFields.size()); ++i)
                link.pairs.emplace_back(fieldNumber(t.plainName, fields[i]),
                                        fieldNumber(relatedPlain, relatedFields[i]));
            t.links.push_back(std::move(link));
        };
        add(rows.table(k.table), IntegrityDescriptor::Kind::Master);
        if (rows.byName.contains(referred.toLower()))
            add(rows.table(referred), IntegrityDescriptor::Kind::Dependent);
    }
}

} // namespace

QSqlDatabase openSqlite(const QString& connectionName, const QString& path)
{
    QSqlDatabase db = addConnection(QStringLiteral("QSQLITE"), QStringLiteral("SQLite"), connectionName);
    // Opening read-only never creates the file nor writes to it.
    db.setDatabaseName(path);
    if (!QFileInfo(path).isFile()) {
        dropConnection(db);
        throw ServerError(QStringLiteral("unable to open database file: %1").arg(path));
    }
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
    openConnection(db);
    return db;
}

SqliteCatalog::SqliteCatalog(QSqlDatabase database) : database_(std::move(database))
{}

QStringList SqliteCatalog::listTables()
{
    QSqlQuery q = runCatalogQuery(database_, QLatin1String(TablesSql) + QStringLiteral(" order by name"));
    QStringList names;
    while (q.next())
        names << quotedName(q.value(0).toString(), false);
    return names;
}

std::vector<ServerTable> SqliteCatalog::readTables()
{
    QString encoding;
    {
        QSqlQuery q = runCatalogQuery(database_, QStringLiteral("pragma encoding"));
        if (q.next())
            encoding = q.value(0).toString();
    }
    CatalogRows rows;
    readTableList(database_, encoding, rows);
    readColumns(database_, rows);
    for (ServerTable& t : rows.tables) {
        for (const CheckConstraint& check : rows.facts.value(t.plainName).checks)
            addCheck(t, check.name, check.expression);
    }
    readIndexes(database_, rows);
    readForeignKeys(database_, rows);
    for (ServerTable& t : rows.tables)
        ValidityChecks(t.definition).finish();
    return std::move(rows.tables);
}

} // namespace korvex::server
