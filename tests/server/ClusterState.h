#pragma once

// The private PostgreSQL cluster of tests/support/postgres.sh, as the state file its
// fixture wrote describes it.

#include <QFile>
#include <QHash>
#include <QString>

#include <optional>

namespace korvex::server::test {

struct Cluster {
    QString missing; // not empty: why there is no cluster (the tests skip)
    QString host;    // the socket folder
    QString database;
    QString user;
    QString password;
};

// The KEY='value' lines of a server script's state file; nothing when it cannot be read.
inline std::optional<QHash<QString, QString>> readStateFile(const QString& stateFile)
{
    QFile file(stateFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QHash<QString, QString> values;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).remove(u'\'');
        values.insert(text.section(u'=', 0, 0), text.section(u'=', 1));
    }
    return values;
}

inline Cluster readCluster(const QString& stateFile)
{
    Cluster cluster;
    const auto values = readStateFile(stateFile);
    if (!values) {
        cluster.missing = QStringLiteral("the private PostgreSQL cluster is not running (run through ctest)");
        return cluster;
    }
    cluster.missing = values->value(QStringLiteral("KORVEX_PG_MISSING"));
    cluster.host = values->value(QStringLiteral("KORVEX_PG_HOST"));
    cluster.database = values->value(QStringLiteral("KORVEX_PG_DATABASE"));
    cluster.user = values->value(QStringLiteral("KORVEX_PG_USER"));
    cluster.password = values->value(QStringLiteral("KORVEX_PG_PASSWORD"));
    if (cluster.missing.isEmpty() && cluster.host.isEmpty())
        cluster.missing = QStringLiteral("the private PostgreSQL cluster did not start");
    return cluster;
}

} // namespace korvex::server::test
