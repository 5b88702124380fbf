#pragma once

#include "AliasFile.h"
#include "Database.h"
#include "DatabaseEngine.h"
#include "ServerTable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvex::server {

// Where and as whom to attach to a Firebird database. An empty host attaches through the
// embedded engine to the file `database`; otherwise `database` is the path or the alias of
// the database on that server. port -1 takes the client's default.
struct FirebirdLogin {
    QString host;
    int port = -1;
    QString database;
    QString user;
    QString password;
};

// Opens a connection under `connectionName` through Qt's Firebird driver (QIBASE); throws
// ServerError with the server's text.
QSqlDatabase openFirebird(const QString& connectionName, const FirebirdLogin& login);

// The tables of a Firebird database and their structures, read from its RDB$ tables.
class FirebirdCatalog {
public:
    explicit FirebirdCatalog(QSqlDatabase database);

    // The tables (no views, no system tables) as the table list names them: bare where
    // Firebird would read the name back unquoted, sorted.
    QStringList listTables();
    // Every table with its structure, in the order of listTables(), in six queries inside
    // one transaction, so that they see the catalog as it was at one moment.
    std::vector<ServerTable> readTables();

private:
    QSqlDatabase database_;
};

// The database of a TYPE=FIREBIRD alias. With SERVER NAME empty, DATABASE NAME is a
// database file (relative to the aliases file's folder, never created) that the embedded
// engine reads from a private copy: attaching writes into a database file, and the
// user's file must stay as it was. Otherwise SERVER NAME is the server ("host" or
// "host:port") and DATABASE NAME the path or alias there. USER NAME, else ISC_USER, logs
// in with ISC_PASSWORD first; only when the server says the user name and password are not
// defined is `password` asked, once. Throws EngineError.
std::unique_ptr<Database> openFirebirdAlias(const AliasDefinition& alias, const LoginPassword& password);

} // namespace korvex::server
