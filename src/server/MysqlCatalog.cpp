#include "MysqlCatalog.h"

#include "CatalogDatabase.h"
#include "CatalogText.h"
#include "ServerTypes.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <array>
#include <tuple>

namespace korvex::server {

namespace {

// A text as a string literal of the connection's SQL, escaped by the driver.
QString literal(const QSqlDatabase& database, const QString& text)
{
    QSqlField field(QStringLiteral("v"), QMetaType(QMetaType::QString));
    field.setValue(text);
    return database.driver()->formatValue(field);
}

// How the server names a column type (information_schema's DATA_TYPE), as the type the
// shared mapping knows: the report type follows from that name and the column's modifiers.
struct MysqlTypeRule {
    const char* name;
    const char* mappedName; // the name fieldFor() reads
    ServerType::Group group;
};
using G = ServerType::Group;
constexpr std::array mysqlTypes = {
    MysqlTypeRule{"bool", "boolean", G::Boolean},
    MysqlTypeRule{"boolean", "boolean", G::Boolean},
    MysqlTypeRule{"tinyint", "smallint", G::Integer},
    MysqlTypeRule{"smallint", "smallint", G::Integer},
    MysqlTypeRule{"year", "smallint", G::Integer},
    MysqlTypeRule{"mediumint", "integer", G::Integer},
    MysqlTypeRule{"int", "integer", G::Integer},
    MysqlTypeRule{"integer", "integer", G::Integer},
    MysqlTypeRule{"bigint", "bigint", G::Number},
    MysqlTypeRule{"decimal", "numeric", G::Number},
    MysqlTypeRule{"numeric", "numeric", G::Number},
    MysqlTypeRule{"dec", "numeric", G::Number},
    MysqlTypeRule{"fixed", "numeric", G::Number},
    MysqlTypeRule{"float", "double precision", G::Real},
    MysqlTypeRule{"double", "double precision", G::Real},
    MysqlTypeRule{"double precision", "double precision", G::Real},
    MysqlTypeRule{"real", "double precision", G::Real},
    MysqlTypeRule{"char", "character", G::Text},
    MysqlTypeRule{"varchar", "character varying", G::Text},
    MysqlTypeRule{"enum", "character varying", G::Text},
    MysqlTypeRule{"set", "character varying", G::Text},
    MysqlTypeRule{"uuid", "uuid", G::Text},
    MysqlTypeRule{"inet4", "character varying", G::Text},
    MysqlTypeRule{"inet6", "character varying", G::Text},
    MysqlTypeRule{"tinytext", "text", G::Text},
    MysqlTypeRule{"text", "text", G::Text},
    MysqlTypeRule{"mediumtext", "text", G::Text},
    MysqlTypeRule{"longtext", "text", G::Text},
    MysqlTypeRule{"json", "json", G::Text},
    MysqlTypeRule{"tinyblob", "blob", G::Binary},
    MysqlTypeRule{"blob", "blob", G::Binary},
    MysqlTypeRule{"mediumblob", "blob", G::Binary},
    MysqlTypeRule{"longblob", "blob", G::Binary},
    MysqlTypeRule{"binary", "blob", G::Binary},
    MysqlTypeRule{"varbinary", "blob", G::Binary},
    MysqlTypeRule{"bit", "bit", G::Binary},
    MysqlTypeRule{"date", "date", G::DateTime},
    MysqlTypeRule{"time", "time", G::DateTime},
    MysqlTypeRule{"datetime", "timestamp", G::DateTime},
    MysqlTypeRule{"timestamp", "timestamp", G::DateTime},
};

// The unsigned integers whose values the signed type of their name cannot hold move up
// to the next wider type; bigint unsigned has 20 digits.
constexpr std::array<std::pair<const char*, const char*>, 4> unsignedWidened = {{
    {"smallint", "integer"},
    {"mediumint", "integer"},
    {"int", "bigint"},
    {"integer", "bigint"},
}};

// The type of a column: DATA_TYPE names it, COLUMN_TYPE ("int(10) unsigned",
// "decimal(12,4)", "enum('a','bb')") adds its modifiers; an enum or a set is as long as
// the longest value it holds.
ServerType mysqlType(const QString& dataType, const QString& columnType, const QVariant& characterLength)
{
    const QString base = dataType.toLower();
    const QString full = columnType.toLower();
    ServerType type;
    if (base != u"enum" && base != u"set")
        type = parseServerType(full.section(u' ', 0, 0));
    type.baseName = base;
    type.group = G::Other;
    for (const MysqlTypeRule& rule : mysqlTypes) {
        if (base == QLatin1String(rule.name)) {
            type.baseName = QLatin1String(rule.mappedName);
            type.group = rule.group;
            break;
        }
    }
    if (base == u"tinyint" && type.length == 1) // the server's own boolean
        return ServerType{QStringLiteral("boolean"), std::nullopt, std::nullopt, G::Boolean};
    if (full.contains(QLatin1String(" unsigned"))) {
        if (base == u"bigint")
            return ServerType{QStringLiteral("numeric"), 20, 0, G::Number};
        for (const auto& [from, to] : unsignedWidened) {
            if (base == QLatin1String(from))
                type.baseName = QLatin1String(to);
        }
    }
    if (base == u"enum" || base == u"set" || base == u"inet4" || base == u"inet6") {
        bool ok = false;
        const int length = characterLength.toInt(&ok);
        type.length = ok && length > 0 ? length : (base == u"inet4" ? 15 : 39);
    }
    if (type.baseName == u"bigint" || type.baseName == u"integer" || type.baseName == u"smallint")
        type.length.reset(); // a display width, not a size
    return type;
}

// Which server answers, for what its information_schema holds.
struct ServerKind {
    bool mariaDb = false;
    int major = 0;
    int minor = 0;
    int patch = 0;

