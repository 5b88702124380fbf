#pragma once

#include "EngineResult.h"

#include <QString>
#include <QStringList>

namespace korvex {

class DatabaseEngine;

// The database object of one alias, through which the alias's tables are listed and
// opened. Its database name is "DDB" followed by the full alias name; while it is
// connected, the engine takes that name for the alias's directory or server database. With keep-connection
// on, the first use connects it and it stays connected until it is destroyed; with it off,
// each use connects and disconnects again. The engine must outlive it.
class AliasDatabase {
public:
    static inline const QString NamePrefix = QStringLiteral("DDB");

    AliasDatabase(DatabaseEngine& engine, const QString& aliasName);
    ~AliasDatabase();
    AliasDatabase(const AliasDatabase&) = delete;
    AliasDatabase& operator=(const AliasDatabase&) = delete;

    const QString& aliasName() const { return aliasName_; }
    const QString& databaseName() const { return databaseName_; }
    bool keepConnection() const { return keepConnection_; }
    void setKeepConnection(bool keep) { keepConnection_ = keep; }
    bool isConnected() const { return connected_; }

    // On a failure the engine's lastError() tells why (NoSuchAlias, NoSuchFile for a missing
    // directory; for a server alias NoDriver when its driver is not registered, ServerRefused
    // with the server's text, LoginCancelled).
    EngineResult connect();
    void disconnect();

    // The alias's tables (DatabaseEngine::ListTables); connects first.
    EngineResult listTables(QStringList& names);

    DatabaseEngine& engine() { return engine_; }

private:
    DatabaseEngine& engine_;
    QString aliasName_;
    QString databaseName_;
    bool keepConnection_ = true;
    bool connected_ = false;
};

} // namespace korvex
