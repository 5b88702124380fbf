#pragma once

#include <QProcess>
#include <QString>

namespace korvex::test {

// Writes the demo database into folder (tools/demo); answers why it failed, or nothing.
inline QString makeDemoDatabase(const QString& folder)
{
    QProcess maker;
    maker.start(QStringLiteral(KORVEX_MAKE_DEMO), {folder});
    if (!maker.waitForFinished(120000) || maker.exitStatus() != QProcess::NormalExit || maker.exitCode() != 0)
        return QStringLiteral("the demo database was not made: ") +
               QString::fromLocal8Bit(maker.readAllStandardError());
    return QString();
}

} // namespace korvex::test