    bool atLeast(int a, int b, int c) const { return std::array{major, minor, patch} >= std::array{a, b, c}; }
    // MariaDB 10.2.7 and later quote literal defaults and write "NULL" for none; MySQL
    // gives a literal's bare text and marks a computed default DEFAULT_GENERATED.
    bool quotesDefaults() const { return mariaDb && atLeast(10, 2, 7); }
    bool hasChecks() const { return mariaDb ? atLeast(10, 2, 22) : atLeast(8, 0, 16); }
    bool hasIndexExpressions() const { return !mariaDb && atLeast(8, 0, 13); }
};

// The server's version, and the database's character set and collation.
ServerKind readFacts(const QSqlDatabase& database, const QString& schema, ServerFacts& facts)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select version(),
   (select default_character_set_name from information_schema.schemata where schema_name = %1),
   (select default_collation_name from information_schema.schemata where schema_name = %1))")
                                                .arg(literal(database, schema)));
    ServerKind kind;
    if (!q.next())
        return kind;
    facts.encoding = q.value(1).toString();
    facts.collation = q.value(2).toString();
    const QString version = q.value(0).toString();
    kind.mariaDb = version.contains(QLatin1String("MariaDB"), Qt::CaseInsensitive);
    static const QRegularExpression numbers(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)"));
    if (const auto m = numbers.match(version); m.hasMatch()) {
        kind.major = m.captured(1).toInt();
        kind.minor = m.captured(2).toInt();
        kind.patch = m.captured(3).toInt();
    }
    return kind;
}

// What one reading of the catalog gathers: the tables in list order, found by their name
// in the catalog, each with its columns' numbers and the columns whose collation ignores
// case (an index over them does too).
struct CatalogRows {
    std::vector<ServerTable> tables;
    QHash<QString, std::size_t> byName;
    std::vector<QHash<QString, std::uint16_t>> columnNumbers;
    std::vector<QStringList> caseInsensitiveColumns;

    ServerTable* table(const QString& plainName)
    {
        const auto it = byName.constFind(plainName);
        return it == byName.constEnd() ? nullptr : &tables[*it];
    }
};

