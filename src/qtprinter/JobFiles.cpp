#include "JobFiles.h"

#include "PrintDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <sys/statvfs.h>

namespace korvex {
namespace {

constexpr int MaxBaseNameBytes = 200;
// Enough for every report of a day; past it something is wrong with the folder.
constexpr int MaxNameCounter = 9999;

bool refusedInFileName(char32_t c)
{
    return c < 0x20 || c == 0x7f || c == U'/' || c == U'\\' || c == U':' || c == U'*' || c == U'?' || c == U'"'
           || c == U'<' || c == U'>' || c == U'|';
}

} // namespace

QString pdfFileBaseName(const QString& title)
{
    QList<char32_t> kept;
    bool inRefusedRun = false;
    for (char32_t c : title.toUcs4()) {
        if (refusedInFileName(c)) {
            if (!inRefusedRun)
                kept.push_back(U'-');
            inRefusedRun = true;
        } else {
            kept.push_back(c);
            inRefusedRun = false;
        }
    }
    QString name = QString::fromUcs4(kept.constData(), kept.size());
    qsizetype begin = 0;
    qsizetype end = name.size();
    const auto trimmed = [](QChar c) { return c.isSpace() || c == u'.'; };
    while (begin < end && trimmed(name[begin]))
        ++begin;
    while (end > begin && trimmed(name[end - 1]))
        --end;
    name = name.mid(begin, end - begin);
    while (name.toUtf8().size() > MaxBaseNameBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name.isEmpty() ? QStringLiteral("print job") : name;
}

QString createSpoolFile(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        throw PrinterError(QStringLiteral("\"%1\" is a file, not a folder.").arg(folder));
    if (!info.exists()) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), error);
        if (error)
            throw PrinterError(QStringLiteral("The folder \"%1\" cannot be created: %2")
                                   .arg(folder, QString::fromLocal8Bit(error.message())));
    }
    QString error;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString path = QDir(folder).filePath(
            QStringLiteral(".korvex-spool-%1.pdf").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        error = file.errorString();
        if (!QFileInfo::exists(path))
            break;
    }
    throw PrinterError(QStringLiteral("Cannot write into the folder \"%1\": %2").arg(folder, error));
}

QString deliverSpoolFile(const QString& spoolPath, const QString& folder, const QString& baseName)
{
    const QDir dir(folder);
    for (int n = 1; n <= MaxNameCounter; ++n) {
        const QString name = n == 1 ? baseName + QStringLiteral(".pdf") : QStringLiteral("%1 (%2).pdf").arg(baseName).arg(n);
        const QString target = dir.filePath(name);
        QFile spool(spoolPath);
        if (spool.rename(target))
            return target;
        if (!QFileInfo::exists(target))
            throw PrinterError(QStringLiteral("Cannot store the printed file as \"%1\": %2").arg(target, spool.errorString()));
    }
    throw PrinterError(QStringLiteral("The folder \"%1\" already holds %2 files named \"%3\".")
                           .arg(folder).arg(MaxNameCounter).arg(baseName));
}

QString lackOfRoom(const QStringList& folders)
{
    constexpr unsigned long long Megabyte = 1 << 20;
    for (const auto& folder : folders) {
        struct statvfs fs {};
        if (::statvfs(QFile::encodeName(folder).constData(), &fs) == 0 &&
            static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < Megabyte)
            return QStringLiteral(" (no space is left in the folder \"%1\")").arg(folder);
    }
    return QString();
}

bool pdfFileComplete(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 32)
        return false;
    const qint64 size = file.size();
    file.seek(std::max<qint64>(0, size - 64));
    const QByteArray tail = file.read(64).trimmed();
    if (!tail.endsWith("%%EOF"))
        return false;
    const qsizetype start = tail.lastIndexOf("startxref");
    if (start < 0)
        return false;
    bool ok = false;
    const qint64 xref = tail.mid(start + 9, tail.size() - 5 - start - 9).trimmed().toLongLong(&ok);
    if (!ok || xref <= 0 || xref >= size || !file.seek(xref))
        return false;
    return file.read(4) == "xref";
}

} // namespace korvex
