#pragma once

#include "ServerLogin.h"

#include <QString>

#include <optional>
#include <utility>

namespace korvex {

// The command line's server login: asks on the terminal, without echo, when standard input
// is one; otherwise no one can be asked, and the login fails with a message that names the
// driver's own password sources. A password is never taken from the arguments, where the
// process list would show it.
class TerminalLogin : public ServerLogin {
public:
    // program: the name the messages begin with.
    explicit TerminalLogin(QString program) : program_(std::move(program)) {}
    std::optional<QString> askPassword(const QString& aliasName, const QString& userName) override;

private:
    QString program_;
};

} // namespace korvex
