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

} // namespace

TableFiles::TableFiles(const QString& mainPath)
{
    const QFileInfo info(mainPath);
    mainPath_ = info.absoluteFilePath();
    directory_ = info.absolutePath();
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
            return directory_ + '/' + name;
    return std::nullopt;
}

std::optional<QString> TableFiles::findCaseBlind(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.absoluteFilePath();
    QDir dir = info.absoluteDir();
    if (!dir.exists())
        return std::nullopt;
    const QString wanted = info.fileName();
    for (const auto& name : nonDirectoryEntries(dir.absolutePath()))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.absoluteFilePath(name);
    return std::nullopt;
}

} // namespace korvex
