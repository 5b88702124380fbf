#include "BrowserFiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace korvex {

void requireEnterableDirectory(const QString& directory)
{
    const QFileInfo info(directory);
    if (!info.exists())
        throw DirectoryError(QStringLiteral("%1: no such directory").arg(directory));
    if (!info.isDir())
        throw DirectoryError(QStringLiteral("%1: not a directory").arg(directory));
    if (!info.isReadable() || !info.isExecutable())
        throw DirectoryError(QStringLiteral("%1: the directory may not be read").arg(directory));
}

QString cleanDirectoryPath(const QString& directory)
{
    return QDir::cleanPath(QDir(directory).absolutePath());
}

QStringList listMatchingFiles(const QString& directory, const QString& mask)
{
    if (directory.isEmpty())
        return {};
    QStringList patterns;
    for (const QString& part : mask.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        // On Linux a name need not have a dot; "*.*" means every file all the same.
        patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty())
        return {};
    // Without QDir::CaseSensitive the patterns match in any case; QDir::Files leaves out
    // hidden files and, without QDir::System, devices, pipes and sockets.
    QDir dir(directory);
    dir.setNameFilters(patterns);
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Unsorted);
    QStringList names = dir.entryList();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int blind = a.compare(b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : a < b;
    });
    return names;
}

QChar dateSeparator(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter() || c.isSpace())
            continue;
        return c;
    }
    return u'/';
}

QString tableDateText(const QDateTime& modified, QChar separator)
{
    if (!modified.isValid())
        return QStringLiteral("?");
    const QDate date = modified.date();
    const auto digits = [](int value, int width) { return QString::number(value).rightJustified(width, u'0'); };
    return digits(date.day(), 2) + separator + digits(date.month(), 2) + separator + digits(date.year(), 4);
}

QString fileDateText(const QString& path, QChar separator)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return QStringLiteral("?");
    return tableDateText(info.lastModified(), separator);
}

int tableImageIndex(const QString& name, bool aliasMode)
{
    if (aliasMode)
        return 0;
    const bool table = name.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive) ||
                       name.endsWith(QLatin1String(".DBF"), Qt::CaseInsensitive);
    return table ? 0 : 1;
}

} // namespace korvex
