#include "CatalogDatabase.h"

#include "PostgresCatalog.h"
#include "SqliteCatalog.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
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

template <typename Catalog>
class ReaderOf : public CatalogReader {
public:
    explicit ReaderOf(Catalog catalog) : catalog_(std::move(catalog)) {}
    QStringList listTables() override { return catalog_.listTables(); }
    std::vector<ServerTable> readTables() override { return catalog_.readTables(); }

private:
    Catalog catalog_;
};

EngineError refused(const AliasDefinition& alias, const QString& serverText)
{
    return EngineError(result::ServerRefused, QStringLiteral("alias \"%1\": %2").arg(alias.name, serverText));
}

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

CatalogDatabase::CatalogDatabase(QString aliasName, QString connectionName, std::unique_ptr<CatalogReader> reader)
    : aliasName_(std::move(aliasName)), connectionName_(std::move(connectionName)), reader_(std::move(reader))
{}

CatalogDatabase::~CatalogDatabase()
{
    // The reader holds the connection's last handles; they must go before the connection.
    reader_.reset();
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
    const auto bare = [](QString name) { return name.remove(u'"'); };
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return bare(a).compare(bare(b), Qt::CaseInsensitive) < 0;
    });
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
    }
    auto found = std::find_if(tables_->begin(), tables_->end(),
                              [&](const ServerTable& t) { return t.name == tableName; });
    if (found == tables_->end()) {
        const auto byCase = [&](const ServerTable& t) { return t.name.compare(tableName, Qt::CaseInsensitive) == 0; };
        found = std::find_if(tables_->begin(), tables_->end(), byCase);
        // Two tables whose names differ only in case: the name must be spelled exactly.
        if (found != tables_->end() && std::find_if(std::next(found), tables_->end(), byCase) != tables_->end())
            found = tables_->end();
    }
    if (found == tables_->end())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": %2: no such table in the database").arg(aliasName_, tableName));
    return std::make_unique<CatalogTable>(tables_, *found);
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
    QSqlDatabase db;
    try {
        db = openPostgres(connection, login);
    } catch (const ServerError& first) {
        if (!wantsPassword(first.message()))
            throw refused(alias, first.message());
        // The password lives in this login only; the engine keeps it for the run.
        login.password = password(loginUser(alias));
        if (login.password.isEmpty())
            throw refused(alias, first.message());
        try {
            db = openPostgres(connection, login);
        } catch (const ServerError& second) {
            throw refused(alias, second.message());
        }
    }
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
