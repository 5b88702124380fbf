#pragma once

#include "ServerTable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvex::server {

// Where and as whom to log into a PostgreSQL database. `host` is a host name, an address
// or a socket folder (a path); port -1 takes the driver's default.
struct PostgresLogin {
    QString host;
    int port = -1;
    QString database;
    QString user;
    QString password; // empty: the driver's own sources (~/.pgpass, PGPASSFILE, PGSERVICE)
};

// Opens a connection under `connectionName` through Qt's PostgreSQL driver, giving up
// after 10 seconds; throws ServerError with the server's text.
QSqlDatabase openPostgres(const QString& connectionName, const PostgresLogin& login);

// The tables of a PostgreSQL database and their structures, read from its catalog.
class PostgresCatalog {
public:
    // `schemas` empty: every schema on the user's search path that is no system schema.
    explicit PostgresCatalog(QSqlDatabase database, QStringList schemas = {});

    // The schemas read, in search-path order.
    QStringList schemas();
    // The tables (no views, no system tables) as the table list names them, sorted by
    // schema and then name.
    QStringList listTables();
    // Every table with its structure, in the order of listTables(), in five queries.
    std::vector<ServerTable> readTables();

private:
    QSqlDatabase database_;
    QStringList schemas_;
    bool schemasKnown_ = false;
};

} // namespace korvex::server
