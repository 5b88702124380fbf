#include "AliasCommand.h"

#include "DatabaseEngine.h"

#include <algorithm>

namespace korvex {

namespace {

const QString PathPrefix = QStringLiteral("PATH=");

} // namespace

QString aliasListText(DatabaseEngine& engine)
{
    QStringList names;
    engine.ListAliases(names);
    QString text;
    for (const auto& name : names) {
        QString driver;
        QStringList parameters;
        engine.GetAliasDriver(name, driver);
        engine.ListAliasParameters(name, parameters);
        const bool directory = !parameters.isEmpty() && parameters.first().startsWith(PathPrefix, Qt::CaseInsensitive);
        const QString where = directory ? parameters.first().mid(PathPrefix.size())
                                        : parameters.join(QStringLiteral("; "));
        text += name + '\t' + driver + '\t' + where + '\n';
    }
    return text;
}

std::unique_ptr<AliasDatabase> connectAlias(DatabaseEngine& engine, const QString& name, QString& error)
{
    // The database object carries the alias's name as the aliases file spells it.
    QStringList names;
    engine.ListAliases(names);
    const auto spelled = std::find_if(names.begin(), names.end(),
                                      [&](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
    auto database = std::make_unique<AliasDatabase>(engine, spelled == names.end() ? name : *spelled);
    if (database->connect() != result::Ok) {
        error = engine.lastError();
        return nullptr;
    }
    return database;
}

bool isServerAlias(DatabaseEngine& engine, const QString& name)
{
    QStringList parameters;
    return engine.ListAliasParameters(name, parameters) == result::Ok &&
           (parameters.isEmpty() || !parameters.first().startsWith(PathPrefix, Qt::CaseInsensitive));
}

QString aliasDirectory(DatabaseEngine& engine, const AliasDatabase& database)
{
    QStringList parameters;
    engine.ListAliasParameters(database.aliasName(), parameters);
    for (const auto& line : parameters)
        if (line.startsWith(PathPrefix, Qt::CaseInsensitive))
            return line.mid(PathPrefix.size());
    return QString();
}

} // namespace korvex