void readTableList(const QSqlDatabase& database, const QString& schema, const ServerFacts& serverFacts,
                   CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database,
                                  QStringLiteral(
                                      "select table_name from information_schema.tables where "
                                      "table_schema = %1 and table_type in ('BASE TABLE', 'SYSTEM VERSIONED')")
                                      .arg(literal(database, schema)));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    std::sort(names.begin(), names.end());
    const QString& encoding = serverFacts.encoding;
    for (const QString& name : names) {
        ServerTable& t = rows.tables.emplace_back();
        rows.byName.insert(name, rows.tables.size() - 1);
        t.schema = schema;
        t.plainName = name;
        t.name = quotedName(name, false);
        t.definition.tableType = QStringLiteral("MYSQL");
        t.definition.codePage = encoding.startsWith(QLatin1String("utf8")) ? 65001 : encoding == u"latin1" ? 1252 : 0;
        t.definition.languageDriverName = encoding;
        t.definition.server = serverFacts;
    }
    rows.columnNumbers.resize(rows.tables.size());
    rows.caseInsensitiveColumns.resize(rows.tables.size());
}

// A default as COLUMN_DEFAULT gives it, as SQL text; empty when the column has none.
QString defaultText(const QVariant& value, const QString& extra, const ServerKind& kind)
{
    if (value.isNull())
        return {};
    const QString text = value.toString();
    if (kind.quotesDefaults() || extra.contains(QLatin1String("DEFAULT_GENERATED"), Qt::CaseInsensitive))
        return text;
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The columns: type, NOT NULL, auto_increment, default or generating expression.
void readColumns(const QSqlDatabase& database, const QString& schema, const ServerKind& kind, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select table_name, column_name, column_type, data_type, is_nullable, column_default, extra,
   generation_expression, character_maximum_length, collation_name
from information_schema.columns where table_schema = %1 order by table_name, ordinal_position)")
                                                .arg(literal(database, schema)));
    while (q.next()) {
        const QString tableName = q.value(0).toString();
        ServerTable* t = rows.table(tableName);
        if (!t)
            continue; // a view's column
        const std::size_t place = rows.byName.value(tableName);
        const QString name = q.value(1).toString();
        const QString columnType = q.value(2).toString();
        const QString extra = q.value(6).toString();
        const bool autoIncrement = extra.contains(QLatin1String("auto_increment"), Qt::CaseInsensitive);
        const ServerType type = mysqlType(q.value(3).toString(), columnType, q.value(8));
        t->definition.fields.push_back(fieldFor(name, type, columnType, autoIncrement));
        FieldDefinition& field = t->definition.fields.back();
        const auto number = std::uint16_t(t->definition.fields.size());
        rows.columnNumbers[place].insert(name, number);
        if (q.value(4).toString() == u"NO")
            ValidityChecks(t->definition).of(number).required = true;
        const QString generated = q.value(7).toString();
        if (!generated.isEmpty())
            field.defaultExpression = generated;
        else if (autoIncrement && field.type != FieldType::AutoInc)
            field.defaultExpression = QStringLiteral("auto_increment"); // on a type wider than Auto-Inc
        else if (const QString def = defaultText(q.value(5), extra, kind); !def.isEmpty())
            addDefault(*t, number, def);
        if (q.value(9).toString().endsWith(QLatin1String("_ci")))
            rows.caseInsensitiveColumns[place] << name;
    }
}

