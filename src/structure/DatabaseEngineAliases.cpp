// The engine's aliases and database objects: named directories of desktop tables and
// server databases from the aliases file, the latter through the registered drivers.

#include "DatabaseEngine.h"

#include "DesktopDirectory.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace korvex {

const AliasDefinition* DatabaseEngine::findAlias(const QString& aliasName) const
{
    // The aliases file gives them sorted by name ignoring case, one per name: a binary
    // search, since a listing of many aliases looks up each of them.
    const auto it = std::lower_bound(aliases_.begin(), aliases_.end(), aliasName,
                                     [](const AliasDefinition& a, const QString& name) {
                                         return a.name.compare(name, Qt::CaseInsensitive) < 0;
                                     });
    return it != aliases_.end() && it->name.compare(aliasName, Qt::CaseInsensitive) == 0 ? &*it : nullptr;
}

EngineResult DatabaseEngine::noAlias(const QString& aliasName)
{
    return fail(result::NoSuchAlias, QStringLiteral("no alias named \"%1\"").arg(aliasName));
}

Database& DatabaseEngine::databaseNamed(const QString& databaseName, std::unique_ptr<Database>& transient)
{
    if (const auto it = databases_.find(databaseName); it != databases_.end())
        return *it->second.database;
    transient = std::make_unique<DesktopDirectory>(databaseName, formats_, listings_);
    return *transient;
}

namespace {

// A kept connection serves the alias as it was defined when it was made: an aliases file
// read anew with other parameters makes a new one.
QString connectionKey(const AliasDefinition& alias)
{
    return QStringList{alias.name.toCaseFolded(), alias.driver, alias.parameters.join(u'\n')}.join(u'\n');
}

} // namespace

void DatabaseEngine::registerServerDriver(const QString& driverName, ServerOpener opener)
{
    serverDrivers_[driverName.toUpper()] = std::move(opener);
}

bool DatabaseEngine::hasServerDriver(const QString& driverName) const
{
    return serverDrivers_.contains(driverName.toUpper());
}

std::shared_ptr<Database> DatabaseEngine::serverDatabase(const AliasDefinition& alias)
{
    const auto driver = serverDrivers_.find(alias.driver);
    if (driver == serverDrivers_.end())
        throw EngineError(result::NoDriver,
                          QStringLiteral("alias \"%1\": no driver for %2 databases exists in Korvex; only directories "
                                         "of Paradox and dBASE tables can be opened")
                              .arg(alias.name, alias.driver));
    const QString key = connectionKey(alias);
    if (const auto kept = serverDatabases_.find(key); kept != serverDatabases_.end())
        return kept->second;

    // The password that logged in before is tried first; the user is asked when the server
    // wants one and that is missing or refused.
    std::optional<QString> remembered;
    if (const auto it = serverPasswords_.find(key); it != serverPasswords_.end())
        remembered = it->second;
    std::optional<QString> given;
    const LoginPassword password = [&](const QString& userName) -> QString {
        if (remembered) {
            given = std::exchange(remembered, std::nullopt);
            return *given;
        }
        if (passwordPrompt_)
            given = passwordPrompt_(alias.name, userName);
        else
            given.reset();
        if (!given)
            throw EngineError(result::LoginCancelled,
                              QStringLiteral("alias \"%1\": the login as %2 was cancelled").arg(alias.name, userName));
        return *given;
    };
    std::shared_ptr<Database> database;
    try {
        database = driver->second(alias, password);
    } catch (const EngineError&) {
        if (given)
            serverPasswords_.erase(key);
        throw;
    } catch (const std::exception& e) {
        if (given)
            serverPasswords_.erase(key);
        throw EngineError(result::ServerRefused, QStringLiteral("alias \"%1\": %2").arg(alias.name, e.what()));
    }
    if (!database)
        throw EngineError(result::ServerRefused,
                          QStringLiteral("alias \"%1\": the %2 driver gave no database").arg(alias.name, alias.driver));
    if (given)
        serverPasswords_[key] = *given;
    serverDatabases_.emplace(key, database);
    return database;
}

