#include "TableFiles.h"

#include <QDir>
#include <QFileInfo>

namespace korvex {

namespace {

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

QStringList TableFiles::siblings() const
{
    QDir dir(directory_);
    return dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
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
    for (const auto& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return siblingPath(cleaned, name);
    return std::nullopt;
}

} // namespace korvex
