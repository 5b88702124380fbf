#pragma once

#include "AliasFile.h"
#include "Database.h"
#include "DatabaseEngine.h"
#include "ServerTable.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvex::server {

// A failure of an ODBC call: the driver's diagnostic text and the SQLSTATE of its first
// record ("28000" for a login the server refuses).
class OdbcError : public ServerError {
public:
    OdbcError(const QString& sqlState, const QString& message) : ServerError(message), sqlState_(sqlState) {}
    const QString& sqlState() const { return sqlState_; }

private:
    QString sqlState_;
};

// One connection to an ODBC data source through unixODBC's driver manager, with its
// environment; both go with it.
class OdbcConnection;

// Connects with a driver connection string ("DSN=sales;UID=reader" or
// "DRIVER=/usr/lib/.../psqlodbcw.so;SERVER=..."), never prompting, giving up after 10
// seconds; throws OdbcError with the driver's text.
std::shared_ptr<OdbcConnection> openOdbc(const QString& connectionString);

// What one reading asked of the driver, for the tests: how often each catalog function
// was called.
struct OdbcCalls {
    int tables = 0;
    int columns = 0;
    int primaryKeys = 0;
    int statistics = 0;
    int foreignKeys = 0;
};

// The tables of an ODBC data source and their structures, read through the catalog
// functions. ODBC has no call that gives CHECK constraints: every table says so in its
// ServerFacts instead of showing none.
class OdbcCatalog {
public:
    // `schema` empty: the tables of every schema the data source shows.
    explicit OdbcCatalog(std::shared_ptr<OdbcConnection> connection, QString schema = {});

    // The tables (no views, no system tables), sorted by schema and name, quoted where
    // SQL needs it and with their schema when they come from several.
    QStringList listTables();
    // Every table with its structure, in the order of listTables(): the tables and the
    // columns of the whole data source in one call each, the primary key, indexes and
    // foreign keys per table (ODBC takes no pattern for those).
    std::vector<ServerTable> readTables();

    const OdbcCalls& calls() const { return calls_; }

private:
    std::shared_ptr<OdbcConnection> connection_;
    QString schema_;
    OdbcCalls calls_;
};

// The connection string of a TYPE=ODBC alias: ODBC CONNECT as it is, or ODBC DSN as a
// data source; USER NAME as UID, a password as PWD (braced, so that any character passes).
QString odbcConnectionString(const AliasDefinition& alias, const QString& password);

// The database of a TYPE=ODBC alias: ODBC DSN or ODBC CONNECT, USER NAME, SCHEMA NAME
// (none: every schema). It first logs in with what the data source gives itself (odbc.ini,
// the connection string); only when the driver answers that the password is missing or
// wrong is `password` asked, once. Throws EngineError: ServerRefused with the driver's
// text, or what `password` throws.
std::unique_ptr<Database> openOdbcAlias(const AliasDefinition& alias, const LoginPassword& password);

} // namespace korvex::server
