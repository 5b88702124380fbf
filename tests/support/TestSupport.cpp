#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace korvex::test {

namespace {
QString existingDir(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() ? info.canonicalFilePath() : QString();
}
} // namespace

QString samplesDir()
{
    const QString fromEnv = qEnvironmentVariable("KORVEX_SAMPLES");
    return existingDir(fromEnv.isEmpty() ? QStringLiteral(KORVEX_SAMPLES_DIR) : fromEnv);
}

QString fixturesDir()
{
    const QString fromEnv = qEnvironmentVariable("KORVEX_FIXTURES");
    return existingDir(fromEnv.isEmpty() ? QStringLiteral(KORVEX_FIXTURES_DIR) : fromEnv);
}

QStringList filesWithSuffix(const QString& dir, const QStringList& suffixes)
{
    QStringList found;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        for (const auto& suffix : suffixes)
            if (path.endsWith(suffix, Qt::CaseInsensitive)) {
                found << QFileInfo(path).absoluteFilePath();
                break;
            }
    }
    std::sort(found.begin(), found.end());
    return found;
}

QByteArray readWholeFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

std::vector<std::pair<QString, QByteArray>> checksumTree(const QString& dir)
{
    std::vector<std::pair<QString, QByteArray>> sums;
    for (const auto& path : filesWithSuffix(dir, {QString()}))
        sums.emplace_back(path, QCryptographicHash::hash(readWholeFile(path), QCryptographicHash::Sha256));
    return sums;
}

ProgramRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                      int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    p.closeWriteChannel();
    p.waitForFinished(timeoutMs);
    return ProgramRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                      p.readAllStandardError()};
}

QProcessEnvironment withSettings(QProcessEnvironment environment, const QStringList& settings)
{
    for (const QString& setting : settings)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    return environment;
}

} // namespace korvex::test
