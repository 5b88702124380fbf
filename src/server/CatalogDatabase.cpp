#include "CatalogDatabase.h"

#include "PostgresCatalog.h"
#include "SqliteCatalog.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <functional>
#include <iterator>
#include <utility>

namespace korvex::server {

namespace {

// One table of the database's list; shares the list, so it stays valid whatever happens
// to the database object.
class CatalogTable : public DatabaseTable {
public:
    CatalogTable(std::shared_ptr<const std::vector<ServerTable>> tables, const ServerTable& table)
        : tables_(std::move(tables)), table_(table)
    {}
    QString path() const override { return table_.name; }
    const TableDefinition& definition() const override { return table_.definition; }
    std::vector<IndexDescription> indexes() override { return table_.indexes; }
    std::vector<IntegrityDescriptor> integrityLinks() override { return table_.links; }
    // Servers keep their own rights; no table of theirs carries a password checksum.
    bool passwordOpens(const QString&) const override { return false; }

private:
    std::shared_ptr<const std::vector<ServerTable>> tables_;
    const ServerTable& table_;
};

// libpq's words when the server wants a password and none of its own sources had one.
bool wantsPassword(const QString& serverText)
{
    return serverText.contains(QLatin1String("no password supplied"), Qt::CaseInsensitive);
}

// The user libpq logs in as when the alias names none.
QString loginUser(const AliasDefinition& alias)
{
    if (!alias.userName().isEmpty())
        return alias.userName();
    for (const char* source : {"PGUSER", "USER", "LOGNAME"}) {
        if (QString user = qEnvironmentVariable(source); !user.isEmpty())
            return user;
    }
    return {};
}

} // namespace

EngineError refused(const AliasDefinition& alias, const QString& serverText)
{
    return EngineError(result::ServerRefused, QStringLiteral("alias \"%1\": %2").arg(alias.name, serverText));
}

QSqlDatabase logIn(const AliasDefinition& alias, const LoginPassword& password, const QString& user,
                   const std::function<QSqlDatabase(const QString& password)>& open,
                   const std::function<bool(const QString& serverText)>& wantsPassword)
{
    try {
        return open(QString());
    } catch (const ServerError& first) {
        if (!wantsPassword(first.message()))
            throw refused(alias, first.message());
        // The password lives in this call only; the engine keeps it for the run.
        const QString given = password(user);
        if (given.isEmpty())
            throw refused(alias, first.message());
        try {
            return open(given);
        } catch (const ServerError& second) {
            throw refused(alias, second.message());
        }
    }
}

CatalogDatabase::CatalogDatabase(QString aliasName, QString connectionName, std::unique_ptr<CatalogReader> reader)
    : aliasName_(std::move(aliasName)), connectionName_(std::move(connectionName)), reader_(std::move(reader))
{}

CatalogDatabase::~CatalogDatabase()
{
    // The reader holds the connection's last handles; they must go before the connection.
    reader_.reset();
    if (connectionName_.isEmpty())
        return; // a reader with a connection of its own
    QSqlDatabase::database(connectionName_, false).close();
    QSqlDatabase::removeDatabase(connectionName_);
}

void CatalogDatabase::serverFailed(const ServerError& error) const
{
    throw EngineError(result::ServerRefused, QStringLiteral("alias \"%1\": %2").arg(aliasName_, error.message()));
}

QStringList CatalogDatabase::tableNames()
{
    QStringList names;
    try {
        names = reader_->listTables();
    } catch (const ServerError& e) {
        serverFailed(e);
    }
    // By the names themselves: a name quoted because of a blank sorts where its letters do.
    std::vector<std::pair<QString, qsizetype>> keys;
    keys.reserve(std::size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(QString(names[i]).remove(u'"'), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto& key : keys)
        sorted << names[key.second];
    names = std::move(sorted);
    return names;
}

std::unique_ptr<DatabaseTable> CatalogDatabase::openTable(const QString& tableName)
{
    if (!tables_) {
        try {
            tables_ = std::make_shared<const std::vector<ServerTable>>(reader_->readTables());
        } catch (const ServerError& e) {
            serverFailed(e);
        }
        for (std::size_t i = 0; i < tables_->size(); ++i) {
            byName_.emplace((*tables_)[i].name, i);
            byFoldedName_.emplace((*tables_)[i].name.toCaseFolded(), i);
        }
    }
    auto found = byName_.find(tableName);
    if (found == byName_.end()) {
        // Two tables whose names differ only in case: the name must be spelled exactly.
        const auto folded = byFoldedName_.equal_range(tableName.toCaseFolded());
        if (folded.first != folded.second && std::next(folded.first) == folded.second)
            found = byName_.find((*tables_)[folded.first->second].name);
    }
    if (found == byName_.end())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": %2: no such table in the database").arg(aliasName_, tableName));
    return std::make_unique<CatalogTable>(tables_, (*tables_)[found->second]);
}

QString uniqueConnectionName(const QString& prefix)
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("korvex-%1-%2").arg(prefix).arg(++counter);
}

std::unique_ptr<Database> openPostgresAlias(const AliasDefinition& alias, const LoginPassword& password)
{
    const ServerAddress address = alias.serverAddress();
    PostgresLogin login{address.host, address.port, alias.databaseName(), alias.userName(), QString()};
    const QString connection = uniqueConnectionName(QStringLiteral("postgres"));
    QSqlDatabase db = logIn(
        alias, password, loginUser(alias),
        [&](const QString& given) {
            login.password = given;
            return openPostgres(connection, login);
        },
        wantsPassword);
    QStringList schemas;
    if (!alias.schemaName().isEmpty())
        schemas << alias.schemaName();
    auto reader = std::make_unique<ReaderOf<PostgresCatalog>>(PostgresCatalog(db, schemas));
    db = QSqlDatabase();
    return std::make_unique<CatalogDatabase>(alias.name, connection, std::move(reader));
}

std::unique_ptr<Database> openSqliteAlias(const AliasDefinition& alias)
{
    const QString file = alias.databaseFile();
    if (file.isEmpty())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": its DATABASE NAME names no database file").arg(alias.name));
    // Never made: opening a file that is not there would create an empty database.
    if (!QFileInfo(file).isFile())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": %2: no such database file").arg(alias.name, file));
    const QString connection = uniqueConnectionName(QStringLiteral("sqlite"));
    QSqlDatabase db;
    try {
        db = openSqlite(connection, file);
    } catch (const ServerError& e) {
        throw refused(alias, e.message());
    }
    auto reader = std::make_unique<ReaderOf<SqliteCatalog>>(SqliteCatalog(db));
    db = QSqlDatabase();
    return std::make_unique<CatalogDatabase>(alias.name, connection, std::move(reader));
}

} // namespace korvex::server