// The indexes, the primary key's first; an index key is a column, a prefix of one, or
// (MySQL 8) an expression.
void readIndexes(const QSqlDatabase& database, const QString& schema, const ServerKind& kind, CatalogRows& rows)
{
    const QString expression = kind.hasIndexExpressions() ? QStringLiteral("expression") : QStringLiteral("null");
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select table_name, index_name, non_unique, column_name, collation, sub_part, %2
from information_schema.statistics where table_schema = %1 order by table_name, index_name, seq_in_index)")
                                                .arg(literal(database, schema), expression));
    struct Key {
        QString table;
        IndexDescription index;
        QStringList columns;
        QStringList parts;     // each key as SQL writes it
        bool computed = false; // a key is an expression or a column's prefix
    };
    std::vector<Key> keys;
    while (q.next()) {
        const QString tableName = q.value(0).toString();
        const QString indexName = q.value(1).toString();
        if (!rows.table(tableName))
            continue;
        if (keys.empty() || keys.back().table != tableName || keys.back().index.name != indexName) {
            Key& key = keys.emplace_back();
            key.table = tableName;
            key.index.name = indexName;
            key.index.primary = indexName == u"PRIMARY";
            key.index.unique = q.value(2).toInt() == 0;
        }
        Key& key = keys.back();
        if (q.value(4).toString() == u"D")
            key.index.descending = true;
        const QString column = q.value(3).toString();
        if (column.isEmpty()) {
            key.computed = true;
            key.parts << q.value(6).toString();
            continue;
        }
        key.columns << column;
        if (q.value(5).isNull()) {
            key.parts << quotedName(column, false);
        } else {
            key.computed = true;
            key.parts << QStringLiteral("%1(%2)").arg(quotedName(column, false), q.value(5).toString());
        }
        if (rows.caseInsensitiveColumns[rows.byName.value(tableName)].contains(column))
            key.index.caseInsensitive = true;
    }
    // The primary key first, the others by name.
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::make_tuple(a.table, !a.index.primary, a.index.name) <
               std::make_tuple(b.table, !b.index.primary, b.index.name);
    });
    for (Key& key : keys) {
        ServerTable& t = *rows.table(key.table);
        if (key.computed) {
            key.index.expressionIndex = true;
            key.index.expression = key.parts.join(QStringLiteral(", "));
        } else {
            key.index.fields = key.columns.join(u';');
        }
        if (key.index.primary) {
            for (FieldDefinition& f : t.definition.fields)
                f.key = f.key || key.columns.contains(f.name);
        }
        t.indexes.push_back(std::move(key.index));
    }
}

// The columns' numbers of tables in other databases that foreign keys refer to.
QHash<QString, std::uint16_t> foreignColumnNumbers(const QSqlDatabase& database, const QString& schema,
                                                   const QStringList& tables)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral("select table_name, column_name, ordinal_position "
                                                           "from information_schema.columns where table_schema = %1")
                                                .arg(literal(database, schema)));
    QHash<QString, std::uint16_t> numbers;
    while (q.next()) {
        if (tables.contains(q.value(0).toString()))
            numbers.insert(q.value(0).toString() + QChar(0x1f) + q.value(1).toString(),
                           std::uint16_t(q.value(2).toUInt()));
    }
    return numbers;
}

// A name in the server's own quotes.
QString backquoted(const QString& name)
{
    return u'`' + QString(name).replace(u'`', QStringLiteral("``")) + u'`';
}

// The update and delete rules of the foreign keys in a CREATE TABLE statement as SHOW
// CREATE TABLE writes it, by key name; a rule it leaves out is `unwritten`.
QHash<QString, std::pair<QString, QString>> rulesInCreateTable(const QString& sql, const QString& unwritten)
{
    QHash<QString, std::pair<QString, QString>> rules;
    const std::vector<SqlToken> tokens = tokenize(sql);
    const auto word = [&](std::size_t i, const char* text) {
        return i < tokens.size() && tokens[i].kind == SqlToken::Kind::Word &&
               tokens[i].text.compare(QLatin1String(text), Qt::CaseInsensitive) == 0;
    };
    for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
        if (!word(i, "CONSTRAINT") || tokens[i + 1].kind != SqlToken::Kind::QuotedName || !word(i + 2, "FOREIGN"))
            continue;
        auto& [onUpdate, onDelete] = rules[tokens[i + 1].text];
        onUpdate = onDelete = unwritten;
        for (std::size_t j = i + 3; j + 2 < tokens.size() && !word(j, "CONSTRAINT"); ++j) {
            if (!word(j, "ON") || !(word(j + 1, "UPDATE") || word(j + 1, "DELETE")))
                continue;
            QString action = tokens[j + 2].text.toUpper();
            if ((word(j + 2, "SET") || word(j + 2, "NO")) && j + 3 < tokens.size())
                action += u' ' + tokens[j + 3].text.toUpper();
            (word(j + 1, "UPDATE") ? onUpdate : onDelete) = action;
        }
    }
    return rules;
}

QString hiddenRules(const QString& table)
{
    return QStringLiteral("The server shows the update and delete rules of the foreign keys of %1 neither in "
                          "information_schema nor in SHOW CREATE TABLE to this user; they are shown as RESTRICT.")
        .arg(table);
}

