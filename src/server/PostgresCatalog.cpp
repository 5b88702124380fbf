#include "PostgresCatalog.h"

#include "ServerTypes.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvex::server {

namespace {

// Separates the items of one catalog row that the queries join into one text.
constexpr QChar ItemSeparator(0x1f);

// Runs a query with the schema list bound to every "?"; throws with the server's text.
QSqlQuery run(const QSqlDatabase& database, const QString& sql, const QString& schemaArray, int bindings)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw ServerError(sqlErrorText(query.lastError()));
    for (int i = 0; i < bindings; ++i)
        query.addBindValue(schemaArray);
    if (!query.exec())
        throw ServerError(sqlErrorText(query.lastError()));
    return query;
}

// The schema names as a PostgreSQL array literal, each element quoted.
QString arrayLiteral(const QStringList& items)
{
    QStringList quoted;
    for (QString item : items) {
        item.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        quoted << u'"' + item + u'"';
    }
    return u'{' + quoted.join(u',') + u'}';
}

ReferentialAction actionOf(const QString& code)
{
    switch (code.isEmpty() ? u'a' : code[0].unicode()) {
    case u'r': return ReferentialAction::Restrict;
    case u'c': return ReferentialAction::Cascade;
    case u'n': return ReferentialAction::SetNull;
    case u'd': return ReferentialAction::SetDefault;
    default: return ReferentialAction::NoAction;
    }
}

ServerType::Group groupOf(const QString& category, const QString& baseName)
{
    if (category == u"S")
        return ServerType::Group::Text;
    if (category == u"N")
        return baseName.contains(QLatin1String("int")) ? ServerType::Group::Integer : ServerType::Group::Number;
    if (category == u"B")
        return ServerType::Group::Boolean;
    if (category == u"D")
        return ServerType::Group::DateTime;
    return ServerType::Group::Other;
}

QStringList items(const QVariant& v)
{
    const QString s = v.toString();
    return s.isEmpty() ? QStringList() : s.split(ItemSeparator);
}

// The tables of the schemas read: oid, schema, name and both quoted as SQL needs.
const char* const ScopeSql = R"(
with scope as (
  select c.oid, n.nspname, c.relname, quote_ident(n.nspname) as qschema,
         quote_ident(c.relname) as qname, array_position(cast(? as text[]), cast(n.nspname as text)) as place
  from pg_catalog.pg_class c join pg_catalog.pg_namespace n on n.oid = c.relnamespace
  where n.nspname = any(cast(? as text[])) and c.relkind in ('r', 'p') and not c.relispartition
))";

// What one reading of the catalog gathers: the tables in list order, found by their oid,
// and the columns whose collation ignores case (an index over them does too).
struct CatalogRows {
    std::vector<ServerTable> tables;
    QHash<quint32, std::size_t> byOid;
    QHash<quint32, QStringList> caseInsensitiveColumns;

    ServerTable& table(quint32 oid) { return tables[byOid.value(oid)]; }
};

// The database: its encoding and default collation.
ServerFacts readDatabaseFacts(const QSqlDatabase& database)
{
    QSqlQuery q = run(database, QStringLiteral(R"(
select pg_catalog.pg_encoding_to_char(encoding), datcollate from pg_catalog.pg_database
where datname = pg_catalog.current_database())"),
                      QString(), 0);
    ServerFacts facts;
    if (q.next()) {
        facts.encoding = q.value(0).toString();
        facts.collation = q.value(1).toString();
    }
    return facts;
}

