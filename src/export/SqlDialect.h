#pragma once

#include <QString>

#include <optional>

namespace korvex {

// The servers a migration script is written for.
enum class SqlDialect {
    PostgreSql,
    Sqlite, // STRICT tables, SQLite 3.37 and later
};

// "postgresql" or "sqlite"; nothing for any other name.
inline std::optional<SqlDialect> sqlDialectNamed(const QString& name)
{
    if (name == QLatin1String("postgresql"))
        return SqlDialect::PostgreSql;
    if (name == QLatin1String("sqlite"))
        return SqlDialect::Sqlite;
    return std::nullopt;
}

// A name in double quotes, exactly as it is: case, blanks and every letter kept, a quote
// inside doubled.
inline QString sqlIdentifier(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// A text in single quotes, a quote inside doubled.
inline QString sqlString(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

} // namespace korvex
