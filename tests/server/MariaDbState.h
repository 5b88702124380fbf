#pragma once

// The private MariaDB server of tests/support/mariadb.sh, as the state file its fixture
// wrote describes it.

#include "ClusterState.h"

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
    const auto values = readStateFile(stateFile);
    if (!values) {
        server.missing = QStringLiteral("the private MariaDB server is not running (run through ctest)");
        return server;
    }
    server.missing = values->value(QStringLiteral("KORVEX_MY_MISSING"));
    server.socket = values->value(QStringLiteral("KORVEX_MY_SOCKET"));
    server.database = values->value(QStringLiteral("KORVEX_MY_DATABASE"));
    server.admin = values->value(QStringLiteral("KORVEX_MY_ADMIN"));
    server.user = values->value(QStringLiteral("KORVEX_MY_USER"));
    server.password = values->value(QStringLiteral("KORVEX_MY_PASSWORD"));
    if (server.missing.isEmpty() && server.socket.isEmpty())
        server.missing = QStringLiteral("the private MariaDB server did not start");
    return server;
}

} // namespace korvex::server::test
