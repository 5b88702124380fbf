#include "TableFiles.h"

#include <QDir>
#include <QFileInfo>

namespace korvex {

TableFiles::TableFiles(const QString& mainPath)
{
    const QFileInfo info(mainPath);
    mainPath_ = info.absoluteFilePath();
    directory_ = info.absolutePath();
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
    for (const auto& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.absoluteFilePath(name);
    return std::nullopt;
}

} // namespace korvex
