#pragma once

// The private MariaDB server of tests/support/mariadb.sh, as the state file its fixture
// wrote describes it.

#include <QFile>
#include <QString>

namespace korvex::server::test {

struct MariaDb {
    QString missing; // not empty: why there is no server (the tests skip)
    QString socket;  // the server's socket file
    QString database;
    QString admin; // logs in over the socket without a password
    QString user;  // logs in with the password
    QString password;
};

inline MariaDb readMariaDb(const QString& stateFile)
{
    MariaDb server;
    QFile file(stateFile);
    if (!file.open(QIODevice::ReadOnly)) {
        server.missing = QStringLiteral("the private MariaDB server is not running (run through ctest)");
        return server;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).remove(u'\'');
        const QString key = text.section(u'=', 0, 0);
        const QString value = text.section(u'=', 1);
        if (key == u"KORVEX_MY_MISSING")
            server.missing = value;
        else if (key == u"KORVEX_MY_SOCKET")
            server.socket = value;
        else if (key == u"KORVEX_MY_DATABASE")
            server.database = value;
        else if (key == u"KORVEX_MY_ADMIN")
            server.admin = value;
        else if (key == u"KORVEX_MY_USER")
            server.user = value;
        else if (key == u"KORVEX_MY_PASSWORD")
            server.password = value;
    }
    if (server.missing.isEmpty() && server.socket.isEmpty())
        server.missing = QStringLiteral("the private MariaDB server did not start");
    return server;
}

} // namespace korvex::server::test
