#pragma once

#include "AliasFile.h"
#include "Database.h"
#include "DatabaseEngine.h"
#include "ServerTable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace korvex::server {

// What a catalog reader gives the database: its table names, and every table at once.
// Both throw ServerError with the server's text.
class CatalogReader {
public:
    virtual ~CatalogReader() = default;
    virtual QStringList listTables() = 0;
    virtual std::vector<ServerTable> readTables() = 0;
};

// A server database as the engine lists and opens its tables: the names come from the
// catalog each time they are listed, and the first table opened reads the structure of
// every table in a few queries, kept for the rest of the run (a book or an export opens
// them all, and one query per table would make a large database slow). Owns its Qt Sql
// connection, which goes with it.
class CatalogDatabase : public Database {
public:
    // aliasName prefixes every message; connectionName is the Qt Sql connection that the
    // reader queries, removed when the database goes (empty: the reader has its own).
    CatalogDatabase(QString aliasName, QString connectionName, std::unique_ptr<CatalogReader> reader);
    ~CatalogDatabase() override;
    CatalogDatabase(const CatalogDatabase&) = delete;
    CatalogDatabase& operator=(const CatalogDatabase&) = delete;

    QStringList tableNames() override;
    // A name as the table list gives it; failing that, one that differs only in case.
    std::unique_ptr<DatabaseTable> openTable(const QString& tableName) override;

private:
    [[noreturn]] void serverFailed(const ServerError& error) const;

    QString aliasName_;
    QString connectionName_;
    std::unique_ptr<CatalogReader> reader_;
    std::shared_ptr<const std::vector<ServerTable>> tables_; // read by the first openTable
    std::map<QString, std::size_t> byName_;                  // into tables_
    std::multimap<QString, std::size_t> byFoldedName_;       // case-folded
};

// A catalog class (listTables, readTables) as a CatalogReader.
template <typename Catalog>
class ReaderOf : public CatalogReader {
public:
    explicit ReaderOf(Catalog catalog) : catalog_(std::move(catalog)) {}
    QStringList listTables() override { return catalog_.listTables(); }
    std::vector<ServerTable> readTables() override { return catalog_.readTables(); }

private:
    Catalog catalog_;
};

// ServerRefused for the alias, with the server's text.
EngineError refused(const AliasDefinition& alias, const QString& serverText);

// Logs in through `open`, first with no password (the driver's own sources: a password
// file, the environment); only when that fails and `wantsPassword` reads the server's text
// as asking for one is `password` asked for `user`'s, once, and `open` tried again. Throws
// EngineError: ServerRefused with the server's text, or what `password` throws.
QSqlDatabase logIn(const AliasDefinition& alias, const LoginPassword& password, const QString& user,
                   const std::function<QSqlDatabase(const QString& password)>& open,
                   const std::function<bool(const QString& serverText)>& wantsPassword);

// A connection name that no other connection of the process has.
QString uniqueConnectionName(const QString& prefix);

// The database of a TYPE=POSTGRESQL alias: SERVER NAME (host, host:port or a socket
// folder), DATABASE NAME, USER NAME, and SCHEMA NAME (none: the user's search path). It
// first logs in with what libpq finds itself (~/.pgpass, PGPASSFILE, PGSERVICE); only
// when the server still wants a password is password asked, once. Throws EngineError:
// ServerRefused with the server's text, or what password throws.
std::unique_ptr<Database> openPostgresAlias(const AliasDefinition& alias, const LoginPassword& password);

// The database of a TYPE=SQLITE alias: the file DATABASE NAME (relative to the aliases
// file's folder), opened read-only and never created. Throws EngineError.
std::unique_ptr<Database> openSqliteAlias(const AliasDefinition& alias);

} // namespace korvex::server
