#include "DdlScript.h"

#include "SchemaTexts.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <map>

namespace korvex {

namespace {

// PostgreSQL cuts longer names to this many bytes, so two long index names could meet.
constexpr int PostgresNameBytes = 63;
// Significant decimal digits a double (SQLite's REAL) keeps.
constexpr int RealDigits = 15;
// Decimal digits a 64-bit integer always holds.
constexpr int IntegerDigits = 18;
// A Paradox BCD field holds 32 digits, its decimals among them.
constexpr int BcdDigits = 32;

QString quoted(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString stringLiteral(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// A text for a one-line comment: line breaks and other control characters would end it.
QString commentText(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text)
        line += c.category() == QChar::Other_Control ? QLatin1Char(' ') : c;
    return line;
}

QString comment(const QString& indent, const QString& text)
{
    return indent + QStringLiteral("-- ") + commentText(text) + QLatin1Char('\n');
}

bool isSqlite(SqlDialect d)
{
    return d == SqlDialect::Sqlite;
}

// What a column becomes on the server.
struct ColumnType {
    QString sql;        // the column's type
    QStringList checks; // conditions that keep values in the type's form (SQLite)
    QStringList losses; // what the mapping cannot keep
    bool identity = false;
    bool skipped = false;                  // the file's own bookkeeping, no data
    FieldType values = FieldType::Unknown; // how literals of the column are written
};

// The kinds of server column the mapping distinguishes.
enum class ColumnKind {
    Text,
    SmallInt,
    Integer,
    BigInt,
    Double,
    Numeric,
    Boolean,
    Date,
    Time,
    Timestamp,
    Bytes,
    Identity
};

ColumnType columnOf(SqlDialect d, ColumnKind kind, const QString& name, int size = 0, int decimals = 0)
{
    ColumnType c;
    const QString col = quoted(name);
    switch (kind) {
    case ColumnKind::Text:
        c.sql = isSqlite(d) ? QStringLiteral("TEXT")
                : size > 0  ? QStringLiteral("varchar(%1)").arg(size)
                            : QStringLiteral("text");
        if (isSqlite(d) && size > 0)
            c.checks << QStringLiteral("length(%1) <= %2").arg(col).arg(size);
        break;
    case ColumnKind::SmallInt: c.sql = isSqlite(d) ? QStringLiteral("INTEGER") : QStringLiteral("smallint"); break;
    case ColumnKind::Integer: c.sql = isSqlite(d) ? QStringLiteral("INTEGER") : QStringLiteral("integer"); break;
    case ColumnKind::BigInt: c.sql = isSqlite(d) ? QStringLiteral("INTEGER") : QStringLiteral("bigint"); break;
    case ColumnKind::Double: c.sql = isSqlite(d) ? QStringLiteral("REAL") : QStringLiteral("double precision"); break;
    case ColumnKind::Numeric: {
        // A precision of 0 is no type; a numeric without decimals keeps whole numbers.
        const int precision = std::max({size, decimals, 1});
        if (!isSqlite(d)) {
            c.sql = decimals > 0 ? QStringLiteral("numeric(%1,%2)").arg(precision).arg(decimals)
                                 : QStringLiteral("numeric(%1)").arg(precision);
        } else if (decimals == 0 && precision <= IntegerDigits) {
            c.sql = QStringLiteral("INTEGER");
        } else {
            c.sql = QStringLiteral("REAL");
            if (precision > RealDigits)
                c.losses << QStringLiteral("%1 digits, of which SQLite's REAL keeps %2").arg(precision).arg(RealDigits);
        }
        break;
    }
    case ColumnKind::Boolean:
        c.sql = isSqlite(d) ? QStringLiteral("INTEGER") : QStringLiteral("boolean");
        if (isSqlite(d))
            c.checks << QStringLiteral("%1 IN (0, 1)").arg(col);
        break;
    case ColumnKind::Date:
        c.sql = isSqlite(d) ? QStringLiteral("TEXT") : QStringLiteral("date");
        if (isSqlite(d))
            // Only a calculation makes SQLite carry a day past the month's end over: so
            // "2024-02-30" is no date of its own form.
            c.checks << QStringLiteral("%1 IS date(%1, '+0 days')").arg(col);
        break;
    case ColumnKind::Time:
        c.sql = isSqlite(d) ? QStringLiteral("TEXT") : QStringLiteral("time(3)");
        if (isSqlite(d))
            c.checks << QStringLiteral("%1 IS strftime('%H:%M:%f', %1)").arg(col);
        break;
    case ColumnKind::Timestamp:
        c.sql = isSqlite(d) ? QStringLiteral("TEXT") : QStringLiteral("timestamp(3)");
        if (isSqlite(d))
            c.checks << QStringLiteral("%1 IS strftime('%Y-%m-%dT%H:%M:%f', %1, '+0 days')").arg(col);
        break;
    case ColumnKind::Bytes: c.sql = isSqlite(d) ? QStringLiteral("BLOB") : QStringLiteral("bytea"); break;
    case ColumnKind::Identity:
        c.sql = isSqlite(d) ? QStringLiteral("INTEGER") : QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY");
        c.identity = true;
        // The table's next value is not part of its structure as read.
        if (!isSqlite(d))
            c.losses << QStringLiteral("the server counts from 1: once the rows are loaded, set its counter past "
                                       "the highest (setval)");
        break;
    }
    return c;
}

// The column of a field by the type the engine reports (Paradox tables, server tables, and
// dBASE types without a rule of their own).
ColumnType columnByType(SqlDialect d, const TableSchema& t, const SchemaField& f, const QString& name)
{
    const bool paradox = t.structure.tableTypeKey == QLatin1String("PARADOX");
    switch (f.entry.type) {
    case FieldType::String: return columnOf(d, ColumnKind::Text, name, f.entry.size);
    case FieldType::SmallInt: return columnOf(d, ColumnKind::SmallInt, name);
    case FieldType::Integer:
        return columnOf(d, f.entry.subtype == subtype::AutoInc ? ColumnKind::Identity : ColumnKind::Integer, name);
    case FieldType::Word: return columnOf(d, ColumnKind::Integer, name);
    case FieldType::Boolean: return columnOf(d, ColumnKind::Boolean, name);
    case FieldType::Float: return columnOf(d, ColumnKind::Double, name);
    case FieldType::Money: {
        // A Paradox money value is a double, which SQLite's REAL keeps as it is.
        if (paradox && isSqlite(d))
            return columnOf(d, ColumnKind::Double, name);
        ColumnType c = columnOf(d, ColumnKind::Numeric, name, 19, 4);
        if (paradox)
            c.losses << QStringLiteral("a Paradox money value is a double: four decimals are kept");
        return c;
    }
    // A Paradox BCD holds 32 digits; a server's numeric says how many it holds.
    case FieldType::BCD:
        return columnOf(d, ColumnKind::Numeric, name, f.entry.units1 > 0 ? f.entry.units1 : BcdDigits, f.entry.units2);
    case FieldType::Date: return columnOf(d, ColumnKind::Date, name);
    case FieldType::Time: return columnOf(d, ColumnKind::Time, name);
    case FieldType::DateTime: return columnOf(d, ColumnKind::Timestamp, name);
    case FieldType::AutoInc: return columnOf(d, ColumnKind::Identity, name);
    case FieldType::Memo: return columnOf(d, ColumnKind::Text, name);
    case FieldType::FmtMemo: {
        ColumnType c = columnOf(d, ColumnKind::Text, name);
        c.losses << QStringLiteral("a formatted memo: its text is kept, its formatting is not");
        return c;
    }
    case FieldType::Bytes:
    case FieldType::VarBytes:
    case FieldType::Blob:
    case FieldType::Graphic:
    case FieldType::ParadoxOle:
    case FieldType::DBaseOle:
    case FieldType::TypedBinary: return columnOf(d, ColumnKind::Bytes, name);
    case FieldType::Unknown: break;
    }
    ColumnType c = columnOf(d, ColumnKind::Bytes, name);
    c.losses << QStringLiteral("a field of unknown type: its stored bytes are kept");
    return c;
}

// The column of a dBASE or FoxPro field by the type its file stores.
ColumnType columnOf(SqlDialect d, const TableSchema& t, const SchemaField& f, const QString& stored,
                    const QString& name)
{
    if (!isDbaseFamily(t.structure.tableTypeKey) || stored.size() != 1)
        return columnByType(d, t, f, name);
    const int width = f.entry.units1;
    const int decimals = f.entry.units2;
    switch (stored.at(0).toLatin1()) {
    case 'N':
    case 'F': {
        ColumnType c = columnOf(d, ColumnKind::Numeric, name, width, decimals);
        // The width counts the sign and the decimal point as well: fewer digits are lost.
        const int digits = decimals > 0 ? width - 1 : width;
        if (isSqlite(d) && c.sql == QLatin1String("REAL") && digits <= RealDigits)
            c.losses.clear();
        return c;
    }
    case 'O': return columnOf(d, ColumnKind::Double, name);
    case 'B': return columnOf(d, f.entry.type == FieldType::Float ? ColumnKind::Double : ColumnKind::Bytes, name);
    case 'Y': return columnOf(d, ColumnKind::Numeric, name, 19, 4);
    case '^': return columnOf(d, ColumnKind::BigInt, name);
    case 'V':
        if (f.entry.type == FieldType::String)
            return columnOf(d, ColumnKind::Text, name, f.entry.size);
        {
            ColumnType c = columnOf(d, ColumnKind::Bytes, name);
            c.losses << QStringLiteral("a variant field: each value's stored bytes are kept, not its type");
            return c;
        }
    case '0': {
        ColumnType c;
        c.skipped = true;
        return c;
    }
    default: return columnByType(d, t, f, name);
    }
}

// The type whose literals a field's validity values are written as.
std::optional<QString> literalOf(SqlDialect d, const SchemaField& f, const ValueSlot& value)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?(e[-+]?[0-9]+)?$"));
    static const QRegularExpression date(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    static const QRegularExpression time(QStringLiteral("^[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{3})?$"));
    static const QRegularExpression timestamp(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{3})?$"));
    const QString text = validityValueText(f.entry.type, value);
    // SQLite compares and checks times as text, in the one form its strftime writes.
    const auto withMilliseconds = [](const QString& t) {
        return t.contains(QLatin1Char('.')) ? t : t + QStringLiteral(".000");
    };
    switch (f.entry.type) {
    case FieldType::String: return stringLiteral(text);
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::Float:
    case FieldType::Money:
    case FieldType::BCD:
        if (number.match(text).hasMatch())
            return text;
        return std::nullopt;
    case FieldType::Boolean:
        if (isSqlite(d))
            return text == QLatin1String("true") ? QStringLiteral("1") : QStringLiteral("0");
        return text.toUpper();
    case FieldType::Date:
        if (date.match(text).hasMatch())
            return stringLiteral(text);
        return std::nullopt;
    case FieldType::Time:
        if (time.match(text).hasMatch())
            return stringLiteral(isSqlite(d) ? withMilliseconds(text) : text);
        return std::nullopt;
    case FieldType::DateTime:
        if (timestamp.match(text).hasMatch())
            return stringLiteral(isSqlite(d) ? withMilliseconds(text) : text);
        return std::nullopt;
    default: return std::nullopt;
    }
}

// Names the server keeps in one namespace (indexes, constraints): each one unique, also
// after PostgreSQL has cut it to its length.
class NameSet {
public:
    explicit NameSet(SqlDialect dialect) : dialect_(dialect) {}

    QString unique(const QString& wanted)
    {
        for (int n = 1;; ++n) {
            const QString suffix = n == 1 ? QString() : QStringLiteral("_%1").arg(n);
            const QString name = fitted(wanted, suffix) + suffix;
            if (!used_.contains(name.toCaseFolded())) {
                used_.insert(name.toCaseFolded());
                return name;
            }
        }
    }

    void reserve(const QString& name) { used_.insert(name.toCaseFolded()); }

private:
    QString fitted(const QString& name, const QString& suffix) const
    {
        if (dialect_ != SqlDialect::PostgreSql)
            return name;
        QString cut = name;
        while (!cut.isEmpty() && (cut + suffix).toUtf8().size() > PostgresNameBytes)
            cut.chop(cut.size() >= 2 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
        return cut;
    }

    SqlDialect dialect_;
    QSet<QString> used_;
};

const QRegularExpression& tableExtension()
{
    static const QRegularExpression e(QStringLiteral("\\.(db|dbf)$"), QRegularExpression::CaseInsensitiveOption);
    return e;
}

// The server's name of every table: its file name without extension. Tables that would
// meet under one name (ORDERS.DB and ORDERS.DBF, or tables of two directories) keep their
// extension, joined by "_", and a number after that when they still meet.
std::vector<QString> serverTableNames(const std::vector<const DdlTable*>& tables, QStringList& notes)
{
    std::map<QString, std::vector<std::size_t>> byBase;
    std::vector<QString> names(tables.size());
    for (std::size_t i = 0; i < tables.size(); ++i) {
        names[i] = tables[i]->schema.table.name;
        names[i].remove(tableExtension());
        byBase[names[i].toCaseFolded()].push_back(i);
    }
    QSet<QString> used;
    for (const auto& [base, members] : byBase)
        if (members.size() == 1)
            used.insert(base);
    for (const auto& [base, members] : byBase) {
        if (members.size() == 1)
            continue;
        QStringList told;
        const QString shared = names[members.front()];
        for (const std::size_t i : members) {
            const QString& file = tables[i]->schema.table.name;
            const auto match = tableExtension().match(file);
            QString name = names[i];
            if (match.hasMatch())
                name += QLatin1Char('_') + match.captured(1);
            for (int n = 2; used.contains(name.toCaseFolded()); ++n)
                name = names[i] + (match.hasMatch() ? QLatin1Char('_') + match.captured(1) : QString()) +
                       QStringLiteral("_%1").arg(n);
            used.insert(name.toCaseFolded());
            told << QStringLiteral("%1 is %2").arg(tables[i]->schema.table.shownName(), quoted(name));
            names[i] = name;
        }
        notes << QStringLiteral("These tables would all be named %1, which the server takes for one name: %2.")
                     .arg(quoted(shared), told.join(QStringLiteral(", ")));
    }
    return names;
}

const SchemaField* fieldNamed(const TableSchema& t, const QString& name)
{
    const auto it = std::find_if(t.fields.begin(), t.fields.end(), [&](const SchemaField& f) {
        return f.entry.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return it == t.fields.end() ? nullptr : &*it;
}

QStringList indexFields(const IndexDescription& index)
{
    return index.fields.isEmpty() ? QStringList() : index.fields.split(QLatin1Char(';'));
}

// The primary key's fields: the primary index's, or the fields marked as the key.
QStringList primaryKey(const TableSchema& t)
{
    for (const auto& i : t.indexes)
        if (i.primary && !i.expressionIndex)
            return indexFields(i);
    QStringList key;
    for (const auto& f : t.fields)
        if (f.entry.key)
            key << f.entry.name;
    return key;
}

// The sets of fields the server can point a foreign key at: the primary key and the
// fields of every unique index.
bool isReferable(const DdlTable& t, const QStringList& fields)
{
    const auto sameSet = [](QStringList a, QStringList b) {
        for (auto* l : {&a, &b})
            for (auto& s : *l)
                s = s.toCaseFolded();
        a.sort();
        b.sort();
        return a == b;
    };
    if (sameSet(primaryKey(t.schema), fields))
        return true;
    return std::any_of(t.schema.indexes.begin(), t.schema.indexes.end(), [&](const IndexDescription& i) {
        return i.unique && !i.expressionIndex && i.forCondition.isEmpty() && sameSet(indexFields(i), fields);
    });
}

class ScriptWriter {
public:
    ScriptWriter(SqlDialect dialect, const std::vector<DdlTable>& tables) : dialect_(dialect), names_(dialect)
    {
        for (const auto& t : tables)
            if (t.schema.ok)
                tables_.push_back(&t);
    }

    QString write(const QString& origin, const QString& version, const std::vector<DdlTable>& all)
    {
        out_ += comment(QString(), QStringLiteral("Structure of the tables of %1 for %2, written by Korvex %3.")
                                       .arg(origin,
                                            isSqlite(dialect_) ? QStringLiteral("SQLite 3.37 or later")
                                                               : QStringLiteral("PostgreSQL"),
                                            version));
        out_ += comment(QString(), QStringLiteral("The tables hold no rows; comments say what a column cannot keep."));
        for (const auto& t : all)
            if (!t.schema.ok)
                out_ += comment(QString(), QStringLiteral("%1 could not be read and is left out: %2")
                                               .arg(t.schema.table.shownName(), t.schema.error));
        QStringList notes;
        tableNames_ = serverTableNames(tables_, notes);
        for (const DdlTable* t : tables_)
            columnNames_.push_back(columnNames(t->schema));
        for (const auto& n : notes)
            out_ += comment(QString(), n);
        for (const auto& n : tableNames_)
            names_.reserve(n);
        out_ += QLatin1Char('\n');
        if (!isSqlite(dialect_))
            out_ += QStringLiteral("SET client_encoding = 'UTF8';\n");
        out_ += QStringLiteral("BEGIN;\n");
        for (std::size_t i = 0; i < tables_.size(); ++i) {
            writeTable(i);
            writeIndexes(i);
        }
        if (!isSqlite(dialect_))
            for (std::size_t i = 0; i < tables_.size(); ++i)
                writeLinks(i);
        out_ += QStringLiteral("\nCOMMIT;\n");
        return out_;
    }

private:
    QStringList storedTypes(std::size_t table) const { return tables_[table]->storedTypes; }

    void writeTable(std::size_t ti)
    {
        const TableSchema& t = tables_[ti]->schema;
        const QString table = quoted(tableNames_[ti]);
        const QStringList stored = storedTypes(ti);
        const QStringList key = primaryKey(t);
        QStringList columnComments;
        QString lines;
        out_ += QLatin1Char('\n');
        out_ += comment(QString(), QStringLiteral("%1: %2").arg(t.table.shownName(), typeOfTableText(t).trimmed()));
        out_ += QStringLiteral("CREATE TABLE %1 (\n").arg(table);
        QStringList columns;
        for (std::size_t fi = 0; fi < t.fields.size(); ++fi) {
            const SchemaField& f = t.fields[fi];
            const QString storedType = fi < std::size_t(stored.size()) ? stored.at(qsizetype(fi)) : QString();
            ColumnType c = columnOf(dialect_, t, f, storedType, columnNames_[ti][fi]);
            const QString col = quoted(columnNames_[ti][fi]);
            QString notes;
            if (columnNames_[ti][fi] != f.entry.name)
                notes += comment(QStringLiteral("    "), QStringLiteral("field %1 is the table's second field named %2")
                                                             .arg(fi + 1)
                                                             .arg(quoted(f.entry.name)));
            if (c.skipped) {
                notes +=
                    comment(QStringLiteral("    "),
                            QStringLiteral("%1 is left out: the table's own record of blank fields, no data").arg(col));
                lines += notes;
                continue;
            }
            QString definition = col + QLatin1Char(' ') + c.sql;
            if (c.identity && isSqlite(dialect_) && !(key.size() == 1 && key.front() == f.entry.name))
                c.losses << QStringLiteral("SQLite counts only a single INTEGER PRIMARY KEY by itself: this "
                                           "counter is not kept");
            if (f.checks.required && !c.identity)
                definition += QStringLiteral(" NOT NULL");
            if (f.checks.defaultValue) {
                const auto value = literalOf(dialect_, f, *f.checks.defaultValue);
                if (c.identity)
                    c.losses << QStringLiteral("the default is left out: the server numbers the rows");
                else if (value)
                    definition += QStringLiteral(" DEFAULT ") + *value;
                else
                    c.losses << QStringLiteral("the default %1 is left out: it is no value of the column")
                                    .arg(validityValueText(f.entry.type, *f.checks.defaultValue));
            }
            for (const auto& check : c.checks)
                definition += QStringLiteral(" CHECK (%1)").arg(check);
            QStringList range;
            for (const auto& [bound, op, word] :
                 {std::tuple{&f.checks.minimum, ">=", "minimum"}, std::tuple{&f.checks.maximum, "<=", "maximum"}}) {
                if (!*bound)
                    continue;
                if (const auto value = literalOf(dialect_, f, **bound))
                    range << QStringLiteral("%1 %2 %3").arg(col, QLatin1String(op), *value);
                else
                    c.losses << QStringLiteral("the %1 %2 is left out: it is no value of the column")
                                    .arg(QLatin1String(word), validityValueText(f.entry.type, **bound));
            }
            if (!range.isEmpty())
                definition += QStringLiteral(" CHECK (%1)").arg(range.join(QStringLiteral(" AND ")));
            if (!f.checks.picture.isEmpty()) {
                if (isSqlite(dialect_))
                    notes += comment(QStringLiteral("    "),
                                     QStringLiteral("%1: picture %2").arg(col, f.checks.picture));
                else
                    columnComments << QStringLiteral("COMMENT ON COLUMN %1.%2 IS %3;\n")
                                          .arg(table, col,
                                               stringLiteral(QStringLiteral("Picture: ") + f.checks.picture));
            }
            for (const auto& loss : c.losses)
                notes += comment(QStringLiteral("    "), QStringLiteral("%1: %2").arg(col, loss));
            columns << notes + QStringLiteral("    ") + definition;
        }
        QStringList keyColumns;
        for (const auto& k : key)
            if (const SchemaField* f = fieldNamed(t, k))
                keyColumns << column(ti, f);
        if (!keyColumns.isEmpty() && keyColumns.size() == key.size())
            columns << QStringLiteral("    PRIMARY KEY (%1)").arg(keyColumns.join(QStringLiteral(", ")));
        if (isSqlite(dialect_))
            addSqliteLinks(ti, columns, lines);
        out_ += columns.join(QStringLiteral(",\n"));
        if (!lines.isEmpty())
            out_ += (columns.isEmpty() ? QString() : QStringLiteral("\n")) + lines.chopped(1);
        out_ += isSqlite(dialect_) ? QStringLiteral("\n) STRICT;\n") : QStringLiteral("\n);\n");
        for (const auto& c : columnComments)
            out_ += c;
    }

    void writeIndexes(std::size_t ti)
    {
        const TableSchema& t = tables_[ti]->schema;
        const QString table = quoted(tableNames_[ti]);
        const bool dbase = isDbaseFamily(t.structure.tableTypeKey);
        for (const auto& i : t.indexes) {
            if (i.primary)
                continue;
            const auto leftOut = [&](const QString& why) {
                out_ += comment(QString(), QStringLiteral("The index %1 of %2 is left out: %3")
                                               .arg(quoted(i.name), t.table.shownName(), why));
            };
            const QString direction = i.descending ? QStringLiteral(" DESC") : QString();
            QStringList keys;
            if (i.expressionIndex || i.fields.isEmpty()) {
                const auto expression = translateXbaseExpression(dialect_, i.expression, t.fields);
                if (!expression) {
                    leftOut(QStringLiteral("its key %1 has no SQL form here").arg(i.expression));
                    continue;
                }
                keys << QLatin1Char('(') + *expression + QLatin1Char(')') + direction;
            } else {
                bool found = true;
                for (const auto& name : indexFields(i)) {
                    const SchemaField* f = fieldNamed(t, name);
                    if (!f) {
                        found = false;
                        break;
                    }
                    const QString col = column(ti, f);
                    const bool lower = i.caseInsensitive && f->entry.type == FieldType::String;
                    keys << (lower ? QStringLiteral("lower(%1)").arg(col) : col) + direction;
                }
                if (!found) {
                    leftOut(QStringLiteral("the table has no field %1").arg(i.fields));
                    continue;
                }
            }
            QString where;
            const QString condition = i.forCondition.simplified();
            if (isNotDeleted(condition)) {
                out_ += comment(QString(), QStringLiteral("%1: FOR %2 holds for every row of a migrated table")
                                               .arg(quoted(i.name), condition));
            } else if (!condition.isEmpty()) {
                const auto translated = translateXbaseExpression(dialect_, condition, t.fields);
                if (!translated) {
                    leftOut(QStringLiteral("its condition FOR %1 has no SQL form here").arg(condition));
                    continue;
                }
                where = QStringLiteral(" WHERE ") + *translated;
            }
            if (dbase && i.unique)
                out_ += comment(QString(), QStringLiteral("%1: a unique dBASE tag lists only the first record of each "
                                                          "key; here no two rows may share one")
                                               .arg(quoted(i.name)));
            if (!i.maintained)
                out_ += comment(QString(),
                                QStringLiteral("%1: the table does not keep this index up to date; the server does")
                                    .arg(quoted(i.name)));
            const QString name = names_.unique(tableNames_[ti] + QLatin1Char('_') + i.name);
            out_ += QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)%5;\n")
                        .arg(i.unique ? QStringLiteral("UNIQUE ") : QString(), quoted(name), table,
                             keys.join(QStringLiteral(", ")), where);
        }
    }

    static bool isNotDeleted(const QString& condition)
    {
        static const QRegularExpression notDeleted(QStringLiteral("^(\\.NOT\\.|!|NOT)\\s*DELETED\\s*\\(\\s*\\)$"),
                                                   QRegularExpression::CaseInsensitiveOption);
        return notDeleted.match(condition).hasMatch();
    }

    // The table of the set a link names: one of the same directory first.
    std::optional<std::size_t> findTable(const TableSchema& from, const QString& name) const
    {
        std::optional<std::size_t> found;
        for (std::size_t i = 0; i < tables_.size(); ++i) {
            const TableEntry& e = tables_[i]->schema.table;
            if (e.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (e.databaseName == from.table.databaseName)
                return i;
            if (!found)
                found = i;
        }
        return found;
    }

    // The foreign-key clause of a master link, or why the link is left out.
    struct LinkClause {
        QString name;
        QString clause;
        QString leftOut;
    };

    LinkClause linkClause(std::size_t ti, const SchemaLink& l)
    {
        const TableSchema& t = tables_[ti]->schema;
        LinkClause c;
        const auto leftOut = [&](const QString& why) {
            c.leftOut = QStringLiteral("The link %1 of %2 to %3 is left out: %4")
                            .arg(quoted(l.name), t.table.shownName(), l.relatedTable, why);
            return c;
        };
        const auto master = findTable(t, l.relatedTable);
        if (!master)
            return leftOut(QStringLiteral("the master table is not in this script"));
        QStringList mine;
        QStringList theirs;
        QStringList theirNames;
        for (const auto& [a, b] : l.pairs) {
            const SchemaField* fa = fieldNamed(t, a);
            const SchemaField* fb = fieldNamed(tables_[*master]->schema, b);
            if (!fa || !fb)
                return leftOut(QStringLiteral("the field %1 is missing").arg(fa ? b : a));
            mine << column(ti, fa);
            theirs << column(*master, fb);
            theirNames << fb->entry.name;
        }
        if (mine.isEmpty())
            return leftOut(QStringLiteral("it links no fields"));
        if (!isReferable(*tables_[*master], theirNames))
            return leftOut(
                QStringLiteral("the master's fields %1 are not its key").arg(theirs.join(QStringLiteral(", "))));
        c.name = names_.unique(tableNames_[ti] + QLatin1Char('_') + l.name);
        c.clause = QStringLiteral("FOREIGN KEY (%1) REFERENCES %2 (%3) ON UPDATE %4 ON DELETE RESTRICT")
                       .arg(mine.join(QStringLiteral(", ")), quoted(tableNames_[*master]),
                            theirs.join(QStringLiteral(", ")),
                            l.cascade ? QStringLiteral("CASCADE") : QStringLiteral("RESTRICT"));
        return c;
    }

    // SQLite adds no constraint to a table that exists, but takes a foreign key to a table
    // that does not exist yet: its links stand in the table's definition.
    void addSqliteLinks(std::size_t ti, QStringList& columns, QString& notes)
    {
        for (const auto& l : tables_[ti]->schema.links) {
            if (!l.master)
                continue;
            const LinkClause c = linkClause(ti, l);
            if (c.clause.isEmpty())
                notes += comment(QStringLiteral("    "), c.leftOut);
            else
                columns << QStringLiteral("    CONSTRAINT %1 %2").arg(quoted(c.name), c.clause);
        }
    }

    void writeLinks(std::size_t ti)
    {
        for (const auto& l : tables_[ti]->schema.links) {
            if (!l.master)
                continue;
            if (!linksStarted_) {
                out_ += QStringLiteral("\n");
                out_ += comment(QString(), QStringLiteral("The links, once every table is there."));
                linksStarted_ = true;
            }
            const LinkClause c = linkClause(ti, l);
            if (c.clause.isEmpty())
                out_ += comment(QString(), c.leftOut);
            else
                out_ += QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3;\n")
                            .arg(quoted(tableNames_[ti]), quoted(c.name), c.clause);
        }
    }

    // Each field's column: its name, or for a later field of a name SQL takes for the same
    // (also with other capitals), that name and its field number.
    static std::vector<QString> columnNames(const TableSchema& t)
    {
        std::vector<QString> names;
        QSet<QString> used;
        for (const auto& f : t.fields)
            used.insert(f.entry.name.toCaseFolded());
        QSet<QString> taken;
        for (std::size_t i = 0; i < t.fields.size(); ++i) {
            QString name = t.fields[i].entry.name;
            if (taken.contains(name.toCaseFolded())) {
                const QString base = name;
                for (int n = 0; n == 0 || used.contains(name.toCaseFolded()); ++n)
                    name = base + QStringLiteral("_%1").arg(n == 0 ? QString::number(i + 1)
                                                                   : QStringLiteral("%1_%2").arg(i + 1).arg(n));
                used.insert(name.toCaseFolded());
            }
            taken.insert(name.toCaseFolded());
            names.push_back(name);
        }
        return names;
    }

    QString column(std::size_t ti, const SchemaField* f) const
    {
        return quoted(columnNames_[ti][std::size_t(f - tables_[ti]->schema.fields.data())]);
    }

    SqlDialect dialect_;
    std::vector<std::vector<QString>> columnNames_;
    std::vector<const DdlTable*> tables_;
    std::vector<QString> tableNames_;
    NameSet names_;
    QString out_;
    bool linksStarted_ = false;
};

} // namespace

std::optional<SqlDialect> sqlDialectNamed(const QString& name)
{
    if (name == QLatin1String("postgresql"))
        return SqlDialect::PostgreSql;
    if (name == QLatin1String("sqlite"))
        return SqlDialect::Sqlite;
    return std::nullopt;
}

std::vector<DdlTable> readDdlTables(DatabaseEngine& engine, std::vector<TableSchema> schemas)
{
    std::vector<DdlTable> tables;
    tables.reserve(schemas.size());
    TableSource source(engine);
    for (auto& schema : schemas) {
        DdlTable t{std::move(schema), {}};
        if (t.schema.ok) {
            try {
                source.open(t.schema.table.databaseName, t.schema.table.name);
                if (const TableDefinition* definition = source.definition())
                    for (const auto& f : definition->fields)
                        t.storedTypes << f.storedType;
            } catch (const EngineError&) {
                // the types the engine reports stand in for the stored ones
            }
            source.close();
        }
        tables.push_back(std::move(t));
    }
    return tables;
}

namespace {

// One token of a dBASE expression.
struct XbaseToken {
    enum class Kind { Name, String, Number, Operator, End } kind = Kind::End;
    QString text;
};

// Splits an expression into tokens; nothing when a character belongs to none.
std::optional<std::vector<XbaseToken>> xbaseTokens(const QString& e)
{
    using Kind = XbaseToken::Kind;
    std::vector<XbaseToken> tokens;
    qsizetype i = 0;
    const auto at = [&](qsizetype k) { return k < e.size() ? e.at(k) : QChar(); };
    while (i < e.size()) {
        const QChar c = e.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            qsizetype j = i;
            while (j < e.size() && (e.at(j).isLetterOrNumber() || e.at(j) == QLatin1Char('_')))
                ++j;
            tokens.push_back({Kind::Name, e.mid(i, j - i)});
            i = j;
        } else if (c.isDigit() || (c == QLatin1Char('.') && at(i + 1).isDigit())) {
            qsizetype j = i;
            while (j < e.size() && (e.at(j).isDigit() || e.at(j) == QLatin1Char('.')))
                ++j;
            tokens.push_back({Kind::Number, e.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const qsizetype j = e.indexOf(close, i + 1);
            if (j < 0)
                return std::nullopt;
            tokens.push_back({Kind::String, e.mid(i + 1, j - i - 1)});
            i = j + 1;
        } else if (c == QLatin1Char('.')) {
            const qsizetype j = e.indexOf(QLatin1Char('.'), i + 1);
            if (j < 0)
                return std::nullopt;
            tokens.push_back({Kind::Operator, e.mid(i, j - i + 1).toUpper()});
            i = j + 1;
        } else {
            static const QStringList pairs = {QStringLiteral("=="), QStringLiteral("<>"), QStringLiteral("!="),
                                              QStringLiteral("<="), QStringLiteral(">=")};
            const QString two = e.mid(i, 2);
            if (pairs.contains(two)) {
                tokens.push_back({Kind::Operator, two});
                i += 2;
            } else if (QStringLiteral("+-*/()=<>#!,").contains(c)) {
                tokens.push_back({Kind::Operator, QString(c)});
                ++i;
            } else {
                return std::nullopt;
            }
        }
    }
    return tokens;
}

const SchemaField* xbaseField(const std::vector<SchemaField>& fields, const XbaseToken& token)
{
    if (token.kind != XbaseToken::Kind::Name)
        return nullptr;
    const auto f = std::find_if(fields.begin(), fields.end(), [&](const SchemaField& s) {
        return s.entry.name.compare(token.text, Qt::CaseInsensitive) == 0;
    });
    return f == fields.end() ? nullptr : &*f;
}

// STR(field[, width[, decimals]]) from the token k of its name, which is left on its ")":
// the number rounded to its decimals and right-aligned in width characters (10 and 0 when
// not given).
std::optional<QString> strCall(SqlDialect dialect, const std::vector<XbaseToken>& tokens, std::size_t& k,
                               const std::vector<SchemaField>& fields)
{
    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,2}$"));
    const auto text = [&](std::size_t i) { return i < tokens.size() ? tokens[i].text : QString(); };
    const SchemaField* f = k + 2 < tokens.size() ? xbaseField(fields, tokens[k + 2]) : nullptr;
    if (text(k + 1) != QLatin1String("(") || !f)
        return std::nullopt;
    switch (f->entry.type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Float:
    case FieldType::BCD:
    case FieldType::Money:
    case FieldType::AutoInc: break;
    default: return std::nullopt;
    }
    QStringList numbers;
    std::size_t i = k + 3;
    while (text(i) == QLatin1String(",") && whole.match(text(i + 1)).hasMatch() && numbers.size() < 2) {
        numbers << text(i + 1);
        i += 2;
    }
    if (text(i) != QLatin1String(")"))
        return std::nullopt;
    k = i;
    const QString width = numbers.value(0, QStringLiteral("10"));
    const QString decimals = numbers.value(1, QStringLiteral("0"));
    const QString col = quoted(f->entry.name);
    if (dialect == SqlDialect::Sqlite)
        return QStringLiteral("printf('%%1.%2f', %3)").arg(width, decimals, col);
    return QStringLiteral("lpad(round(%1::numeric, %2)::text, %3)").arg(col, decimals, width);
}

} // namespace

std::optional<QString> translateXbaseExpression(SqlDialect dialect, const QString& expression,
                                                const std::vector<SchemaField>& fields)
{
    using Kind = XbaseToken::Kind;
    const auto tokens = xbaseTokens(expression);
    if (!tokens || tokens->empty())
        return std::nullopt;
    // "+" joins texts in dBASE and adds numbers: it is translated only where every field
    // it could meet is a text, and then "-" (which moves blanks) is not.
    bool texts = false;
    bool others = false;
    for (std::size_t k = 0; k < tokens->size(); ++k) {
        const XbaseToken& t = (*tokens)[k];
        // DTOS and STR make a text of what they are given: a text term as a whole.
        const QString upper = t.text.toUpper();
        if (t.kind == Kind::Name && (upper == QLatin1String("DTOS") || upper == QLatin1String("STR"))) {
            texts = true;
            while (k < tokens->size() && (*tokens)[k].text != QLatin1String(")"))
                ++k;
            continue;
        }
        if (t.kind == Kind::String)
            texts = true;
        if (t.kind == Kind::Number)
            others = true;
        if (t.kind != Kind::Name)
            continue;
        const auto f = std::find_if(fields.begin(), fields.end(), [&](const SchemaField& s) {
            return s.entry.name.compare(t.text, Qt::CaseInsensitive) == 0;
        });
        if (f != fields.end())
            (f->entry.type == FieldType::String ? texts : others) = true;
    }
    const bool sqlite = dialect == SqlDialect::Sqlite;
    QString sql;
    bool afterFunction = false;
    // Tokens joined by blanks, except inside parentheses' edges, before a comma and between
    // a function and its arguments.
    const auto add = [&](const QString& token) {
        const bool glued = token == QLatin1String(")") || token == QLatin1String(",") ||
                           (token == QLatin1String("(") && afterFunction) || sql.endsWith(QLatin1Char('('));
        if (!sql.isEmpty() && !glued)
            sql += QLatin1Char(' ');
        sql += token;
        afterFunction = false;
    };
    for (std::size_t k = 0; k < tokens->size(); ++k) {
        const XbaseToken& t = (*tokens)[k];
        const bool call = k + 1 < tokens->size() && (*tokens)[k + 1].text == QLatin1String("(");
        switch (t.kind) {
        case Kind::Name: {
            const QString upper = t.text.toUpper();
            if (call) {
                static const std::map<QString, QString> functions = {
                    {QStringLiteral("UPPER"), QStringLiteral("upper")},
                    {QStringLiteral("LOWER"), QStringLiteral("lower")},
                    {QStringLiteral("TRIM"), QStringLiteral("rtrim")},
                    {QStringLiteral("RTRIM"), QStringLiteral("rtrim")},
                    {QStringLiteral("LTRIM"), QStringLiteral("ltrim")},
                    {QStringLiteral("ALLTRIM"), QStringLiteral("trim")},
                };
                if (const auto it = functions.find(upper); it != functions.end()) {
                    add(it->second);
                    afterFunction = true;
                    continue;
                }
                // DTOS(date): the date as YYYYMMDD, in PostgreSQL through functions an
                // index may use (to_char may not).
                if (upper == QLatin1String("DTOS") && k + 3 < tokens->size() &&
                    (*tokens)[k + 3].text == QLatin1String(")")) {
                    const XbaseToken& arg = (*tokens)[k + 2];
                    const auto f = std::find_if(fields.begin(), fields.end(), [&](const SchemaField& s) {
                        return s.entry.name.compare(arg.text, Qt::CaseInsensitive) == 0;
                    });
                    if (arg.kind != Kind::Name || f == fields.end() || f->entry.type != FieldType::Date)
                        return std::nullopt;
                    const QString col = quoted(f->entry.name);
                    add(sqlite ? QStringLiteral("strftime('%Y%m%d', %1)").arg(col)
                               : QStringLiteral("lpad((extract(year from %1) * 10000 + extract(month from %1) * "
                                                "100 + extract(day from %1))::integer::text, 8, '0')")
                                     .arg(col));
                    k += 3;
                    continue;
                }
                // STR(number, width, decimals): right-aligned in width characters.
                if (upper == QLatin1String("STR")) {
                    const auto str = strCall(dialect, *tokens, k, fields);
                    if (!str)
                        return std::nullopt;
                    add(*str);
                    continue;
                }
                return std::nullopt;
            }
            if (upper == QLatin1String("NOT") || upper == QLatin1String("AND") || upper == QLatin1String("OR")) {
                add(upper);
                continue;
            }
            const auto f = std::find_if(fields.begin(), fields.end(), [&](const SchemaField& s) {
                return s.entry.name.compare(t.text, Qt::CaseInsensitive) == 0;
            });
            if (f == fields.end())
                return std::nullopt;
            add(quoted(f->entry.name));
            break;
        }
        case Kind::String: add(stringLiteral(t.text)); break;
        case Kind::Number:
            if (t.text.count(QLatin1Char('.')) > 1 || t.text.endsWith(QLatin1Char('.')))
                return std::nullopt;
            add(t.text.startsWith(QLatin1Char('.')) ? QLatin1Char('0') + t.text : t.text);
            break;
        case Kind::Operator: {
            static const std::map<QString, QString> same = {
                {QStringLiteral(".AND."), QStringLiteral("AND")}, {QStringLiteral(".OR."), QStringLiteral("OR")},
                {QStringLiteral(".NOT."), QStringLiteral("NOT")}, {QStringLiteral("!"), QStringLiteral("NOT")},
                {QStringLiteral("<"), QStringLiteral("<")},       {QStringLiteral(">"), QStringLiteral(">")},
                {QStringLiteral("<="), QStringLiteral("<=")},     {QStringLiteral(">="), QStringLiteral(">=")},
                {QStringLiteral("("), QStringLiteral("(")},       {QStringLiteral(")"), QStringLiteral(")")},
                {QStringLiteral(","), QStringLiteral(",")},
            };
            // Where a text is involved dBASE means something else: "=" compares a text's
            // beginning only, "-" moves blanks to the end.
            static const std::map<QString, QString> numeric = {
                {QStringLiteral("+"), QStringLiteral("+")},   {QStringLiteral("-"), QStringLiteral("-")},
                {QStringLiteral("*"), QStringLiteral("*")},   {QStringLiteral("/"), QStringLiteral("/")},
                {QStringLiteral("="), QStringLiteral("=")},   {QStringLiteral("=="), QStringLiteral("=")},
                {QStringLiteral("<>"), QStringLiteral("<>")}, {QStringLiteral("#"), QStringLiteral("<>")},
                {QStringLiteral("!="), QStringLiteral("<>")},
            };
            const QString& o = t.text;
            if (o == QLatin1String(".T.") || o == QLatin1String(".F.")) {
                const bool value = o == QLatin1String(".T.");
                add(sqlite ? (value ? QStringLiteral("1") : QStringLiteral("0"))
                           : (value ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
            } else if (o == QLatin1String("+") && texts && !others) {
                add(QStringLiteral("||"));
            } else if (const auto it = same.find(o); it != same.end()) {
                add(it->second);
            } else if (const auto n = numeric.find(o); n != numeric.end() && !texts) {
                add(n->second);
            } else {
                return std::nullopt;
            }
            break;
        }
        case Kind::End: break;
        }
    }
    return sql;
}

QByteArray ddlScript(SqlDialect dialect, const QString& origin, const QString& version,
                     const std::vector<DdlTable>& tables)
{
    return ScriptWriter(dialect, tables).write(origin, version, tables).toUtf8();
}

} // namespace korvex
