#include "ServerDrivers.h"

#include "CatalogDatabase.h"
#include "EngineResult.h"
#include "FirebirdCatalog.h"
#include "MysqlCatalog.h"
#include "OdbcCatalog.h"
#include "ServerLogin.h"

#include <map>
#include <mutex>

namespace korvex {

namespace {

struct DriverList {
    std::mutex mutex;
    std::map<QString, ServerOpener> openers;
};

DriverList& drivers()
{
    static DriverList list;
    return list;
}

} // namespace

void addServerDriver(const QString& driverName, ServerOpener opener)
{
    DriverList& list = drivers();
    const std::lock_guard lock(list.mutex);
    list.openers[driverName.toUpper()] = std::move(opener);
}

void installServerDrivers(DatabaseEngine& engine)
{
    // The drivers Korvex brings first, so that a driver added under the same name wins.
    engine.registerServerDriver(AliasDefinition::PostgresDriver, server::openPostgresAlias);
    engine.registerServerDriver(AliasDefinition::MysqlDriver, server::openMysqlAlias);
    engine.registerServerDriver(AliasDefinition::SqliteDriver, [](const AliasDefinition& alias, const LoginPassword&) {
        return server::openSqliteAlias(alias);
    });
    engine.registerServerDriver(AliasDefinition::FirebirdDriver, server::openFirebirdAlias);
    engine.registerServerDriver(AliasDefinition::OdbcDriver, server::openOdbcAlias);
    DriverList& list = drivers();
    const std::lock_guard lock(list.mutex);
    for (const auto& [name, opener] : list.openers)
        engine.registerServerDriver(name, opener);
}

void askPasswordsThrough(DatabaseEngine& engine, ServerLogin& login)
{
    engine.setPasswordPrompt(
        [&login](const QString& aliasName, const QString& userName) { return login.askPassword(aliasName, userName); });
}

} // namespace korvex