// The tables of the scope, in list order.
void readTableList(const QSqlDatabase& database, const QString& scope, bool qualify, const ServerFacts& facts,
                   CatalogRows& rows)
{
    QSqlQuery q = run(database, QLatin1String(ScopeSql) + QStringLiteral(R"(
select oid, nspname, relname, qschema, qname from scope order by place, relname collate "C")"),
                      scope, 2);
    while (q.next()) {
        ServerTable& t = rows.tables.emplace_back();
        rows.byOid.insert(q.value(0).toUInt(), rows.tables.size() - 1);
        t.schema = q.value(1).toString();
        t.plainName = q.value(2).toString();
        t.name = qualify ? q.value(3).toString() + u'.' + q.value(4).toString() : q.value(4).toString();
        t.definition.tableType = QStringLiteral("POSTGRESQL");
        t.definition.codePage = facts.encoding == u"UTF8" ? 65001 : 0;
        t.definition.languageDriverName = facts.encoding;
        t.definition.server = facts;
    }
}

// The columns: declared type, base type (through a domain), its modifiers and group,
// NOT NULL, identity and default.
void readColumns(const QSqlDatabase& database, const QString& scope, CatalogRows& rows)
{
    QSqlQuery q = run(database, QLatin1String(ScopeSql) + QStringLiteral(R"(
select a.attrelid, a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod),
   pg_catalog.format_type(coalesce(nullif(t.typbasetype, 0), a.atttypid),
                          case when t.typtype = 'd' then t.typtypmod else a.atttypmod end),
   coalesce(bt.typcategory, t.typcategory), a.attnotnull, a.attidentity <> '',
   pg_catalog.pg_get_expr(d.adbin, d.adrelid, true),
   coalesce(not co.collisdeterministic, false) or coalesce(bt.typname, t.typname) = 'citext'
from scope s
join pg_catalog.pg_attribute a on a.attrelid = s.oid
join pg_catalog.pg_type t on t.oid = a.atttypid
left join pg_catalog.pg_type bt on bt.oid = nullif(t.typbasetype, 0)
left join pg_catalog.pg_attrdef d on d.adrelid = a.attrelid and d.adnum = a.attnum
left join pg_catalog.pg_collation co on co.oid = a.attcollation
where a.attnum > 0 and not a.attisdropped
order by a.attrelid, a.attnum)"),
                      scope, 2);
    while (q.next()) {
        const quint32 oid = q.value(0).toUInt();
        ServerTable& t = rows.table(oid);
        const QString def = q.value(7).toString();
        const bool serial = def.startsWith(QLatin1String("nextval("));
        ServerType type = parseServerType(q.value(3).toString());
        type.group = groupOf(q.value(4).toString(), type.baseName);
        t.definition.fields.push_back(
            fieldFor(q.value(1).toString(), type, q.value(2).toString(), q.value(6).toBool() || serial));
        const auto number = std::uint16_t(t.definition.fields.size());
        if (q.value(5).toBool())
            ValidityChecks(t.definition).of(number).required = true;
        // A sequence behind an Auto-Inc field is what Auto-Inc says.
        if (!q.value(7).isNull() && !(serial && t.definition.fields.back().type == FieldType::AutoInc))
            addDefault(t, number, def);
        if (q.value(8).toBool())
            rows.caseInsensitiveColumns[oid] << q.value(1).toString();
    }
}

