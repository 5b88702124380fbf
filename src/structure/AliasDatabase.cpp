#include "AliasDatabase.h"

#include "DatabaseEngine.h"

namespace korvex {

AliasDatabase::AliasDatabase(DatabaseEngine& engine, const QString& aliasName)
    : engine_(engine), aliasName_(aliasName), databaseName_(NamePrefix + aliasName)
{}

AliasDatabase::~AliasDatabase()
{
    disconnect();
}

EngineResult AliasDatabase::connect()
{
    if (connected_)
        return result::Ok;
    const auto r = engine_.openDatabase(databaseName_, aliasName_);
    connected_ = r == result::Ok;
    return r;
}

void AliasDatabase::disconnect()
{
    if (connected_)
        engine_.closeDatabase(databaseName_);
    connected_ = false;
}

EngineResult AliasDatabase::listTables(QStringList& names)
{
    names.clear();
    if (const auto r = connect(); r != result::Ok)
        return r;
    const auto r = engine_.ListTables(databaseName_, names);
    if (!keepConnection_)
        disconnect();
    return r;
}

} // namespace korvex
