#pragma once

#include "EngineResult.h"
#include "TableDefinition.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvex {

// One table opened read-only in a database: its definition, and its indexes and links
// read when they are first asked for. Failures throw EngineError with the engine's result
// code and a message naming the table or its file.
class DatabaseTable {
public:
    virtual ~DatabaseTable() = default;

    // Where the table lives: the full path of a table file, or a catalog's name of it.
    virtual QString path() const = 0;
    virtual const TableDefinition& definition() const = 0;
    // Every index in the engine's order; for Paradox the primary index first.
    virtual std::vector<IndexDescription> indexes() = 0;
    // The referential-integrity links, each related table named so that the same database
    // opens it (for table files: its full path).
    virtual std::vector<IntegrityDescriptor> integrityLinks() = 0;
    // For a table whose definition carries a password checksum: whether password opens it.
    virtual bool passwordOpens(const QString& password) const = 0;
};

// A place that holds tables, as the engine lists and opens them: a directory of desktop
// table files, or a server's catalog. Failures throw EngineError.
class Database {
public:
    virtual ~Database() = default;

    // Table names as a user picks them (files with their extensions), sorted ignoring case.
    virtual QStringList tableNames() = 0;
    virtual std::unique_ptr<DatabaseTable> openTable(const QString& tableName) = 0;
};

} // namespace korvex
