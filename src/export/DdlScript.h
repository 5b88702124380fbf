#pragma once

#include "SqlDialect.h"
#include "TableSchema.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace korvex {

class DatabaseEngine;

// One table of a migration script: its structure as the exports read it, and each field's
// type as the table's file stores it ("N", "C", "+"), which tells a dBASE numeric's width
// and decimals from a binary double; empty where it is not known.
struct DdlTable {
    TableSchema schema;
    QStringList storedTypes;
    // Each auto-increment field's counter as the table records it, by field index: the
    // next row's value and the step.
    struct Counter {
        std::int64_t next = 1;
        int increment = 1;
    };
    std::map<std::size_t, Counter> counters;
};

// The stored field types and auto-increment counters of every table that could be read,
// each opened read-only once more.
std::vector<DdlTable> readDdlTables(DatabaseEngine& engine, std::vector<TableSchema> schemas);

// One SQL script that makes the tables on the server: a header naming origin and version,
// every table that could be read with its columns, checks and primary key, then its indexes,
// then the foreign keys of the master links as ALTER TABLE after all tables, so that cycles
// and links of a table to itself load. PostgreSQL gets one transaction. What a mapping loses
// and what has no SQL form is said in comments beside it, never written as something it is
// not. The texts are made without a locale and without dates: the same tables give the same
// bytes.
QByteArray ddlScript(SqlDialect dialect, const QString& origin, const QString& version,
                     const std::vector<DdlTable>& tables);

} // namespace korvex
