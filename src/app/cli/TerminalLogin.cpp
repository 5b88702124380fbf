#include "TerminalLogin.h"

#include "EngineResult.h"
#include "Streams.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace korvex {

namespace {

// Echo off while the password is typed, back on however the reading ends.
class EchoOff {
public:
    EchoOff()
    {
        if (::tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (active_)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

// One line from standard input, without its line end; nothing at its end (Ctrl+D).
std::optional<QByteArray> readLine()
{
    QByteArray line;
    for (;;) {
        char c = 0;
        const auto n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return line.isEmpty() ? std::nullopt : std::optional(line);
        if (c == '\n')
            return line;
        line.append(c);
    }
}

} // namespace

std::optional<QString> TerminalLogin::askPassword(const QString& aliasName, const QString& userName)
{
    if (!::isatty(STDIN_FILENO))
        throw EngineError(result::LoginCancelled,
                          QStringLiteral("alias \"%1\": the server wants the password of %2, and standard input is no "
                                         "terminal to ask it on; give it through the driver's own sources "
                                         "(PostgreSQL: ~/.pgpass, PGPASSFILE or PGSERVICE; MariaDB and MySQL: "
                                         "~/.my.cnf; Firebird: ISC_PASSWORD; ODBC: the data source's PWD)")
                              .arg(aliasName, userName));
    writeMessage(QStringLiteral("%1: password of %2 for the alias %3: ").arg(program_, userName, aliasName));
    std::optional<QByteArray> line;
    {
        const EchoOff quiet;
        line = readLine();
    }
    if (!line)
        return std::nullopt;
    QString password = QString::fromLocal8Bit(*line);
    line->fill('\0');
    return password;
}

} // namespace korvex
