#include "StructureDiff.h"

#include "DdlScript.h"
#include "SchemaTexts.h"
#include "SqlDialect.h"
#include "XbaseExpression.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <optional>

namespace korvex {

namespace {

QString builtInLabel(const QString& text)
{
    return text;
}

QString flagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

bool isDesktop(const StructureTable& t)
{
    return t.tableTypeKey == QLatin1String("PARADOX") || isDbaseFamily(t.tableTypeKey);
}

// The server a migration script is written for that holds the table, if it is one.
std::optional<SqlDialect> dialectOf(const StructureTable& t)
{
    if (t.tableTypeKey == QLatin1String("POSTGRESQL"))
        return SqlDialect::PostgreSql;
    if (t.tableTypeKey == QLatin1String("SQLITE"))
        return SqlDialect::Sqlite;
    return std::nullopt;
}

// A table's name without its directory's extension, as a migrated table is named; a
// server's name that it quotes (one with capitals) without its quotes.
QString tableKey(QString name)
{
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        return name.mid(1, name.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    static const QRegularExpression Extension(QStringLiteral("\\.(db|dbf)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    return name.remove(Extension);
}

// The table a link names, as its base name in any case: the path, drive and extension
// of a table file, or the schema a server puts before it, do not tell tables apart here.
QString relatedKey(const QString& name)
{
    QString base = name.mid(std::max({name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')),
                                      name.lastIndexOf(QLatin1Char(':'))}) +
                            1);
    const QString withoutExtension = tableKey(base);
    // a server's name of a table outside the schema read: the schema, a dot and the table
    if (withoutExtension.size() == base.size() && base.contains(QLatin1Char('.')))
        base = base.mid(base.lastIndexOf(QLatin1Char('.')) + 1);
    else
        base = withoutExtension;
    base.remove(QLatin1Char('"'));
    return base.toCaseFolded();
}

// For each name of before, the index of its match in after or -1: the same name first,
// then the same name in other capitals where only one name on each side has it.
std::vector<int> matchNames(const QStringList& before, const QStringList& after)
{
    std::vector<int> match(std::size_t(before.size()), -1);
    std::vector<bool> taken(std::size_t(after.size()), false);
    QHash<QString, QList<int>> exact;
    for (int j = 0; j < after.size(); ++j)
        exact[after[j]].append(j);
    for (int i = 0; i < before.size(); ++i) {
        auto& candidates = exact[before[i]];
        if (!candidates.isEmpty()) {
            match[std::size_t(i)] = candidates.takeFirst();
            taken[std::size_t(match[std::size_t(i)])] = true;
        }
    }
    QHash<QString, QList<int>> foldedBefore;
    QHash<QString, QList<int>> foldedAfter;
    for (int i = 0; i < before.size(); ++i)
        if (match[std::size_t(i)] < 0)
            foldedBefore[before[i].toCaseFolded()].append(i);
    for (int j = 0; j < after.size(); ++j)
        if (!taken[std::size_t(j)])
            foldedAfter[after[j].toCaseFolded()].append(j);
    for (auto it = foldedBefore.cbegin(); it != foldedBefore.cend(); ++it) {
        const auto other = foldedAfter.constFind(it.key());
        if (it->size() == 1 && other != foldedAfter.cend() && other->size() == 1)
            match[std::size_t(it->front())] = other->front();
    }
    return match;
}

// A server's column type in one spelling: the forms a catalog writes and the script's own
// ("character varying(20)" and "varchar(20)", "timestamp(3) without time zone" and
// "timestamp(3)") meet, and an identity column says so.
QString canonicalType(const QString& type, bool identity)
{
    QString t = type.simplified().toLower();
    static const QRegularExpression Identity(QStringLiteral(" generated (by default|always) as identity.*$"));
    if (t.contains(Identity)) {
        t.remove(Identity);
        identity = true;
    }
    t.remove(QStringLiteral(" without time zone"));
    t.replace(QRegularExpression(QStringLiteral("\\s*\\(\\s*")), QStringLiteral("("));
    t.replace(QRegularExpression(QStringLiteral("\\s*,\\s*")), QStringLiteral(","));
    t.replace(QRegularExpression(QStringLiteral("\\s*\\)")), QStringLiteral(")"));
    static const std::vector<std::pair<QRegularExpression, QString>> Synonyms = {
        {QRegularExpression(QStringLiteral("^character varying")), QStringLiteral("varchar")},
        {QRegularExpression(QStringLiteral("^character")), QStringLiteral("char")},
        {QRegularExpression(QStringLiteral("^(int4|int)$")), QStringLiteral("integer")},
        {QRegularExpression(QStringLiteral("^int2$")), QStringLiteral("smallint")},
        {QRegularExpression(QStringLiteral("^int8$")), QStringLiteral("bigint")},
        {QRegularExpression(QStringLiteral("^float8$")), QStringLiteral("double precision")},
        {QRegularExpression(QStringLiteral("^bool$")), QStringLiteral("boolean")},
        {QRegularExpression(QStringLiteral("^decimal")), QStringLiteral("numeric")},
    };
    for (const auto& [from, to] : Synonyms)
        t.replace(from, to);
    // a numeric without a scale has none
    static const QRegularExpression WholeNumeric(QStringLiteral("^numeric\\((\\d+)\\)$"));
    t.replace(WholeNumeric, QStringLiteral("numeric(\\1,0)"));
    return identity ? t + QStringLiteral(" identity") : t;
}

// A key expression or condition in one spelling, so that a dBASE tag's expression as the
// script translates it and as the server gives it back meet: no quotes, casts, blanks or
// parentheses, one case.
QString canonicalExpression(QString e)
{
    e = e.toLower();
    e.remove(QLatin1Char('"'));
    e.remove(QRegularExpression(QStringLiteral("\\s+")));
    e.remove(QRegularExpression(QStringLiteral("::[a-z_]+(\\[\\])?(\\(\\d+(,\\d+)?\\))?")));
    e.remove(QLatin1Char('('));
    e.remove(QLatin1Char(')'));
    return e;
}

// What the two tables' kinds make of a comparison.
struct Comparison {
    bool acrossEngines = false;
    std::optional<SqlDialect> dialect; // the server side's, when the script maps to it
};

// The stored types a field may have where a snapshot has not kept it: a dBASE number is
// the text number "N" or a binary double, which a snapshot does not tell apart; FoxPro's
// record of blank fields has its own name.
QStringList storedTypesOf(const StructureTable& t, const StructureField& f)
{
    if (!f.storedType.isEmpty() || !isDbaseFamily(t.tableTypeKey))
        return {f.storedType};
    if (f.entry.type == FieldType::Float && f.entry.units1 > 0)
        return {QStringLiteral("N"), QStringLiteral("O")};
    if (f.entry.type == FieldType::SmallInt && f.entry.units1 > 0)
        return {QStringLiteral("N")};
    if (f.entry.type == FieldType::Bytes && f.entry.name == QLatin1String("_NullFlags"))
        return {QStringLiteral("0")};
    return {QString()};
}

// The field's types as a server holds it: its own, or what the migration script maps it
// to, one for each stored type it may have; empty for a field the script leaves out.
QStringList serverTypesOf(const StructureTable& t, const StructureField& f, SqlDialect dialect)
{
    if (!isDesktop(t))
        return {canonicalType(f.serverType, f.entry.type == FieldType::AutoInc)};
    QStringList types;
    for (const QString& stored : storedTypesOf(t, f)) {
        const QString mapped = ddlColumnType(dialect, t.tableTypeKey, f.entry, stored);
        if (!mapped.isEmpty())
            types << canonicalType(mapped, false);
    }
    return types;
}

bool isIdentity(const StructureField& f)
{
    return f.entry.type == FieldType::AutoInc;
}

// A validity value in one form: numbers by their value, times without zero milliseconds.
bool sameValue(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    bool okA = false;
    bool okB = false;
    const double x = a.toDouble(&okA);
    const double y = b.toDouble(&okB);
    if (okA && okB)
        return x == y;
    static const QRegularExpression ZeroMilliseconds(QStringLiteral("(:\\d\\d)\\.0+$"));
    QString ta = a;
    QString tb = b;
    ta.replace(ZeroMilliseconds, QStringLiteral("\\1"));
    tb.replace(ZeroMilliseconds, QStringLiteral("\\1"));
    return ta == tb;
}

// A server's value as SQL writes it, where its catalog gives the literal itself (SQLite's
// text columns): a text without its quotes, a logical value of the table file's field as
// true or false.
QString literalValue(const QString& value, FieldType desktopType)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
        return value.mid(1, value.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    if (desktopType == FieldType::Boolean && (value == QLatin1String("0") || value == QLatin1String("1")))
        return flagText(value == QLatin1String("1"));
    return value;
}

// Whether a CHECK of the server's table bounds the column by the value (as the migration
// script writes it: a text in quotes, a time with its milliseconds).
bool rangeInChecks(const StructureTable& t, const QString& column, const QString& op, const QString& value)
{
    static const QRegularExpression Blanks(QStringLiteral("\\s+"));
    QStringList forms;
    for (const QString& literal : {value, sqlString(value), sqlString(value + QStringLiteral(".000"))}) {
        QString form = sqlIdentifier(column) + op + literal;
        forms << form.remove(Blanks);
    }
    return std::any_of(t.checks.begin(), t.checks.end(), [&](const CheckConstraint& check) {
        const QString expression = QString(check.expression).remove(Blanks);
        return std::any_of(forms.begin(), forms.end(), [&](const QString& f) { return expression.contains(f); });
    });
}

void compareValue(std::vector<ValueChange>& changes, const QString& item, const QString& before, const QString& after)
{
    if (!sameValue(before, after))
        changes.push_back({item, before, after});
}

void compareFlag(std::vector<ValueChange>& changes, const QString& item, bool before, bool after)
{
    if (before != after)
        changes.push_back({item, flagText(before), flagText(after)});
}

std::pair<QString, QString> sizeAndDecimals(const StructureTable& t, const StructureField& f)
{
    const QString text = fieldSizeText(f.entry, t.tableTypeKey);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    return comma < 0 ? std::pair{text, QStringLiteral("0")} : std::pair{text.left(comma), text.mid(comma + 1)};
}

std::vector<ValueChange> fieldChanges(const StructureTable& tb, const StructureField& b, const StructureTable& ta,
                                      const StructureField& a, const Comparison& c)
{
    std::vector<ValueChange> changes;
    if (c.acrossEngines && c.dialect) {
        const QStringList before = serverTypesOf(tb, b, *c.dialect);
        const QStringList after = serverTypesOf(ta, a, *c.dialect);
        if (std::none_of(before.begin(), before.end(), [&](const QString& type) { return after.contains(type); }))
            changes.push_back(
                {QStringLiteral("type"), before.join(QStringLiteral(" or ")), after.join(QStringLiteral(" or "))});
    } else {
        compareValue(changes, QStringLiteral("type"), fieldTypeName(b.entry, builtInLabel),
                     fieldTypeName(a.entry, builtInLabel));
        if (!c.acrossEngines) {
            const auto [sizeB, decimalsB] = sizeAndDecimals(tb, b);
            const auto [sizeA, decimalsA] = sizeAndDecimals(ta, a);
            compareValue(changes, QStringLiteral("size"), sizeB, sizeA);
            compareValue(changes, QStringLiteral("decimals"), decimalsB, decimalsA);
            if (!b.serverType.isEmpty() && !a.serverType.isEmpty() &&
                canonicalType(b.serverType, false) != canonicalType(a.serverType, false))
                changes.push_back({QStringLiteral("server type"), b.serverType, a.serverType});
        }
    }
    // A server keeps the key and the counter's column filled by itself.
    const auto required = [&](const StructureField& f) {
        return f.required || (c.acrossEngines && (f.entry.key || isIdentity(f)));
    };
    compareFlag(changes, QStringLiteral("required"), required(b), required(a));
    const auto value = [&](const StructureTable& t, const StructureField& f, const QString& v) {
        return c.acrossEngines && !isDesktop(t) ? literalValue(v, (&f == &b ? a : b).entry.type) : v;
    };
    // A range the server's catalog gives back as a CHECK of the table, not of the column.
    const auto bound = [&](const StructureTable& t, const StructureField& f, const QString& v, const char* op) {
        const StructureField& other = &f == &b ? a : b;
        const QString& wanted = op[0] == '>' ? other.minimum : other.maximum;
        if (!c.acrossEngines || isDesktop(t) || !v.isEmpty() || wanted.isEmpty())
            return value(t, f, v);
        return rangeInChecks(t, f.entry.name, QLatin1String(op), wanted) ? wanted : QString();
    };
    compareValue(changes, QStringLiteral("minimum"), bound(tb, b, b.minimum, ">="), bound(ta, a, a.minimum, ">="));
    compareValue(changes, QStringLiteral("maximum"), bound(tb, b, b.maximum, "<="), bound(ta, a, a.maximum, "<="));
    compareValue(changes, QStringLiteral("default"), value(tb, b, b.defaultValue), value(ta, a, a.defaultValue));
    // A server keeps a picture as a comment, which no catalog gives back as one.
    if (!c.acrossEngines)
        compareValue(changes, QStringLiteral("picture"), b.picture, a.picture);
    compareFlag(changes, QStringLiteral("key"), b.entry.key, a.entry.key);
    return changes;
}

QString indexText(const IndexDescription& i)
{
    QStringList parts;
    if (!i.fields.isEmpty())
        parts << i.fields.split(QLatin1Char(';')).join(QStringLiteral(", "));
    if (!i.expression.isEmpty())
        parts << i.expression;
    QString text = QStringLiteral("(%1)").arg(parts.join(QStringLiteral("; ")));
    for (const auto& [flag, word] :
         {std::pair{i.primary, "primary"}, std::pair{i.unique, "unique"}, std::pair{i.descending, "descending"},
          std::pair{i.caseInsensitive, "case-insensitive"}})
        if (flag)
            text += QLatin1Char(' ') + QLatin1String(word);
    if (!i.maintained)
        text += QStringLiteral(" not maintained");
    if (!i.forCondition.isEmpty())
        text += QStringLiteral(" for ") + i.forCondition;
    return text;
}

std::vector<ValueChange> indexChanges(const IndexDescription& b, const IndexDescription& a)
{
    std::vector<ValueChange> changes;
    const auto fields = [](const IndexDescription& i) { return i.fields.split(QLatin1Char(';')).join(", "); };
    compareValue(changes, QStringLiteral("fields"), fields(b), fields(a));
    compareValue(changes, QStringLiteral("expression"), b.expression, a.expression);
    compareValue(changes, QStringLiteral("for"), b.forCondition, a.forCondition);
    compareFlag(changes, QStringLiteral("primary"), b.primary, a.primary);
    compareFlag(changes, QStringLiteral("unique"), b.unique, a.unique);
    compareFlag(changes, QStringLiteral("descending"), b.descending, a.descending);
    compareFlag(changes, QStringLiteral("case-insensitive"), b.caseInsensitive, a.caseInsensitive);
    compareFlag(changes, QStringLiteral("maintained"), b.maintained, a.maintained);
    return changes;
}

std::vector<SchemaField> schemaFields(const StructureTable& t)
{
    std::vector<SchemaField> fields;
    fields.reserve(t.fields.size());
    for (const auto& f : t.fields)
        fields.push_back({f.entry, {}});
    return fields;
}

const StructureField* fieldNamed(const StructureTable& t, const QString& name)
{
    const auto it = std::find_if(t.fields.begin(), t.fields.end(), [&](const StructureField& f) {
        return f.entry.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return it == t.fields.end() ? nullptr : &*it;
}

bool isNotDeleted(const QString& condition)
{
    static const QRegularExpression NotDeleted(QStringLiteral("^(\\.NOT\\.|!|NOT)\\s*DELETED\\s*\\(\\s*\\)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    return NotDeleted.match(condition.simplified()).hasMatch();
}

// What an index holds on a server, the same for a table file's index as the migration
// script makes it and for the server's index: its keys, flags and condition. Empty for an
// index the script leaves out.
QString indexSignature(const StructureTable& t, const IndexDescription& i, SqlDialect dialect)
{
    QStringList keys;
    QString where;
    if (!isDesktop(t)) {
        keys << (i.expressionIndex ? i.expression : i.fields.split(QLatin1Char(';')).join(QLatin1Char(',')));
        where = i.forCondition;
    } else {
        const std::vector<SchemaField> fields = schemaFields(t);
        if (i.expressionIndex || i.fields.isEmpty()) {
            const auto expression = translateXbaseExpression(dialect, i.expression, fields);
            if (!expression)
                return {};
            keys << *expression;
        } else {
            for (const auto& name : i.fields.split(QLatin1Char(';'))) {
                const StructureField* f = fieldNamed(t, name);
                if (!f)
                    return {};
                const bool lower = !i.primary && i.caseInsensitive && f->entry.type == FieldType::String;
                keys << (lower ? QStringLiteral("lower(%1)").arg(f->entry.name) : f->entry.name);
            }
        }
        if (!i.forCondition.isEmpty() && !isNotDeleted(i.forCondition)) {
            const auto condition = translateXbaseExpression(dialect, i.forCondition.simplified(), fields);
            if (!condition)
                return {};
            where = *condition;
        }
    }
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(canonicalExpression(keys.join(QLatin1Char(','))), flagText(i.primary), flagText(i.unique && !i.primary),
             flagText(i.descending), canonicalExpression(where));
}

QString linkText(const SchemaLink& l)
{
    QStringList pairs;
    for (const auto& [mine, theirs] : l.pairs)
        pairs << mine + QStringLiteral(" = ") + theirs;
    return QStringLiteral("%1 %2 (%3) on update %4 on delete %5")
        .arg(l.master ? QStringLiteral("to master") : QStringLiteral("from dependent"), l.relatedTable,
             pairs.join(QStringLiteral(", ")), referentialActionText(l.rules.onUpdate()).toLower(),
             referentialActionText(l.rules.onDelete()).toLower());
}

QString pairsText(const SchemaLink& l)
{
    QStringList pairs;
    for (const auto& [mine, theirs] : l.pairs)
        pairs << (mine + QLatin1Char('=') + theirs).toCaseFolded();
    return pairs.join(QLatin1Char(','));
}

QString linkSignature(const SchemaLink& l)
{
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(flagText(l.master), relatedKey(l.relatedTable), pairsText(l), referentialActionText(l.rules.onUpdate()),
             referentialActionText(l.rules.onDelete()));
}

std::vector<ValueChange> linkChanges(const SchemaLink& b, const SchemaLink& a)
{
    std::vector<ValueChange> changes;
    const auto kind = [](const SchemaLink& l) {
        return l.master ? QStringLiteral("master") : QStringLiteral("dependent");
    };
    const auto pairs = [](const SchemaLink& l) {
        QStringList list;
        for (const auto& [mine, theirs] : l.pairs)
            list << mine + QStringLiteral(" = ") + theirs;
        return list.join(QStringLiteral(", "));
    };
    compareValue(changes, QStringLiteral("kind"), kind(b), kind(a));
    if (relatedKey(b.relatedTable) != relatedKey(a.relatedTable))
        changes.push_back({QStringLiteral("related table"), b.relatedTable, a.relatedTable});
    if (pairsText(b) != pairsText(a))
        changes.push_back({QStringLiteral("fields"), pairs(b), pairs(a)});
    compareValue(changes, QStringLiteral("on update"), referentialActionText(b.rules.onUpdate()),
                 referentialActionText(a.rules.onUpdate()));
    compareValue(changes, QStringLiteral("on delete"), referentialActionText(b.rules.onDelete()),
                 referentialActionText(a.rules.onDelete()));
    return changes;
}

// Items of two lists matched by name: the changed ones with what changed, and those of one
// side only, each described by its side's describe.
template <typename Item, typename Name, typename DescribeBefore, typename DescribeAfter, typename Changes>
std::vector<ItemDiff> compareByName(const std::vector<Item>& before, const std::vector<Item>& after, Name name,
                                    DescribeBefore describeBefore, DescribeAfter describeAfter, Changes changesOf)
{
    QStringList namesBefore;
    QStringList namesAfter;
    for (const auto& i : before)
        namesBefore << name(i);
    for (const auto& i : after)
        namesAfter << name(i);
    const std::vector<int> match = matchNames(namesBefore, namesAfter);
    std::vector<int> matchOf(after.size(), -1);
    std::vector<ItemDiff> diffs;
    std::vector<ItemDiff> removed;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (match[i] < 0)
            removed.push_back({DiffChange::Removed, name(before[i]), describeBefore(before[i]), {}});
        else
            matchOf[std::size_t(match[i])] = int(i);
    }
    for (std::size_t j = 0; j < after.size(); ++j) {
        if (matchOf[j] < 0) {
            diffs.push_back({DiffChange::Added, name(after[j]), describeAfter(after[j]), {}});
            continue;
        }
        auto changes = changesOf(before[std::size_t(matchOf[j])], after[j]);
        if (!changes.empty())
            diffs.push_back({DiffChange::Changed, name(after[j]), {}, std::move(changes)});
    }
    diffs.insert(diffs.end(), removed.begin(), removed.end());
    return diffs;
}

template <typename Item, typename Name, typename Describe, typename Changes>
std::vector<ItemDiff> compareByName(const std::vector<Item>& before, const std::vector<Item>& after, Name name,
                                    Describe describe, Changes changesOf)
{
    return compareByName(before, after, name, describe, describe, changesOf);
}

// Items of two lists matched by what they hold; names differ on the way to a server.
template <typename Item, typename Signature, typename Describe>
std::vector<ItemDiff> compareByContent(const std::vector<Item>& before, const std::vector<Item>& after,
                                       Signature signatureBefore, Signature signatureAfter, Describe describe)
{
    QHash<QString, int> left;
    for (const auto& i : before)
        ++left[signatureBefore(i)];
    std::vector<ItemDiff> diffs;
    for (const auto& i : after) {
        const QString s = signatureAfter(i);
        if (!s.isEmpty() && left.value(s) > 0)
            --left[s];
        else
            diffs.push_back({DiffChange::Added, i.name, describe(i), {}});
    }
    QHash<QString, int> right;
    for (const auto& i : after)
        ++right[signatureAfter(i)];
    for (const auto& i : before) {
        const QString s = signatureBefore(i);
        if (!s.isEmpty() && right.value(s) > 0)
            --right[s];
        else
            diffs.push_back({DiffChange::Removed, i.name, describe(i), {}});
    }
    return diffs;
}

std::vector<ItemDiff> compareFields(const StructureTable& b, const StructureTable& a, const Comparison& c)
{
    // The script leaves out a dBASE table's own record of blank fields: no column stands for it.
    // It names a later field of a name SQL takes for an earlier one's by that name and its
    // number, as the server then has it.
    const auto kept = [&](const StructureTable& t) {
        std::vector<StructureField> fields;
        const bool migrated = c.acrossEngines && c.dialect && isDesktop(t);
        QSet<QString> taken;
        for (std::size_t i = 0; i < t.fields.size(); ++i) {
            StructureField f = t.fields[i];
            if (migrated && taken.contains(f.entry.name.toCaseFolded()))
                f.entry.name += QStringLiteral("_%1").arg(i + 1);
            taken.insert(f.entry.name.toCaseFolded());
            if (!migrated || !serverTypesOf(t, f, *c.dialect).isEmpty())
                fields.push_back(std::move(f));
        }
        return fields;
    };
    return compareByName(
        kept(b), kept(a), [](const StructureField& f) { return f.entry.name; },
        [&](const StructureField& f) { return fieldTypeText(b, f); },
        [&](const StructureField& f) { return fieldTypeText(a, f); },
        [&](const StructureField& fb, const StructureField& fa) { return fieldChanges(b, fb, a, fa, c); });
}

TableDiff compareTables(const StructureTable& b, const StructureTable& a)
{
    TableDiff d;
    d.name = a.name;
    d.oldName = b.name;
    Comparison c;
    c.acrossEngines = isDesktop(b) != isDesktop(a);
    d.acrossEngines = c.acrossEngines;
    if (c.acrossEngines)
        c.dialect = dialectOf(isDesktop(b) ? a : b);
    if (!b.error.isEmpty() || !a.error.isEmpty()) {
        if (b.error != a.error)
            d.properties.push_back({QStringLiteral("error"), b.error, a.error});
        return d;
    }
    d.fields = compareFields(b, a, c);
    if (c.acrossEngines && c.dialect) {
        const auto signature = [&](const StructureTable& t) {
            return [&t, &c](const IndexDescription& i) { return indexSignature(t, i, *c.dialect); };
        };
        d.indexes = compareByContent(b.indexes, a.indexes, signature(b), signature(a), indexText);
        // The script names indexes and links after their table: tell them by what they hold.
        d.links = compareByContent(b.links, a.links, linkSignature, linkSignature, linkText);
    } else {
        d.indexes = compareByName(
            b.indexes, a.indexes, [](const IndexDescription& i) { return i.name; }, indexText, indexChanges);
        d.links = compareByName(
            b.links, a.links, [](const SchemaLink& l) { return l.name; }, linkText, linkChanges);
    }
    if (!c.acrossEngines) {
        d.checks = compareByName(
            b.checks, a.checks, [](const CheckConstraint& k) { return k.name.isEmpty() ? k.expression : k.name; },
            [](const CheckConstraint& k) { return k.expression; },
            [](const CheckConstraint& kb, const CheckConstraint& ka) {
                std::vector<ValueChange> changes;
                compareValue(changes, QStringLiteral("expression"), kb.expression, ka.expression);
                return changes;
            });
        for (const auto& [label, before] : b.properties) {
            const auto it = std::find_if(a.properties.begin(), a.properties.end(),
                                         [&](const auto& p) { return p.first == label; });
            const QString after = it == a.properties.end() ? QString() : it->second;
            if (before != after)
                d.properties.push_back({label, before, after});
        }
        for (const auto& [label, after] : a.properties)
            if (std::none_of(b.properties.begin(), b.properties.end(), [&](const auto& p) { return p.first == label; }))
                d.properties.push_back({label, QString(), after});
    }
    return d;
}

bool hasDifferences(const TableDiff& d)
{
    return !d.fields.empty() || !d.indexes.empty() || !d.links.empty() || !d.checks.empty() || !d.properties.empty();
}

} // namespace

StructureTable structureOf(const TableSchema& schema, const QStringList& storedTypes)
{
    StructureTable t;
    t.name = schema.table.shownName();
    t.tableTypeKey = schema.structure.tableTypeKey;
    if (!schema.ok) {
        t.error = schema.error;
        return t;
    }
    const TableProperties& p = schema.structure.properties;
    t.properties = {
        {property::TypeOfTable, typeOfTableText(schema)},
        {property::LanguageDriver, languageDriverText(schema.languageDriver, builtInLabel)},
        {property::RecordSize, QString::number(p.recordSize)},
        {property::KeySize, QString::number(p.keySize)},
        {property::BlockSize, QString::number(p.blockSizeKb)},
        {property::Passwords, QString::number(p.auxPasswordCount)},
        {property::StrictIntegrity, flagText(p.strictIntegrity)},
    };
    if (schema.server) {
        t.properties.emplace_back(property::Encoding, schema.server->encoding);
        t.properties.emplace_back(property::Collation, schema.server->collation);
        t.checks = schema.server->checks;
    }
    t.fields.reserve(schema.fields.size());
    for (std::size_t i = 0; i < schema.fields.size(); ++i) {
        const SchemaField& f = schema.fields[i];
        StructureField s;
        s.entry = f.entry;
        s.storedType = storedTypes.value(qsizetype(i));
        s.serverType = f.checks.serverType;
        s.required = f.checks.required;
        s.minimum = validityText(f, f.checks.minimum).value_or(QString());
        s.maximum = validityText(f, f.checks.maximum).value_or(QString());
        s.defaultValue = defaultText(f).value_or(QString());
        s.defaultIsExpression = !f.checks.defaultExpression.isEmpty();
        s.picture = f.checks.picture;
        t.fields.push_back(std::move(s));
    }
    t.indexes = schema.indexes;
    t.links = schema.links;
    return t;
}

QString fieldTypeText(const StructureTable& table, const StructureField& field)
{
    QString text = fieldTypeName(field.entry, builtInLabel);
    const QString size = fieldSizeText(field.entry, table.tableTypeKey);
    if (size != QLatin1String("0"))
        text += QLatin1Char(' ') + size;
    if (!field.serverType.isEmpty())
        text += QStringLiteral(" (%1)").arg(field.serverType);
    return text;
}

StructureDiff compareStructures(const StructureSide& before, const StructureSide& after)
{
    QStringList namesBefore;
    QStringList namesAfter;
    for (const auto& t : before.tables)
        namesBefore << tableKey(t.name);
    for (const auto& t : after.tables)
        namesAfter << tableKey(t.name);
    std::vector<int> match = matchNames(namesBefore, namesAfter);
    // Two tables named one each are compared whatever their names, as diff compares two files.
    if (match.size() == 1 && after.tables.size() == 1)
        match.front() = 0;
    std::vector<int> matchOf(after.tables.size(), -1);
    for (std::size_t i = 0; i < match.size(); ++i)
        if (match[i] >= 0)
            matchOf[std::size_t(match[i])] = int(i);
    StructureDiff diff;
    for (std::size_t j = 0; j < after.tables.size(); ++j) {
        const StructureTable& a = after.tables[j];
        if (matchOf[j] < 0) {
            TableDiff d;
            d.change = DiffChange::Added;
            d.name = a.name;
            diff.tables.push_back(std::move(d));
            continue;
        }
        TableDiff d = compareTables(before.tables[std::size_t(matchOf[j])], a);
        if (hasDifferences(d))
            diff.tables.push_back(std::move(d));
    }
    for (std::size_t i = 0; i < before.tables.size(); ++i) {
        if (match[i] >= 0)
            continue;
        TableDiff d;
        d.change = DiffChange::Removed;
        d.name = before.tables[i].name;
        d.oldName = d.name;
        diff.tables.push_back(std::move(d));
    }
    return diff;
}

} // namespace korvex
