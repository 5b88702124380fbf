#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvex {

// A table's file and its companions in one directory. Tables brought from Windows mix
// letter cases (CUSTOMER.DB beside customer.val), so companions are found without regard
// to case. Paths keep the form the table's path was given in (a relative path gives
// relative companions), so that messages name files the way the user named the table.
// The directory is listed once, at the first look for a companion: an object answers for
// the moment it was first asked, so make a new one to see later changes.
class TableFiles {
public:
    // mainPath: the table file itself (it exists).
    explicit TableFiles(const QString& mainPath);

    // The path of a file of that name beside the table, whether or not it exists.
    QString pathOf(const QString& fileName) const;

    const QString& mainPath() const { return mainPath_; }
    const QString& directory() const { return directory_; }
    // The file name without its extension, as stored on disk.
    const QString& baseName() const { return baseName_; }

    // The path of "<base><suffix>" in the table's directory (suffix with its dot, e.g.
    // ".VAL"), matched without regard to case; nothing when there is none.
    std::optional<QString> companion(const QString& suffix) const;
    // Paths of "<base>.<ext>" for every ext that the predicate accepts (the extension is
    // handed over in upper case, without its dot); sorted by file name.
    template <typename Predicate>
    QStringList companionsWhere(Predicate accepts) const
    {
        QStringList found;
        for (const auto& name : siblings())
            if (const auto ext = extensionOf(name); ext && accepts(*ext))
                found << pathOf(name);
        return found;
    }

    // Finds name (a file name or a path) case-blind: the path (cleaned) when it exists,
    // else the one entry of its directory whose name matches without regard to case, in
    // the path's own form.
    static std::optional<QString> findCaseBlind(const QString& path);

private:
    const QStringList& siblings() const;  // file names in the directory, sorted
    std::optional<QString> extensionOf(const QString& fileName) const;

    QString mainPath_;
    QString directory_;
    QString baseName_;
    mutable std::optional<QStringList> siblings_;
};

} // namespace korvex