std::shared_ptr<Database> DatabaseEngine::databaseForAlias(const AliasDefinition& alias)
{
    if (alias.isServer())
        return serverDatabase(alias);
    if (!alias.path || alias.path->isEmpty())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": its PATH names no directory").arg(alias.name));
    if (!QFileInfo(*alias.path).isDir())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": %2: no such directory").arg(alias.name, *alias.path));
    return std::make_shared<DesktopDirectory>(*alias.path, formats_, listings_);
}

EngineResult DatabaseEngine::loadAliases(const QString& location)
{
    aliases_.clear();
    QString error;
    auto aliases = AliasFile::read(AliasFile::pathFor(location), error);
    if (!aliases)
        return fail(result::ReadError, error);
    aliases_ = std::move(*aliases);
    return succeed();
}

EngineResult DatabaseEngine::ListAliases(QStringList& names)
{
    names.clear();
    names.reserve(qsizetype(aliases_.size()));
    for (const auto& alias : aliases_)
        names << alias.name;
    return succeed();
}

EngineResult DatabaseEngine::ListAliasParameters(const QString& aliasName, QStringList& lines)
{
    lines.clear();
    const AliasDefinition* alias = findAlias(aliasName);
    if (alias == nullptr)
        return noAlias(aliasName);
    lines = alias->parameterLines();
    return succeed();
}

EngineResult DatabaseEngine::GetAliasDriver(const QString& aliasName, QString& driver)
{
    driver.clear();
    const AliasDefinition* alias = findAlias(aliasName);
    if (alias == nullptr)
        return noAlias(aliasName);
    driver = alias->driver;
    return succeed();
}

EngineResult DatabaseEngine::openDatabase(const QString& databaseName, const QString& aliasName)
{
    if (databaseName.isEmpty())
        return fail(result::InvalidValue, QStringLiteral("a database needs a name"));
    const AliasDefinition* alias = findAlias(aliasName);
    if (alias == nullptr)
        return noAlias(aliasName);
    if (const auto open = databases_.find(databaseName); open != databases_.end()) {
        if (open->second.aliasName.compare(alias->name, Qt::CaseInsensitive) != 0)
            return fail(result::InvalidValue, QStringLiteral("the database \"%1\" is already open for the alias \"%2\"")
                                                  .arg(databaseName, open->second.aliasName));
        ++open->second.openCount;
        return succeed();
    }
    try {
        databases_.emplace(databaseName, OpenedDatabase{alias->name, databaseForAlias(*alias), 1});
    } catch (const EngineError& e) {
        return fail(e.code(), e.message());
    }
    return succeed();
}

EngineResult DatabaseEngine::attachDatabase(const QString& databaseName, std::unique_ptr<Database> database)
{
    if (databaseName.isEmpty() || database == nullptr)
        return fail(result::InvalidValue, QStringLiteral("a database needs a name"));
    if (!databases_.emplace(databaseName, OpenedDatabase{QString(), std::move(database), 1}).second)
        return fail(result::InvalidValue, QStringLiteral("the database \"%1\" is already open").arg(databaseName));
    return succeed();
}

EngineResult DatabaseEngine::closeDatabase(const QString& databaseName)
{
    const auto open = databases_.find(databaseName);
    if (open == databases_.end())
        return fail(result::InvalidHandle, QStringLiteral("no open database named \"%1\"").arg(databaseName));
    if (--open->second.openCount == 0)
        databases_.erase(open);
    // The message of an earlier failure stays, for a caller that closes on its way out.
    return result::Ok;
}

EngineResult DatabaseEngine::ListTables(const QString& databaseName, QStringList& names)
{
    names.clear();
    try {
        std::unique_ptr<Database> transient;
        names = databaseNamed(databaseName, transient).tableNames();
    } catch (const EngineError& e) {
        return fail(e.code(), e.message());
    }
    return succeed();
}

} // namespace korvex