// The foreign keys of the tables: each on the referring table, and on the referred one
// when it is in the same database.
void readForeignKeys(const QSqlDatabase& database, const QString& schema, const ServerKind& kind, CatalogRows& rows)
{
    const QString s = literal(database, schema);
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select k.table_name, k.constraint_name, k.column_name, k.referenced_table_schema, k.referenced_table_name,
   k.referenced_column_name
from information_schema.key_column_usage k
where k.table_schema = %1 and k.referenced_table_name is not null
order by k.table_name, k.constraint_name, k.ordinal_position)")
                                                .arg(s));
    // The rules apart: joined to the keys, the server takes three times as long.
    QSqlQuery r = runCatalogQuery(database,
                                  QStringLiteral(
                                      "select table_name, constraint_name, update_rule, delete_rule from "
                                      "information_schema.referential_constraints where constraint_schema = %1")
                                      .arg(s));
    QHash<QString, std::pair<QString, QString>> rulesByKey; // by table and key name
    while (r.next())
        rulesByKey.insert(r.value(0).toString() + QChar(0x1f) + r.value(1).toString(),
                          {r.value(2).toString(), r.value(3).toString()});
    struct ForeignKey {
        QString table, name, referredSchema, referredTable, updateRule, deleteRule;
        QStringList columns, referredColumns;
    };
    std::vector<ForeignKey> keys;
    std::map<QString, QStringList> elsewhere; // schema: tables referred to there
    while (q.next()) {
        const QString table = q.value(0).toString();
        const QString name = q.value(1).toString();
        if (!rows.table(table))
            continue;
        if (keys.empty() || keys.back().table != table || keys.back().name != name) {
            const auto rule = rulesByKey.value(table + QChar(0x1f) + name);
            keys.push_back(
                {table, name, q.value(3).toString(), q.value(4).toString(), rule.first, rule.second, {}, {}});
            if (keys.back().referredSchema != schema)
                elsewhere[keys.back().referredSchema] << keys.back().referredTable;
        }
        keys.back().columns << q.value(2).toString();
        keys.back().referredColumns << q.value(5).toString();
    }
    // information_schema keeps the rules from a user who may only read a table; SHOW
    // CREATE TABLE does not, so the tables whose rules are hidden are asked one by one.
    QStringList hiddenTables;
    for (const ForeignKey& key : keys) {
        if (key.updateRule.isEmpty() && !hiddenTables.contains(key.table))
            hiddenTables << key.table;
    }
    for (const QString& table : hiddenTables) {
        QSqlQuery create(database);
        if (!create.exec(QStringLiteral("show create table %1.%2").arg(backquoted(schema), backquoted(table))) ||
            !create.next())
            continue;
        const auto written = rulesInCreateTable(create.value(1).toString(), kind.mariaDb ? QStringLiteral("RESTRICT")
                                                                                         : QStringLiteral("NO ACTION"));
        for (ForeignKey& key : keys) {
            if (key.table == table && written.contains(key.name))
                std::tie(key.updateRule, key.deleteRule) = written.value(key.name);
        }
    }
    std::map<QString, QHash<QString, std::uint16_t>> foreignNumbers;
    for (const auto& [otherSchema, tables] : elsewhere)
        foreignNumbers[otherSchema] = foreignColumnNumbers(database, otherSchema, tables);

    for (const ForeignKey& key : keys) {
        const bool local = key.referredSchema == schema && rows.table(key.referredTable);
        const std::size_t own = rows.byName.value(key.table);
        const auto referredNumber = [&](const QString& column) -> std::uint16_t {
            if (local)
                return rows.columnNumbers[rows.byName.value(key.referredTable)].value(column);
            return foreignNumbers[key.referredSchema].value(key.referredTable + QChar(0x1f) + column);
        };
        const QString referredName = local ? rows.table(key.referredTable)->name
                                           : quotedName(key.referredSchema, false) + u'.' +
                                                 quotedName(key.referredTable, false);
        const bool hidden = key.updateRule.isEmpty();
        const LinkRules rules(hidden ? ReferentialAction::Restrict : referentialAction(key.updateRule),
                              hidden ? ReferentialAction::Restrict : referentialAction(key.deleteRule));
        if (hidden && !rows.tables[own].definition.warnings.contains(hiddenRules(rows.tables[own].name)))
            rows.tables[own].definition.warnings << hiddenRules(rows.tables[own].name);
        IntegrityDescriptor master;
        master.name = key.name;
        master.kind = IntegrityDescriptor::Kind::Master;
        master.relatedTable = referredName;
        master.cascade = rules;
        for (qsizetype i = 0; i < key.columns.size(); ++i)
            master.pairs.emplace_back(rows.columnNumbers[own].value(key.columns[i]),
                                      referredNumber(key.referredColumns[i]));
        if (local) {
            IntegrityDescriptor dependent = master;
            dependent.kind = IntegrityDescriptor::Kind::Dependent;
            dependent.relatedTable = rows.tables[own].name;
            for (auto& pair : dependent.pairs)
                std::swap(pair.first, pair.second);
            rows.table(key.referredTable)->links.push_back(std::move(dependent));
        }
        rows.tables[own].links.push_back(std::move(master));
    }
}

