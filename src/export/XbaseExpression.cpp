#include "XbaseExpression.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace korvex {

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
            static const QStringList Pairs = {QStringLiteral("=="), QStringLiteral("<>"), QStringLiteral("!="),
                                              QStringLiteral("<="), QStringLiteral(">=")};
            const QString two = e.mid(i, 2);
            if (Pairs.contains(two)) {
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
    static const QRegularExpression Whole(QStringLiteral("^[0-9]{1,2}$"));
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
    while (text(i) == QLatin1String(",") && Whole.match(text(i + 1)).hasMatch() && numbers.size() < 2) {
        numbers << text(i + 1);
        i += 2;
    }
    if (text(i) != QLatin1String(")"))
        return std::nullopt;
    k = i;
    const QString width = numbers.value(0, QStringLiteral("10"));
    const QString decimals = numbers.value(1, QStringLiteral("0"));
    const QString col = sqlIdentifier(f->entry.name);
    if (dialect == SqlDialect::Sqlite)
        return QStringLiteral("printf('%%1.%2f', %3)").arg(width, decimals, col);
    return QStringLiteral("lpad(round(%1::numeric, %2)::text, %3)").arg(col, decimals, width);
}

// The field of that name, in any case; null when the table has none.
const SchemaField* fieldNamed(const std::vector<SchemaField>& fields, const QString& name)
{
    const auto f = std::find_if(fields.begin(), fields.end(), [&](const SchemaField& s) {
        return s.entry.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return f == fields.end() ? nullptr : &*f;
}

// Which kinds of term an expression joins. "+" joins texts in dBASE and adds numbers: it
// is translated only where every field it could meet is a text, and then "-" (which moves
// blanks) is not.
struct TermKinds {
    bool texts = false;
    bool others = false;
};

TermKinds termKinds(const std::vector<XbaseToken>& tokens, const std::vector<SchemaField>& fields)
{
    using Kind = XbaseToken::Kind;
    TermKinds kinds;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const XbaseToken& t = tokens[k];
        // DTOS and STR make a text of what they are given: a text term as a whole.
        const QString upper = t.text.toUpper();
        if (t.kind == Kind::Name && (upper == QLatin1String("DTOS") || upper == QLatin1String("STR"))) {
            kinds.texts = true;
            while (k < tokens.size() && tokens[k].text != QLatin1String(")"))
                ++k;
            continue;
        }
        if (t.kind == Kind::String)
            kinds.texts = true;
        if (t.kind == Kind::Number)
            kinds.others = true;
        if (t.kind != Kind::Name)
            continue;
        if (const SchemaField* f = fieldNamed(fields, t.text))
            (f->entry.type == FieldType::String ? kinds.texts : kinds.others) = true;
    }
    return kinds;
}

// An operator or a logical constant as SQL writes it; nothing where its dBASE meaning has
// no SQL operator for the terms it joins.
std::optional<QString> operatorSql(const QString& o, bool sqlite, TermKinds kinds)
{
    static const std::map<QString, QString> Same = {
        {QStringLiteral(".AND."), QStringLiteral("AND")}, {QStringLiteral(".OR."), QStringLiteral("OR")},
        {QStringLiteral(".NOT."), QStringLiteral("NOT")}, {QStringLiteral("!"), QStringLiteral("NOT")},
        {QStringLiteral("<"), QStringLiteral("<")},       {QStringLiteral(">"), QStringLiteral(">")},
        {QStringLiteral("<="), QStringLiteral("<=")},     {QStringLiteral(">="), QStringLiteral(">=")},
        {QStringLiteral("("), QStringLiteral("(")},       {QStringLiteral(")"), QStringLiteral(")")},
        {QStringLiteral(","), QStringLiteral(",")},
    };
    // Where a text is involved dBASE means something else: "=" compares a text's
    // beginning only, "-" moves blanks to the end.
    static const std::map<QString, QString> Numeric = {
        {QStringLiteral("+"), QStringLiteral("+")},   {QStringLiteral("-"), QStringLiteral("-")},
        {QStringLiteral("*"), QStringLiteral("*")},   {QStringLiteral("/"), QStringLiteral("/")},
        {QStringLiteral("="), QStringLiteral("=")},   {QStringLiteral("=="), QStringLiteral("=")},
        {QStringLiteral("<>"), QStringLiteral("<>")}, {QStringLiteral("#"), QStringLiteral("<>")},
        {QStringLiteral("!="), QStringLiteral("<>")},
    };
    if (o == QLatin1String(".T.") || o == QLatin1String(".F.")) {
        const bool value = o == QLatin1String(".T.");
        return sqlite ? (value ? QStringLiteral("1") : QStringLiteral("0"))
                      : (value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    }
    if (o == QLatin1String("+") && kinds.texts && !kinds.others)
        return QStringLiteral("||");
    if (const auto it = Same.find(o); it != Same.end())
        return it->second;
    if (const auto n = Numeric.find(o); n != Numeric.end() && !kinds.texts)
        return n->second;
    return std::nullopt;
}

} // namespace

std::optional<QString> translateXbaseExpression(SqlDialect dialect, const QString& expression,
                                                const std::vector<SchemaField>& fields)
{
    using Kind = XbaseToken::Kind;
    const auto tokens = xbaseTokens(expression);
    if (!tokens || tokens->empty())
        return std::nullopt;
    const TermKinds kinds = termKinds(*tokens, fields);
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
                static const std::map<QString, QString> Functions = {
                    {QStringLiteral("UPPER"), QStringLiteral("upper")},
                    {QStringLiteral("LOWER"), QStringLiteral("lower")},
                    {QStringLiteral("TRIM"), QStringLiteral("rtrim")},
                    {QStringLiteral("RTRIM"), QStringLiteral("rtrim")},
                    {QStringLiteral("LTRIM"), QStringLiteral("ltrim")},
                    {QStringLiteral("ALLTRIM"), QStringLiteral("trim")},
                };
                if (const auto it = Functions.find(upper); it != Functions.end()) {
                    add(it->second);
                    afterFunction = true;
                    continue;
                }
                // DTOS(date): the date as YYYYMMDD, in PostgreSQL through functions an
                // index may use (to_char may not).
                if (upper == QLatin1String("DTOS") && k + 3 < tokens->size() &&
                    (*tokens)[k + 3].text == QLatin1String(")")) {
                    const XbaseToken& arg = (*tokens)[k + 2];
                    const SchemaField* f = fieldNamed(fields, arg.text);
                    if (arg.kind != Kind::Name || !f || f->entry.type != FieldType::Date)
                        return std::nullopt;
                    const QString col = sqlIdentifier(f->entry.name);
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
            const SchemaField* f = fieldNamed(fields, t.text);
            if (!f)
                return std::nullopt;
            add(sqlIdentifier(f->entry.name));
            break;
        }
        case Kind::String: add(sqlString(t.text)); break;
        case Kind::Number:
            if (t.text.count(QLatin1Char('.')) > 1 || t.text.endsWith(QLatin1Char('.')))
                return std::nullopt;
            add(t.text.startsWith(QLatin1Char('.')) ? QLatin1Char('0') + t.text : t.text);
            break;
        case Kind::Operator: {
            const auto o = operatorSql(t.text, sqlite, kinds);
            if (!o)
                return std::nullopt;
            add(*o);
            break;
        }
        case Kind::End: break;
        }
    }
    return sql;
}

} // namespace korvex
