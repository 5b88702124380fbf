#pragma once

// The private PostgreSQL cluster of tests/support/postgres.sh, as the state file its
// fixture wrote describes it.

#include <QFile>
#include <QString>

namespace korvex::server::test {

struct Cluster {
    QString missing; // not empty: why there is no cluster (the tests skip)
    QString host;    // the socket folder
    QString database;
    QString user;
    QString password;
};

inline Cluster readCluster(const QString& stateFile)
{
    Cluster cluster;
    QFile file(stateFile);
    if (!file.open(QIODevice::ReadOnly)) {
        cluster.missing = QStringLiteral("the private PostgreSQL cluster is not running (run through ctest)");
        return cluster;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).remove(u'\'');
        const QString key = text.section(u'=', 0, 0);
        const QString value = text.section(u'=', 1);
        if (key == u"KORVEX_PG_MISSING")
            cluster.missing = value;
        else if (key == u"KORVEX_PG_HOST")
            cluster.host = value;
        else if (key == u"KORVEX_PG_DATABASE")
            cluster.database = value;
        else if (key == u"KORVEX_PG_USER")
            cluster.user = value;
        else if (key == u"KORVEX_PG_PASSWORD")
            cluster.password = value;
    }
    if (cluster.missing.isEmpty() && cluster.host.isEmpty())
        cluster.missing = QStringLiteral("the private PostgreSQL cluster did not start");
    return cluster;
}

} // namespace korvex::server::test
