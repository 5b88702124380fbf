#include "TableSet.h"

#include "AliasDatabase.h"
#include "DatabaseEngine.h"
#include "FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace korvex {

void qualifyTableNames(std::vector<TableEntry>& tables)
{
    // The directories as absolute, cleaned paths, split into their components.
    std::vector<QStringList> directories;
    directories.reserve(tables.size());
    for (const auto& t : tables)
        directories.push_back(QDir::cleanPath(t.databaseName).split(QLatin1Char('/')));
    const bool several = std::any_of(directories.begin(), directories.end(),
                                     [&](const QStringList& d) { return d != directories.front(); });
    if (!several)
        return;
    qsizetype common = directories.front().size();
    for (const auto& d : directories) {
        qsizetype same = 0;
        while (same < std::min(common, d.size()) && d.at(same) == directories.front().at(same))
            ++same;
        common = same;
    }
    for (std::size_t i = 0; i < tables.size(); ++i)
        tables[i].qualifier = directories[i].mid(common).join(QLatin1Char('/'));
}

TableSet expandTableArguments(DatabaseEngine& engine, const QStringList& arguments, const AliasDatabase* alias)
{
    TableSet set;
    if (alias) {
        set.origin = QStringLiteral("alias ") + alias->aliasName();
        set.aliasName = alias->aliasName();
        QStringList names = arguments;
        if (names.isEmpty() && engine.ListTables(alias->databaseName(), names) != result::Ok)
            set.problems << QStringLiteral("%1: %2").arg(set.origin, engine.lastError());
        for (const auto& name : names)
            set.tables.push_back({name, alias->databaseName(), name});
        if (arguments.isEmpty() && names.isEmpty() && set.problems.isEmpty())
            set.problems << QStringLiteral("%1: no tables").arg(set.origin);
        qualifyTableNames(set.tables);
        return set;
    }

    // Directories keep the form they were given in: a relative path stays short where the
    // absolute one would pass the system's limit in a deep directory.
    QStringList origins;
    QSet<QString> seen; // origins, looked up in constant time for runs of thousands of tables
    const auto addOrigin = [&](const QString& origin) {
        if (!seen.contains(origin)) {
            seen.insert(origin);
            origins << visibleFileName(origin);
        }
    };
    for (const auto& argument : arguments) {
        const QFileInfo info(argument);
        if (!pathStatus(argument).directory) {
            set.tables.push_back({info.fileName(), QDir::cleanPath(info.path()), argument});
            addOrigin(info.path());
            continue;
        }
        addOrigin(argument);
        QStringList names;
        if (engine.ListTables(QDir::cleanPath(argument), names) != result::Ok) {
            set.problems << engine.lastError();
            continue;
        }
        if (names.isEmpty())
            set.problems
                << QStringLiteral("%1: no Paradox or dBASE tables in this directory").arg(visibleFileName(argument));
        const QDir directory(argument);
        for (const auto& name : names)
            set.tables.push_back({name, QDir::cleanPath(argument), directory.filePath(name)});
    }
    set.origin = origins.join(QStringLiteral(", "));
    qualifyTableNames(set.tables);
    return set;
}

} // namespace korvex