// The CHECK constraints, column and table ones alike.
void readChecks(const QSqlDatabase& database, const QString& schema, const ServerKind& kind, CatalogRows& rows)
{
    if (!kind.hasChecks())
        return;
    const QString s = literal(database, schema);
    // MariaDB names a column's CHECK after its column, so its names are unique per table
    // only; MySQL's are unique per database and its CHECK_CONSTRAINTS names no table.
    const QString sql = kind.mariaDb
                            ? QStringLiteral("select table_name, constraint_name, check_clause from "
                                             "information_schema.check_constraints where constraint_schema = %1")
                            : QStringLiteral(R"(
select tc.table_name, cc.constraint_name, cc.check_clause
from information_schema.table_constraints tc
join information_schema.check_constraints cc
  on cc.constraint_schema = tc.constraint_schema and cc.constraint_name = tc.constraint_name
where tc.table_schema = %1 and tc.constraint_type = 'CHECK')");
    QSqlQuery q = runCatalogQuery(database, sql.arg(s));
    struct Check {
        QString table, name, clause;
    };
    std::vector<Check> checks;
    while (q.next())
        checks.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    std::sort(checks.begin(), checks.end(),
              [](const Check& a, const Check& b) { return std::tie(a.table, a.name) < std::tie(b.table, b.name); });
    for (const Check& check : checks) {
        if (ServerTable* t = rows.table(check.table))
            addCheck(*t, check.name, check.clause);
    }
}

// The words of the server's "Access denied ... (using password: NO)" (error 1045).
bool wantsPassword(const QString& serverText)
{
    return serverText.contains(QLatin1String("using password: NO"), Qt::CaseInsensitive);
}

// An option value: quoted with its escapes read, or bare up to a comment.
QString optionValue(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')) {
        const QChar quote = value.front();
        QString out;
        for (qsizetype i = 1; i < value.size(); ++i) {
            if (value[i] == quote)
                break;
            if (value[i] == u'\\' && i + 1 < value.size()) {
                const QChar next = value[++i];
                out += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
                continue;
            }
            out += value[i];
        }
        return out;
    }
    static const QRegularExpression comment(QStringLiteral("\\s#.*$"));
    return value.remove(comment).trimmed();
}

} // namespace

std::map<QString, QString> readClientOptions(const QString& optionFile)
{
    std::map<QString, QString> options;
    QFile file(optionFile);
    if (!file.open(QIODevice::ReadOnly))
        return options;
    bool inClientGroup = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';') || line.startsWith(u'!'))
            continue;
        if (line.startsWith(u'[')) {
            const QString group = line.mid(1, line.indexOf(u']') - 1).trimmed().toLower();
            inClientGroup = group == u"client" || group == u"client-server" || group == u"client-mariadb";
            continue;
        }
        if (!inClientGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        QString key = (equals < 0 ? line : line.first(equals)).trimmed().toLower();
        key.replace(u'_', u'-');
        options[key] = equals < 0 ? QString() : optionValue(line.mid(equals + 1));
    }
    return options;
}

