#include "TableSet.h"

#include "AliasDatabase.h"
#include "DatabaseEngine.h"

#include <QDir>
#include <QFileInfo>

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

    QStringList origins;
    for (const auto& argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isDir()) {
            set.tables.push_back({info.fileName(), info.absolutePath(), argument});
            if (!origins.contains(info.path()))
                origins << info.path();
            continue;
        }
        if (!origins.contains(argument))
            origins << argument;
        QStringList names;
        if (engine.ListTables(info.absoluteFilePath(), names) != result::Ok) {
            set.problems << engine.lastError();
            continue;
        }
        if (names.isEmpty())
            set.problems << QStringLiteral("%1: no Paradox or dBASE tables in this directory").arg(argument);
        const QDir directory(argument);
        for (const auto& name : names)
            set.tables.push_back({name, info.absoluteFilePath(), directory.filePath(name)});
    }
    set.origin = origins.join(QStringLiteral(", "));
    qualifyTableNames(set.tables);
    return set;
}

} // namespace korvex
