#pragma once

#include "AliasFile.h"
#include "Database.h"
#include "DatabaseEngine.h"
#include "ServerTable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace korvex::server {

// Where and as whom to log into a MariaDB or MySQL database. `host` is a host name, an
// address or the path of the server's socket file; port -1 takes the driver's default.
struct MysqlLogin {
    QString host;
    int port = -1;
    QString database;
    QString user;
    QString password; // empty: none
};

// The options a MariaDB/MySQL client reads from an option file such as ~/.my.cnf: the
// keys of its [client], [client-server] and [client-mariadb] groups ("password", "user",
// "host", "port", "socket"), later lines winning. Nothing when the file cannot be read.
std::map<QString, QString> readClientOptions(const QString& optionFile);

// Opens a connection under `connectionName` through Qt's MySQL driver, giving up after 10
// seconds; throws ServerError with the server's text.
QSqlDatabase openMysql(const QString& connectionName, const MysqlLogin& login);

// The tables of one MariaDB or MySQL database and their structures, read from its
// information_schema.
class MysqlCatalog {
public:
    // `schema` empty: the connection's current database.
    explicit MysqlCatalog(QSqlDatabase database, QString schema = {});

    // The database read.
    QString schema();
    // The base tables (no views, no system tables) as the table list names them, sorted.
    QStringList listTables();
    // Every table with its structure, in the order of listTables(), in seven queries (and
    // one more for each other database that a foreign key refers to).
    std::vector<ServerTable> readTables();

private:
    QSqlDatabase database_;
    QString schema_;
};

// The database of a TYPE=MYSQL alias: SERVER NAME (host, host:port or the server's socket
// file), DATABASE NAME, USER NAME. It first logs in with what ~/.my.cnf gives (its
// password, and its user, host or socket where the alias names none); only when the server
// refuses a login without a password is password asked, once. Throws EngineError:
// ServerRefused with the server's text, or what password throws.
std::unique_ptr<Database> openMysqlAlias(const AliasDefinition& alias, const LoginPassword& password);

} // namespace korvex::server