// The indexes, the primary key's first; per key: the column or the expression, its
// direction and whether its collation ignores case.
void readIndexes(const QSqlDatabase& database, const QString& scope, CatalogRows& rows)
{
    QSqlQuery q = run(database, QLatin1String(ScopeSql) + QStringLiteral(R"(
select i.indrelid, ic.relname, i.indisprimary, i.indisunique, i.indexprs is not null,
   pg_catalog.pg_get_expr(i.indpred, i.indrelid, true),
   array_to_string(array(
     select coalesce(cast(a.attname as text), pg_catalog.pg_get_indexdef(i.indexrelid, k, true))
     from generate_series(1, i.indnkeyatts) k
     left join pg_catalog.pg_attribute a on a.attrelid = i.indrelid and a.attnum = i.indkey[k - 1]
                                        and i.indkey[k - 1] <> 0
     order by k), E'\x1f'),
   array_to_string(array(select cast(i.indoption[k - 1] & 1 as text) from generate_series(1, i.indnkeyatts) k
                         order by k), ','),
   exists(select 1 from generate_series(1, i.indnkeyatts) k
          join pg_catalog.pg_collation co on co.oid = i.indcollation[k - 1]
          where not co.collisdeterministic)
from scope s
join pg_catalog.pg_index i on i.indrelid = s.oid
join pg_catalog.pg_class ic on ic.oid = i.indexrelid
order by i.indrelid, not i.indisprimary, ic.relname collate "C")"),
                      scope, 2);
    while (q.next()) {
        const quint32 oid = q.value(0).toUInt();
        ServerTable& t = rows.table(oid);
        IndexDescription& index = t.indexes.emplace_back();
        index.name = q.value(1).toString();
        index.primary = q.value(2).toBool();
        index.unique = q.value(3).toBool();
        index.expressionIndex = q.value(4).toBool();
        index.forCondition = q.value(5).toString();
        const QStringList keys = items(q.value(6));
        index.descending = q.value(7).toString().contains(u'1');
        index.caseInsensitive = q.value(8).toBool();
        for (const QString& key : keys) {
            if (rows.caseInsensitiveColumns.value(oid).contains(key) || key.startsWith(QLatin1String("lower(")) ||
                key.startsWith(QLatin1String("upper(")))
                index.caseInsensitive = true;
        }
        if (index.expressionIndex)
            index.expression = keys.join(QStringLiteral(", "));
        else
            index.fields = keys.join(u';');
        if (index.primary) {
            for (FieldDefinition& f : t.definition.fields)
                f.key = f.key || keys.contains(f.name);
        }
    }
}

// CHECK constraints of the tables, and the foreign keys that start or end at one of
// them; the field numbers count the columns that are not dropped.
void readConstraints(const QSqlDatabase& database, const QString& scope, CatalogRows& rows)
{
    QSqlQuery q = run(database, QLatin1String(ScopeSql) + QStringLiteral(R"(
select c.conrelid, c.confrelid, c.conname, c.contype, c.confupdtype, c.confdeltype,
   pg_catalog.pg_get_expr(c.conbin, c.conrelid, true),
   array_to_string(array(select (select count(*) from pg_catalog.pg_attribute a
       where a.attrelid = c.conrelid and a.attnum > 0 and not a.attisdropped and a.attnum <= k.n)
     from unnest(c.conkey) with ordinality k(n, o) order by k.o), ','),
   array_to_string(array(select (select count(*) from pg_catalog.pg_attribute a
       where a.attrelid = c.confrelid and a.attnum > 0 and not a.attisdropped and a.attnum <= k.n)
     from unnest(c.confkey) with ordinality k(n, o) order by k.o), ','),
   quote_ident(cn.nspname) || '.' || quote_ident(cr.relname),
   quote_ident(fn.nspname) || '.' || quote_ident(fr.relname)
from pg_catalog.pg_constraint c
join pg_catalog.pg_class cr on cr.oid = c.conrelid
join pg_catalog.pg_namespace cn on cn.oid = cr.relnamespace
left join pg_catalog.pg_class fr on fr.oid = c.confrelid
left join pg_catalog.pg_namespace fn on fn.oid = fr.relnamespace
where (c.contype = 'c' and c.conrelid in (select oid from scope))
   or (c.contype = 'f' and (c.conrelid in (select oid from scope) or c.confrelid in (select oid from scope)))
order by c.conrelid, c.conname collate "C")"),
                      scope, 2);
    const auto nameOf = [&](quint32 oid, const QString& qualified) {
        return rows.byOid.contains(oid) ? rows.table(oid).name : qualified;
    };
    const auto numbers = [](const QVariant& v) {
        std::vector<std::uint16_t> out;
        for (const QString& n : v.toString().split(u',', Qt::SkipEmptyParts))
            out.push_back(std::uint16_t(n.toUInt()));
        return out;
    };
    while (q.next()) {
        const quint32 own = q.value(0).toUInt();
        const quint32 referred = q.value(1).toUInt();
        const QString name = q.value(2).toString();
        if (q.value(3).toString() == u"c") {
            addCheck(rows.table(own), name, q.value(6).toString());
            continue;
        }
        const LinkRules rules(actionOf(q.value(4).toString()), actionOf(q.value(5).toString()));
        const auto ownNumbers = numbers(q.value(7));
        const auto referredNumbers = numbers(q.value(8));
        const auto add = [&](ServerTable& t, IntegrityDescriptor::Kind kind) {
            const bool master = kind == IntegrityDescriptor::Kind::Master;
            IntegrityDescriptor link;
            link.name = name;
            link.kind = kind;
            link.relatedTable = master ? nameOf(referred, q.value(10).toString()) : nameOf(own, q.value(9).toString());
            link.cascade = rules;
            for (std::size_t i = 0; i < std::min(ownNumbers.size(), referredNumbers.size()); ++i)
                link.pairs.emplace_back(master ? ownNumbers[i] : referredNumbers[i],
                                        master ? referredNumbers[i] : ownNumbers[i]);
            t.links.push_back(std::move(link));
        };
        if (rows.byOid.contains(own))
            add(rows.table(own), IntegrityDescriptor::Kind::Master);
        if (rows.byOid.contains(referred))
            add(rows.table(referred), IntegrityDescriptor::Kind::Dependent);
    }
}

} // namespace

