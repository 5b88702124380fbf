// The engine's aliases and database objects: named directories of desktop tables (and
// server databases, for which no driver exists) from the aliases file.

#include "DatabaseEngine.h"

#include "FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

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

QString DatabaseEngine::directoryOf(const QString& databaseName) const
{
    const auto it = databases_.find(databaseName);
    return it == databases_.end() ? databaseName : it->second.directory;
}

EngineResult DatabaseEngine::existingDirectoryOf(const QString& databaseName, QString& directory)
{
    directory = directoryOf(databaseName);
    const PathStatus status = pathStatus(directory);
    if (status.error == ENAMETOOLONG)
        return fail(result::NoSuchFile, pathTooLongMessage(directory));
    if (!status.directory)
        return fail(result::NoSuchFile, QStringLiteral("%1: no such directory").arg(visibleFileName(directory)));
    return result::Ok;
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
    if (alias->isServer())
        return fail(result::NoDriver,
                    QStringLiteral("alias \"%1\": no driver for %2 databases exists in Korvex; only directories of "
                                   "Paradox and dBASE tables can be opened")
                        .arg(alias->name, alias->driver));
    if (!alias->path || alias->path->isEmpty())
        return fail(result::NoSuchFile, QStringLiteral("alias \"%1\": its PATH names no directory").arg(alias->name));
    if (!QFileInfo(*alias->path).isDir())
        return fail(result::NoSuchFile,
                    QStringLiteral("alias \"%1\": %2: no such directory").arg(alias->name, *alias->path));
    databases_.emplace(databaseName, OpenedDatabase{alias->name, *alias->path, 1});
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
    if (databaseName.isEmpty())
        return fail(result::NoSuchFile, QStringLiteral("no database or directory given"));
    QString directory;
    if (const auto r = existingDirectoryOf(databaseName, directory); r != result::Ok)
        return r;
    if (::access(encodeFileName(directory).constData(), R_OK) != 0)
        return fail(result::ReadError,
                    QStringLiteral("%1: the directory cannot be read").arg(visibleFileName(directory)));

    // Regular files and links to them, without hidden files: the leftovers of editors and
    // synchronisers, never tables a user picks. Names keep their bytes (FileNames.h).
    const auto listing = listings_.of(directory);
    for (qsizetype i = 0; i < listing->names().size(); ++i) {
        const QString& name = listing->names()[i];
        const auto dot = name.lastIndexOf('.');
        if (dot > 0 && !name.startsWith('.') && listing->isRegularFile(i) &&
            formatForExtension(name.sliced(dot + 1)) != nullptr)
            names << name;
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int blind = a.compare(b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : a < b;
    });
    return succeed();
}

} // namespace korvex
