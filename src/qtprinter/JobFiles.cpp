#include "JobFiles.h"

#include "PrintDevice.h"

#include <QCryptographicHash>
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
    return c < 0x20 || c == 0x7f || c == U'/' || c == U'\\' || c == U':' || c == U'*' || c == U'?' || c == U'"' ||
           c == U'<' || c == U'>' || c == U'|';
}

int utf8Bytes(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// A name too long for a file name keeps its beginning and its end (the table's extension
// and what tells long names with a common beginning apart); the middle gives way to a
// short fingerprint of the whole name between two ellipses, so that two names that differ
// only in the middle still get two files.
QString shortenedInTheMiddle(const QString& name)
{
    const QList<uint> ucs4 = name.toUcs4();
    const QList<char32_t> points(ucs4.begin(), ucs4.end());
    const QString mark = QStringLiteral("\u2026%1\u2026")
                             .arg(QString::fromLatin1(
                                 QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(8)));
    const int room = MaxBaseNameBytes - int(mark.toUtf8().size());
    int headBytes = 0;
    qsizetype head = 0;
    while (head < points.size() && headBytes + utf8Bytes(points[head]) <= room / 2)
        headBytes += utf8Bytes(points[head++]);
    int tailBytes = 0;
    qsizetype tail = points.size();
    while (tail > head && tailBytes + utf8Bytes(points[tail - 1]) <= room - headBytes)
        tailBytes += utf8Bytes(points[--tail]);
    return QString::fromUcs4(points.constData(), head) + mark +
           QString::fromUcs4(points.constData() + tail, points.size() - tail);
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
    if (name.toUtf8().size() > MaxBaseNameBytes)
        name = shortenedInTheMiddle(name);
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
        QString path = QDir(folder).filePath(
            QStringLiteral(".korvex-spool-%1.pdf")
                .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
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
        const QString name = n == 1 ? baseName + QStringLiteral(".pdf")
                                    : QStringLiteral("%1 (%2).pdf").arg(baseName).arg(n);
        QString target = dir.filePath(name);
        QFile spool(spoolPath);
        if (spool.rename(target))
            return target;
        if (!QFileInfo::exists(target))
            throw PrinterError(
                QStringLiteral("Cannot store the printed file as \"%1\": %2").arg(target, spool.errorString()));
    }
    throw PrinterError(QStringLiteral("The folder \"%1\" already holds %2 files named \"%3\".")
                           .arg(folder)
                           .arg(MaxNameCounter)
                           .arg(baseName));
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
