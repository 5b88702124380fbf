#include "TableFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace korvex {

namespace {

// The names of every entry of the directory that is not a directory (symbolic links
// followed), sorted: what QDir lists for Files | Hidden | System, read straight from
// readdir. A table's companions are looked for several times while it is read, and
// QDir's listing costs more than the rest of reading a small table.
QStringList nonDirectoryEntries(const QString& directory)
{
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(directory).constData());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR)
            continue;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat status {};
            if (::fstatat(::dirfd(dir), entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode))
                continue;
        }
        names << QFile::decodeName(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The path of the file name beside path, in path's own form: relative stays relative.
QString siblingPath(const QString& path, const QString& name)
{
    const auto slash = path.lastIndexOf('/');
    return slash < 0 ? name : path.left(slash + 1) + name;
}

} // namespace

TableFiles::TableFiles(const QString& mainPath)
{
    mainPath_ = QDir::cleanPath(mainPath);
    const QFileInfo info(mainPath_);
    directory_ = info.path();
    const QString name = info.fileName();
    const auto dot = name.lastIndexOf('.');
    baseName_ = dot < 0 ? name : name.left(dot);
}

const QStringList& TableFiles::siblings() const
{
    if (!siblings_)
        siblings_ = nonDirectoryEntries(directory_);
    return *siblings_;
}

std::optional<QString> TableFiles::extensionOf(const QString& fileName) const
{
    if (fileName.size() <= baseName_.size() + 1 || fileName[baseName_.size()] != '.')
        return std::nullopt;
    if (fileName.left(baseName_.size()).compare(baseName_, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return fileName.mid(baseName_.size() + 1).toUpper();
}

std::optional<QString> TableFiles::companion(const QString& suffix) const
{
    const QString wanted = baseName_ + suffix;
    for (const auto& name : siblings())
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return siblingPath(mainPath_, name);
    return std::nullopt;
}

QString TableFiles::pathOf(const QString& fileName) const
{
    return siblingPath(mainPath_, fileName);
}

std::optional<QString> TableFiles::findCaseBlind(const QString& path)
{
    const QString cleaned = QDir::cleanPath(path);
    const QFileInfo info(cleaned);
    if (info.exists())
        return cleaned;
    QDir dir = info.absoluteDir();
    if (!dir.exists())
        return std::nullopt;
    const QString wanted = info.fileName();
    for (const auto& name : nonDirectoryEntries(dir.absolutePath()))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return siblingPath(cleaned, name);
    return std::nullopt;
}

} // namespace korvex
