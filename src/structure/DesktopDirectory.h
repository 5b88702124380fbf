#pragma once

#include "Database.h"
#include "FileNames.h"
#include "TableFormat.h"

#include <memory>
#include <optional>
#include <vector>

namespace korvex {

class DirectoryListings;

// A directory of desktop table files (Paradox, dBASE), read through the table formats.
// An empty directory stands for none: table names are then paths of their own, and there
// is nothing to list. The formats and listings must outlive it and every table it opens.
class DesktopDirectory : public Database {
public:
    DesktopDirectory(QString directory, const std::vector<std::unique_ptr<TableFormat>>& formats,
                     DirectoryListings& listings);

    // Regular files (and links to them) of a table format, without hidden files.
    QStringList tableNames() override;
    // A name without extension is looked for with each format's extension; names are matched
    // without regard to case.
    std::unique_ptr<DatabaseTable> openTable(const QString& tableName) override;

    const QString& directory() const { return directory_; }

private:
    QString existingDirectory() const;
    // The table's path, and what it is when that was learnt on the way.
    struct Located {
        QString path;
        std::optional<PathStatus> status;
    };
    Located locate(const QString& tableName) const;

    QString directory_;
    const std::vector<std::unique_ptr<TableFormat>>& formats_;
    DirectoryListings& listings_;
};

// The format whose files carry this extension (any case, without its dot); null when none.
const TableFormat* formatForExtension(const std::vector<std::unique_ptr<TableFormat>>& formats,
                                      const QString& extension);

} // namespace korvex
