#include "CatalogText.h"

#include <QRegularExpression>
#include <QSet>

namespace korvex::server {

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.unicode() > 127;
}
bool isWordPart(QChar c)
{
    return isWordStart(c) || c.isDigit() || c == u'$';
}

// Reads a quoted run starting at i (the opening quote); a doubled closing quote stands
// for one. Returns the position after the closing quote.
qsizetype readQuoted(const QString& sql, qsizetype i, QChar close, QString& text)
{
    ++i;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close && close != u']') {
                text += close;
                i += 2;
                continue;
            }
            return i + 1;
        }
        text += sql[i++];
    }
    return i;
}

bool isWord(const SqlToken& t, const char* word)
{
    return t.kind == SqlToken::Kind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isSymbol(const SqlToken& t, const char* symbol)
{
    return t.kind == SqlToken::Kind::Symbol && t.text == QLatin1String(symbol);
}

// Drops casts ("::type", "::character varying(40)", "::text[]") and every parenthesis.
// Parentheses carry no meaning in the forms read here: a form with an operator or a
// function between them has a token that the readers below refuse.
std::vector<SqlToken> withoutCastsAndParentheses(const std::vector<SqlToken>& tokens)
{
    std::vector<SqlToken> out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (isSymbol(tokens[i], "::")) {
            ++i;
            while (i < tokens.size() &&
                   (tokens[i].kind == SqlToken::Kind::Word || tokens[i].kind == SqlToken::Kind::QuotedName) &&
                   !isWord(tokens[i], "and")) {
                ++i;
                if (i < tokens.size() && isSymbol(tokens[i], "(")) {
                    while (i < tokens.size() && !isSymbol(tokens[i], ")"))
                        ++i;
                    ++i;
                }
                if (i + 1 < tokens.size() && isSymbol(tokens[i], "[") && isSymbol(tokens[i + 1], "]"))
                    i += 2;
            }
            --i;
            continue;
        }
        if (isSymbol(tokens[i], "(") || isSymbol(tokens[i], ")"))
            continue;
        out.push_back(tokens[i]);
    }
    return out;
}

// A literal at tokens[i], with a sign in front of a number; advances i past it.
std::optional<SqlLiteral> readLiteral(const std::vector<SqlToken>& tokens, std::size_t& i)
{
    if (i >= tokens.size())
        return std::nullopt;
    const SqlToken& t = tokens[i];
    if (t.kind == SqlToken::Kind::String) {
        ++i;
        return SqlLiteral{t.text, true};
    }
    if (t.kind == SqlToken::Kind::Number) {
        ++i;
        return SqlLiteral{t.text, false};
    }
    if ((isSymbol(t, "-") || isSymbol(t, "+")) && i + 1 < tokens.size() &&
        tokens[i + 1].kind == SqlToken::Kind::Number) {
        i += 2;
        return SqlLiteral{(t.text == u"-" ? QStringLiteral("-") : QString()) + tokens[i - 1].text, false};
    }
    if (isWord(t, "true") || isWord(t, "false")) {
        ++i;
        return SqlLiteral{t.text.toLower(), false};
    }
    return std::nullopt;
}

bool isColumn(const SqlToken& t, const QString& column)
{
    if (t.kind == SqlToken::Kind::QuotedName)
        return t.text == column;
    return t.kind == SqlToken::Kind::Word && t.text.compare(column, Qt::CaseInsensitive) == 0;
}

} // namespace

std::vector<SqlToken> tokenize(const QString& sql)
{
    std::vector<SqlToken> tokens;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype close = sql.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
            continue;
        }
        SqlToken t;
        t.begin = i;
        if (c == u'\'') {
            t.kind = SqlToken::Kind::String;
            i = readQuoted(sql, i, u'\'', t.text);
        } else if (c == u'"' || c == u'`' || c == u'[') {
            t.kind = SqlToken::Kind::QuotedName;
            i = readQuoted(sql, i, c == u'[' ? QChar(u']') : c, t.text);
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            t.kind = SqlToken::Kind::Number;
            while (i < n && (sql[i].isDigit() || sql[i] == u'.'))
                ++i;
            if (i < n && (sql[i] == u'e' || sql[i] == u'E')) {
                ++i;
                if (i < n && (sql[i] == u'+' || sql[i] == u'-'))
                    ++i;
                while (i < n && sql[i].isDigit())
                    ++i;
            }
            t.text = sql.mid(t.begin, i - t.begin);
        } else if (isWordStart(c)) {
            t.kind = SqlToken::Kind::Word;
            while (i < n && isWordPart(sql[i]))
                ++i;
            t.text = sql.mid(t.begin, i - t.begin);
        } else {
            t.kind = SqlToken::Kind::Symbol;
            static const char* const pairs[] = {"::", ">=", "<=", "<>", "!=", "==", "||"};
            t.text = QString(c);
            for (const char* p : pairs) {
                if (sql.mid(i, 2) == QLatin1String(p)) {
                    t.text = QLatin1String(p);
                    break;
                }
            }
            i += t.text.size();
        }
        t.end = i;
        tokens.push_back(std::move(t));
    }
    return tokens;
}

