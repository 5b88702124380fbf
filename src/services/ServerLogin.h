#pragma once

#include <QString>

#include <optional>

namespace korvex {

class DatabaseEngine;

// How a run asks the user for a server's password: the program in a login dialog, the
// command line on the terminal. Asked only when the server wants a password that its
// driver's own sources (for PostgreSQL ~/.pgpass, PGPASSFILE, PGSERVICE) do not give; the
// answer lives in memory only, never in a file.
class ServerLogin {
public:
    virtual ~ServerLogin() = default;
    // The password of userName at the alias; nothing when the user cancels the login. May
    // throw EngineError when no one can be asked.
    virtual std::optional<QString> askPassword(const QString& aliasName, const QString& userName) = 0;
};

// Makes engine ask login for server passwords; login must outlive the engine's use of it.
void askPasswordsThrough(DatabaseEngine& engine, ServerLogin& login);

} // namespace korvex