QSqlDatabase openPostgres(const QString& connectionName, const PostgresLogin& login)
{
    QSqlDatabase db = addConnection(QStringLiteral("QPSQL"), QStringLiteral("PostgreSQL"), connectionName);
    db.setHostName(login.host);
    if (login.port > 0)
        db.setPort(login.port);
    db.setDatabaseName(login.database);
    db.setUserName(login.user);
    if (!login.password.isEmpty())
        db.setPassword(login.password);
    // A server that does not answer must not hold the run.
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    openConnection(db);
    return db;
}

PostgresCatalog::PostgresCatalog(QSqlDatabase database, QStringList schemas)
    : database_(std::move(database)), schemas_(std::move(schemas)), schemasKnown_(!schemas_.isEmpty())
{}

QStringList PostgresCatalog::schemas()
{
    if (!schemasKnown_) {
        QSqlQuery q = run(database_, QStringLiteral(R"(
select s from unnest(pg_catalog.current_schemas(false)) with ordinality as p(s, o)
where s not in ('pg_catalog', 'information_schema') and s not like 'pg\_toast%' and s not like 'pg\_temp%'
order by o)"),
                          QString(), 0);
        while (q.next())
            schemas_ << q.value(0).toString();
        schemasKnown_ = true;
    }
    return schemas_;
}

QStringList PostgresCatalog::listTables()
{
    const bool qualify = schemas().size() > 1;
    QSqlQuery q = run(database_, QLatin1String(ScopeSql) + QStringLiteral(R"(
select qschema, qname from scope order by place, relname collate "C")"),
                      arrayLiteral(schemas_), 2);
    QStringList names;
    while (q.next())
        names << (qualify ? q.value(0).toString() + u'.' + q.value(1).toString() : q.value(1).toString());
    return names;
}

std::vector<ServerTable> PostgresCatalog::readTables()
{
    const bool qualify = schemas().size() > 1;
    const QString scope = arrayLiteral(schemas_);
    CatalogRows rows;
    readTableList(database_, scope, qualify, readDatabaseFacts(database_), rows);
    readColumns(database_, scope, rows);
    readIndexes(database_, scope, rows);
    readConstraints(database_, scope, rows);
    for (ServerTable& t : rows.tables)
        ValidityChecks(t.definition).finish();
    return std::move(rows.tables);
}

} // namespace korvex::server
