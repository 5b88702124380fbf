#pragma once

#include "AliasDatabase.h"

#include <QString>

#include <memory>

namespace korvex {

class DatabaseEngine;

// The command line's aliases, from the aliases file beside the settings file.

// One line per alias, sorted by name ignoring case: the name, the driver, and the
// directory of a directory alias or the parameters of a server alias ("; " between them),
// separated by tabs.
QString aliasListText(DatabaseEngine& engine);

// The connected database of the alias called name (in any case); nothing, with error set
// to the engine's message, when there is no such alias, its server cannot be reached or
// logged into (or has no driver), or its directory is missing.
std::unique_ptr<AliasDatabase> connectAlias(DatabaseEngine& engine, const QString& name, QString& error);

// Whether name (in any case) is an alias without a directory, whose tables a server lists.
bool isServerAlias(DatabaseEngine& engine, const QString& name);

// The directory of a connected directory alias, from its PATH line.
QString aliasDirectory(DatabaseEngine& engine, const AliasDatabase& database);

} // namespace korvex