std::optional<SqlLiteral> literalOf(const QString& expression)
{
    const std::vector<SqlToken> tokens = withoutCastsAndParentheses(tokenize(expression));
    std::size_t i = 0;
    std::optional<SqlLiteral> literal = readLiteral(tokens, i);
    if (!literal || i != tokens.size())
        return std::nullopt;
    return literal;
}

std::optional<RangeBounds> rangeOf(const QString& expression, const QString& column)
{
    const std::vector<SqlToken> tokens = withoutCastsAndParentheses(tokenize(expression));
    RangeBounds bounds;
    std::size_t i = 0;
    while (true) {
        if (i < tokens.size() && isColumn(tokens[i], column)) {
            ++i;
            if (i >= tokens.size())
                return std::nullopt;
            if (isWord(tokens[i], "between")) {
                ++i;
                auto low = readLiteral(tokens, i);
                if (!low || i >= tokens.size() || !isWord(tokens[i], "and"))
                    return std::nullopt;
                ++i;
                auto high = readLiteral(tokens, i);
                if (!high)
                    return std::nullopt;
                bounds.minimum = low;
                bounds.maximum = high;
            } else {
                const bool atLeast = isSymbol(tokens[i], ">=");
                if (!atLeast && !isSymbol(tokens[i], "<="))
                    return std::nullopt;
                ++i;
                auto value = readLiteral(tokens, i);
                if (!value)
                    return std::nullopt;
                (atLeast ? bounds.minimum : bounds.maximum) = value;
            }
        } else {
            auto value = readLiteral(tokens, i);
            if (!value || i + 1 >= tokens.size() || !isColumn(tokens[i + 1], column))
                return std::nullopt;
            const bool atMost = isSymbol(tokens[i], ">="); // v >= col: col <= v
            if (!atMost && !isSymbol(tokens[i], "<="))
                return std::nullopt;
            i += 2;
            (atMost ? bounds.maximum : bounds.minimum) = value;
        }
        if (i == tokens.size())
            break;
        if (!isWord(tokens[i], "and"))
            return std::nullopt;
        ++i;
    }
    return bounds;
}

QStringList columnsIn(const QString& expression, const QStringList& columns)
{
    QStringList found;
    for (const SqlToken& t : tokenize(expression)) {
        if (t.kind != SqlToken::Kind::Word && t.kind != SqlToken::Kind::QuotedName)
            continue;
        for (const QString& c : columns) {
            if (isColumn(t, c) && !found.contains(c))
                found << c;
        }
    }
    return found;
}

QString quotedName(const QString& name, bool foldsCase)
{
    // The words that cannot stand bare as a table or column name in either server.
    static const QSet<QString> keywords = {
        QStringLiteral("all"),     QStringLiteral("and"),    QStringLiteral("as"),         QStringLiteral("by"),
        QStringLiteral("check"),   QStringLiteral("column"), QStringLiteral("constraint"), QStringLiteral("create"),
        QStringLiteral("default"), QStringLiteral("delete"), QStringLiteral("distinct"),   QStringLiteral("drop"),
        QStringLiteral("from"),    QStringLiteral("group"),  QStringLiteral("in"),         QStringLiteral("index"),
        QStringLiteral("insert"),  QStringLiteral("into"),   QStringLiteral("is"),         QStringLiteral("join"),
        QStringLiteral("key"),     QStringLiteral("not"),    QStringLiteral("null"),       QStringLiteral("on"),
        QStringLiteral("or"),      QStringLiteral("order"),  QStringLiteral("primary"),    QStringLiteral("references"),
        QStringLiteral("select"),  QStringLiteral("set"),    QStringLiteral("table"),      QStringLiteral("to"),
        QStringLiteral("union"),   QStringLiteral("unique"), QStringLiteral("update"),     QStringLiteral("user"),
        QStringLiteral("values"),  QStringLiteral("where"),  QStringLiteral("with")};
    static const QRegularExpression lowerWord(QStringLiteral("^[a-z_][a-z0-9_]*$"));
    static const QRegularExpression anyWord(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    const bool plain = (foldsCase ? lowerWord : anyWord).match(name).hasMatch();
    if (plain && !keywords.contains(name.toLower()))
        return name;
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace korvex::server