QSqlDatabase openMysql(const QString& connectionName, const MysqlLogin& login)
{
    QSqlDatabase db = addConnection(QStringLiteral("QMYSQL"), QStringLiteral("MySQL"), connectionName);
    // A server that does not answer, or stops answering, must not hold the run.
    QString options = QStringLiteral(
        "MYSQL_OPT_CONNECT_TIMEOUT=10;MYSQL_OPT_READ_TIMEOUT=60;MYSQL_OPT_WRITE_TIMEOUT=60");
    if (login.host.startsWith(u'/'))
        options += QStringLiteral(";UNIX_SOCKET=") + login.host;
    else
        db.setHostName(login.host);
    if (login.port > 0)
        db.setPort(login.port);
    db.setConnectOptions(options);
    db.setDatabaseName(login.database);
    db.setUserName(login.user);
    if (!login.password.isEmpty())
        db.setPassword(login.password);
    openConnection(db);
    return db;
}

MysqlCatalog::MysqlCatalog(QSqlDatabase database, QString schema)
    : database_(std::move(database)), schema_(std::move(schema))
{}

QString MysqlCatalog::schema()
{
    if (schema_.isEmpty()) {
        QSqlQuery q = runCatalogQuery(database_, QStringLiteral("select database()"));
        if (q.next())
            schema_ = q.value(0).toString();
    }
    return schema_;
}

QStringList MysqlCatalog::listTables()
{
    QSqlQuery q = runCatalogQuery(database_,
                                  QStringLiteral(
                                      "select table_name from information_schema.tables where "
                                      "table_schema = %1 and table_type in ('BASE TABLE', 'SYSTEM VERSIONED')")
                                      .arg(literal(database_, schema())));
    QStringList plain;
    while (q.next())
        plain << q.value(0).toString();
    std::sort(plain.begin(), plain.end());
    QStringList names;
    for (const QString& name : plain)
        names << quotedName(name, false);
    return names;
}

std::vector<ServerTable> MysqlCatalog::readTables()
{
    const QString name = schema();
    ServerFacts facts;
    const ServerKind kind = readFacts(database_, name, facts);
    CatalogRows rows;
    readTableList(database_, name, facts, rows);
    readColumns(database_, name, kind, rows);
    readIndexes(database_, name, kind, rows);
    readForeignKeys(database_, name, kind, rows);
    readChecks(database_, name, kind, rows);
    for (ServerTable& t : rows.tables)
        ValidityChecks(t.definition).finish();
    return std::move(rows.tables);
}

std::unique_ptr<Database> openMysqlAlias(const AliasDefinition& alias, const LoginPassword& password)
{
    // The client's own option file first, as the server's own programs read it.
    auto options = readClientOptions(QDir::homePath() + QStringLiteral("/.my.cnf"));
    const ServerAddress address = alias.serverAddress();
    MysqlLogin login;
    login.host = address.host;
    login.port = address.port;
    if (login.host.isEmpty()) {
        login.host = !options["socket"].isEmpty() ? options["socket"] : options["host"];
        login.port = options["port"].toInt() > 0 ? options["port"].toInt() : -1;
    }
    login.database = alias.databaseName().isEmpty() ? options["database"] : alias.databaseName();
    if (login.database.isEmpty())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": its DATABASE NAME names no database").arg(alias.name));
    login.user = alias.userName().isEmpty() ? options["user"] : alias.userName();
    const QString ownPassword = options["password"];
    // The user the server sees when neither the alias nor the option file names one.
    const QString user = !login.user.isEmpty() ? login.user : qEnvironmentVariable("USER");
    const QString connection = uniqueConnectionName(QStringLiteral("mysql"));
    QSqlDatabase db = logIn(
        alias, password, user,
        [&](const QString& given) {
            login.password = given.isEmpty() ? ownPassword : given;
            return openMysql(connection, login);
        },
        wantsPassword);
    auto reader = std::make_unique<ReaderOf<MysqlCatalog>>(MysqlCatalog(db, login.database));
    db = QSqlDatabase();
    return std::make_unique<CatalogDatabase>(alias.name, connection, std::move(reader));
}

} // namespace korvex::server
