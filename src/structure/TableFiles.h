#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace korvex {

// What shows that a directory's entries have not changed since it was last seen: its
// identity and its modification and change times.
struct DirectoryStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 modified = 0; // nanoseconds since the epoch
    qint64 changed = 0;
    bool operator==(const DirectoryStamp&) const = default;
};

// The names of the entries of one directory that are not directories (links followed), as
// read at one moment; names keep their bytes (FileNames.h). Looked up by name and by the
// name before its last dot, both without regard to case, so that finding a table's
// companions costs the same in a directory of ten tables as in one of twenty thousand.
class DirectoryListing {
public:
    explicit DirectoryListing(const QString& directory);

    // Whether an entry was a symbolic link (its kind read through the link).
    bool hasLinks() const { return hasLinks_; }

    const QStringList& names() const { return names_; } // sorted
    // Whether names()[i] is a regular file (a table can be nothing else).
    bool isRegularFile(qsizetype i) const { return regular_[std::size_t(i)]; }
    // The names equal to name without regard to case, sorted.
    std::vector<QString> matching(const QString& name) const;
    // The names "<base>.<ext>" of a base without regard to case, sorted.
    std::vector<QString> withBase(const QString& base) const;
    // The subdirectories named name without regard to case, sorted.
    std::vector<QString> directoriesMatching(const QString& name) const;

private:
    using Index = QHash<QString, std::vector<qsizetype>>;
    static std::vector<QString> lookUp(const Index& index, const QStringList& names, const QString& key);

    QStringList names_;
    std::vector<bool> regular_;
    bool hasLinks_ = false;
    QStringList directories_;
    Index byName_;      // case-folded name: positions in names_
    Index byBase_;      // case-folded name before its last dot
    Index byDirectory_; // case-folded name: positions in directories_
};

// The directory listings of one run over many tables: each directory is listed once, at
// the first table that looks into it, and every later table of the run is answered from
// that listing. Outside a run a listing is kept only while its directory shows no change
// (a program that stays open sees the files as they are when it next reads a table):
// adding, removing or renaming an entry changes the directory's modification time, so a
// listing is taken again whenever that time moves. A directory changed within the last
// seconds before its listing is listed afresh every time, since a coarse clock (two
// seconds on FAT) can give two changes the same time; so is one that holds symbolic links,
// whose targets can change while the directory does not.
class DirectoryListings {
public:
    // The listing of directory: the run's, a kept one still true, or a fresh one.
    std::shared_ptr<const DirectoryListing> of(const QString& directory);

    // Runs nest; the run's listings are forgotten when the outermost run ends.
    void beginRun() { ++runs_; }
    void endRun();
    bool inRun() const { return runs_ > 0; }

private:
    struct Kept {
        std::shared_ptr<const DirectoryListing> listing;
        DirectoryStamp stamp;
    };
    std::shared_ptr<const DirectoryListing> outsideRun(const QString& directory);

    int runs_ = 0;
    QHash<QString, std::shared_ptr<const DirectoryListing>> listings_;
    QHash<QString, Kept> kept_; // outside runs, by directory
};

// A table's file and its companions in one directory. Tables brought from Windows mix
// letter cases (CUSTOMER.DB beside customer.val), so companions are found without regard
// to case. Paths keep the form the table's path was given in (a relative path gives
// relative companions), so that messages name files the way the user named the table.
// The directory is listed at the first look for a companion (or taken from the run's
// listings): an object answers for the moment of that listing.
class TableFiles {
public:
    // mainPath: the table file itself (it exists). listings: the run's, when there is one.
    explicit TableFiles(const QString& mainPath, DirectoryListings* listings = nullptr);

    // The path of a file of that name beside the table, whether or not it exists.
    QString pathOf(const QString& fileName) const;

    const QString& mainPath() const { return mainPath_; }
    const QString& directory() const { return directory_; }
    // The file name without its extension, as stored on disk.
    const QString& baseName() const { return baseName_; }
    DirectoryListings* listings() const { return listings_; }

    // The path of "<base><suffix>" in the table's directory (suffix with its dot, e.g.
    // ".VAL"), matched without regard to case; nothing when there is none.
    std::optional<QString> companion(const QString& suffix) const;
    // Paths of "<base>.<ext>" for every ext that the predicate accepts (the extension is
    // handed over in upper case, without its dot); sorted by file name.
    template <typename Predicate>
    QStringList companionsWhere(Predicate accepts) const
    {
        QStringList found;
        for (const auto& name : listing().withBase(baseName_))
            if (const auto ext = extensionOf(name); ext && accepts(*ext))
                found << pathOf(name);
        return found;
    }

    // Finds name (a file name or a path) case-blind: the path (cleaned) when it exists,
    // else the one entry of its directory whose name matches without regard to case, in
    // the path's own form. listings: the run's, when there is one.
    static std::optional<QString> findCaseBlind(const QString& path, DirectoryListings* listings = nullptr);

private:
    const DirectoryListing& listing() const;
    std::optional<QString> extensionOf(const QString& fileName) const;

    QString mainPath_;
    QString directory_;
    QString baseName_;
    DirectoryListings* listings_;
    mutable std::shared_ptr<const DirectoryListing> listing_;
};

} // namespace korvex
