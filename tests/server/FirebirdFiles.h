#pragma once

// Firebird database files for the tests, made by Firebird's own isql-fb with the embedded
// engine: no server, no network.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace korvex::server::test {

// The embedded engine's environment, set once for the process and inherited by the
// programs it starts: lock files in a folder of the test's own (not /tmp/firebird, which
// another user may own), and the user SYSDBA, whom the engine trusts as root.
inline void useEmbeddedFirebird()
{
    static QTemporaryDir locks(QDir::tempPath() + QStringLiteral("/korvex-test-fblock-XXXXXX"));
    if (!qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", QFile::encodeName(locks.path()));
    qputenv("ISC_USER", "SYSDBA");
    qunsetenv("ISC_PASSWORD");
}

// Makes the database file `path` (UTF8) and runs the statements in it, each ending in ";".
// Gives back isql's complaint, empty when all went well. The engine writes every page
// through to the disk, so a large schema takes its time.
inline QString makeFirebirdDatabase(const QString& path, const QStringList& statements, int timeoutMs = 60000)
{
    useEmbeddedFirebird();
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
    if (isql.isEmpty())
        return QStringLiteral("isql-fb (Debian's firebird3.0-utils) is not installed");
    QString script = QStringLiteral(
                         "SET NAMES UTF8;\nSET SQL DIALECT 3;\nCREATE DATABASE '%1' DEFAULT CHARACTER SET UTF8;\n")
                         .arg(QString(path).replace(u'\'', QStringLiteral("''")));
    for (const QString& s : statements)
        script += s + QStringLiteral(";\n");
    script += QStringLiteral("COMMIT;\n");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(isql, {QStringLiteral("-q"), QStringLiteral("-b")});
    process.write(script.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0 || !QFile::exists(path))
        return QStringLiteral("isql-fb could not make %1: %2").arg(path, QString::fromUtf8(process.readAll()));
    return {};
}

// Why the embedded engine cannot make database files here (isql-fb, the engine plugin
// Engine12 of firebird3.0-server-core or a writable lock folder missing); empty when it can.
inline QString firebirdMissing()
{
    static const QString missing = [] {
        QTemporaryDir dir;
        return makeFirebirdDatabase(dir.filePath(QStringLiteral("probe.fdb")), {});
    }();
    return missing;
}

} // namespace korvex::server::test
