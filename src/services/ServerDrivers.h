#pragma once

#include "DatabaseEngine.h"

#include <QString>

namespace korvex {

// The drivers of server aliases that every engine of the program gets: each program's
// engine is given them through installServerDrivers when it is made, so that the
// application, korvex-report and tbls-driver-korvex open the same kinds of server.

// Adds a driver for the whole process (before the engines that should have it are made).
void addServerDriver(const QString& driverName, ServerOpener opener);
// Registers with engine the built-in drivers (POSTGRESQL, SQLITE) and every driver added
// so far.
void installServerDrivers(DatabaseEngine& engine);

} // namespace korvex
