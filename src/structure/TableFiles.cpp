#include "TableFiles.h"

#include "FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

namespace korvex {

namespace {

struct Entries {
    std::vector<std::pair<QString, bool>> files; // name, and whether it is a regular file
    QStringList directories;
    bool hasLinks = false;
};

// A directory changed this recently is listed afresh every time (see DirectoryListings).
constexpr qint64 QuietNanoseconds = 3'000'000'000;
// Listings kept outside runs; a browser that visits more directories starts again.
constexpr qsizetype MaxKept = 64;

qint64 nanoseconds(const timespec& t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::optional<DirectoryStamp> stampOf(const QString& directory)
{
    struct stat status {};
    if (::stat(encodeFileName(directory.isEmpty() ? QStringLiteral(".") : directory).constData(), &status) != 0 ||
        !S_ISDIR(status.st_mode))
        return std::nullopt;
    return DirectoryStamp{quint64(status.st_dev), quint64(status.st_ino), nanoseconds(status.st_mtim),
                          nanoseconds(status.st_ctim)};
}

qint64 now()
{
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

// Every entry of the directory (symbolic links followed), sorted, read straight from
// readdir with each name's bytes kept (QDir would lose those that are not UTF-8).
Entries entriesOf(const QString& directory)
{
    Entries entries;
    DIR* dir = ::opendir(encodeFileName(directory.isEmpty() ? QStringLiteral(".") : directory).constData());
    if (dir == nullptr)
        return entries;
    while (const dirent* entry = ::readdir(dir)) {
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            entries.hasLinks = true; // or a file system that does not say: a kind read by stat
            struct stat status {};
            if (::fstatat(::dirfd(dir), entry->d_name, &status, 0) != 0)
                type = DT_UNKNOWN; // a dangling link
            else
                type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        const QString name = decodeFileName(entry->d_name);
        if (type == DT_DIR) {
            if (name != QLatin1String(".") && name != QLatin1String(".."))
                entries.directories << name;
        } else {
            entries.files.emplace_back(name, type == DT_REG);
        }
    }
    ::closedir(dir);
    std::sort(entries.files.begin(), entries.files.end());
    std::sort(entries.directories.begin(), entries.directories.end());
    return entries;
}

// The path of the file name beside path, in path's own form: relative stays relative.
QString siblingPath(const QString& path, const QString& name)
{
    const auto slash = path.lastIndexOf('/');
    return slash < 0 ? name : path.left(slash + 1) + name;
}

QString baseOf(const QString& name)
{
    const auto dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

} // namespace

DirectoryListing::DirectoryListing(const QString& directory)
{
    Entries entries = entriesOf(directory);
    names_.reserve(qsizetype(entries.files.size()));
    regular_.reserve(entries.files.size());
    byName_.reserve(qsizetype(entries.files.size()));
    byBase_.reserve(qsizetype(entries.files.size()));
    for (auto& [name, regular] : entries.files) {
        const qsizetype i = names_.size();
        byName_[name.toCaseFolded()].push_back(i);
        if (name.contains('.'))
            byBase_[baseOf(name).toCaseFolded()].push_back(i);
        names_ << std::move(name);
        regular_.push_back(regular);
    }
    directories_ = std::move(entries.directories);
    hasLinks_ = entries.hasLinks;
    for (qsizetype i = 0; i < directories_.size(); ++i)
        byDirectory_[directories_[i].toCaseFolded()].push_back(i);
}

std::vector<QString> DirectoryListing::lookUp(const Index& index, const QStringList& names, const QString& key)
{
    std::vector<QString> found;
    const auto it = index.constFind(key.toCaseFolded());
    if (it != index.constEnd())
        for (const qsizetype i : *it)
            found.push_back(names[i]);
    return found;
}

std::vector<QString> DirectoryListing::matching(const QString& name) const
{
    return lookUp(byName_, names_, name);
}

std::vector<QString> DirectoryListing::withBase(const QString& base) const
{
    return lookUp(byBase_, names_, base);
}

std::vector<QString> DirectoryListing::directoriesMatching(const QString& name) const
{
    return lookUp(byDirectory_, directories_, name);
}

std::shared_ptr<const DirectoryListing> DirectoryListings::of(const QString& directory)
{
    if (runs_ == 0)
        return outsideRun(directory);
    const QString key = QDir::cleanPath(directory);
    auto& listing = listings_[key];
    if (!listing)
        listing = std::make_shared<const DirectoryListing>(key);
    return listing;
}

std::shared_ptr<const DirectoryListing> DirectoryListings::outsideRun(const QString& directory)
{
    const qint64 listedAt = now();
    const auto stamp = stampOf(directory);
    if (!stamp)
        return std::make_shared<const DirectoryListing>(directory);
    const QString key = QDir::cleanPath(directory);
    if (const auto it = kept_.constFind(key); it != kept_.constEnd() && it->stamp == *stamp)
        return it->listing;
    auto listing = std::make_shared<const DirectoryListing>(directory);
    // Entries that change set both times; the change time alone moves with the directory's
    // owner or permissions as well, which the comparison catches.
    const bool quiet = listedAt - stamp->modified >= QuietNanoseconds;
    if (quiet && !listing->hasLinks()) {
        if (kept_.size() >= MaxKept)
            kept_.clear();
        kept_.insert(key, Kept{listing, *stamp});
    } else {
        kept_.remove(key);
    }
    return listing;
}

void DirectoryListings::endRun()
{
    if (runs_ > 0 && --runs_ == 0)
        listings_.clear();
}

TableFiles::TableFiles(const QString& mainPath, DirectoryListings* listings) : listings_(listings)
{
    mainPath_ = QDir::cleanPath(mainPath);
    const QFileInfo info(mainPath_);
    directory_ = info.path();
    baseName_ = baseOf(info.fileName());
}

const DirectoryListing& TableFiles::listing() const
{
    if (!listing_)
        listing_ = listings_ ? listings_->of(directory_) : std::make_shared<const DirectoryListing>(directory_);
    return *listing_;
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
    const auto found = listing().matching(baseName_ + suffix);
    if (found.empty())
        return std::nullopt;
    return siblingPath(mainPath_, found.front());
}

QString TableFiles::pathOf(const QString& fileName) const
{
    return siblingPath(mainPath_, fileName);
}

std::optional<QString> TableFiles::findCaseBlind(const QString& path, DirectoryListings* listings)
{
    const QString cleaned = QDir::cleanPath(path);
    if (pathStatus(cleaned).exists())
        return cleaned;
    const QString directory = QFileInfo(cleaned).path();
    const PathStatus status = pathStatus(directory);
    if (!status.directory)
        return std::nullopt;
    const QString wanted = QFileInfo(cleaned).fileName();
    const auto listing = listings ? listings->of(directory) : std::make_shared<const DirectoryListing>(directory);
    const auto found = listing->matching(wanted);
    if (found.empty())
        return std::nullopt;
    return siblingPath(cleaned, found.front());
}

} // namespace korvex
