#pragma once

#include "ServerTable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvex::server {

// Opens a SQLite database file read-only under `connectionName` (a table file is never
// changed); throws ServerError with SQLite's text, also when the file does not exist.
QSqlDatabase openSqlite(const QString& connectionName, const QString& path);

// The tables of a SQLite database (its "main" schema) and their structures.
class SqliteCatalog {
public:
    explicit SqliteCatalog(QSqlDatabase database);

    // The tables (no views, none of SQLite's own), sorted by name, quoted where needed.
    QStringList listTables();
    // Every table with its structure, in the order of listTables(), in four queries.
    std::vector<ServerTable> readTables();

private:
    QSqlDatabase database_;
};

} // namespace korvex::server
