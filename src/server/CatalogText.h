#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex::server {

// One token of an SQL expression or statement as a catalog gives it back.
struct SqlToken {
    enum class Kind { Word, QuotedName, String, Number, Symbol };
    Kind kind = Kind::Symbol;
    QString text;        // unquoted: a name without its quotes, a string literal's value
    qsizetype begin = 0; // where the token starts and ends in the source text
    qsizetype end = 0;
};

// Splits SQL text into tokens; comments and white space fall away. Reads names quoted
// with "", `` and [] and strings quoted with ''. Never fails: a token left open runs to
// the end of the text.
std::vector<SqlToken> tokenize(const QString& sql);

// A literal value as written in a default or a CHECK: its text and whether it was
// quoted (a quoted literal stays text even when it reads as a number).
struct SqlLiteral {
    QString text;
    bool quoted = false;
};

// The literal an expression consists of, with surrounding parentheses, casts
// ("'abc'::character varying") and a sign in front of a number taken away; nothing when
// the expression computes its value (a function call, an operator, a column).
std::optional<SqlLiteral> literalOf(const QString& expression);

// The bounds that a CHECK expression sets on one column when it has one of the forms
// "col >= v", "col <= v", "v <= col", "v >= col", "col BETWEEN a AND b" or several of
// them joined by AND; nothing for any other expression.
struct RangeBounds {
    std::optional<SqlLiteral> minimum;
    std::optional<SqlLiteral> maximum;
};
std::optional<RangeBounds> rangeOf(const QString& expression, const QString& column);

// The distinct names an expression mentions that are among `columns`, compared
// without regard to case.
QStringList columnsIn(const QString& expression, const QStringList& columns);

// A name as SQL writes it: bare when it is a plain word that is no keyword (for a server
// that folds bare names to lower case, a plain lower-case word), else in double quotes
// with inner quotes doubled.
QString quotedName(const QString& name, bool foldsCase);

} // namespace korvex::server
