#pragma once

#include "TableDefinition.h"
#include "TableFiles.h"

#include <QString>

#include <memory>
#include <vector>

namespace korvex {

class MappedFile;

// One table file format (Paradox, dBASE) as a directory of table files (DesktopDirectory)
// reads it. A format reads its files and answers in TableDefinition; failures are
// FormatError.
class TableFormat {
public:
    virtual ~TableFormat() = default;

    // The engine's driver name, e.g. "PARADOX", "DBASE".
    virtual QString driverName() const = 0;
    // Whether a table file with this extension (upper case, without its dot) is ours.
    virtual bool handlesExtension(const QString& extension) const = 0;

    // Reads the table whose main file is mapped in table; companion files are found
    // through files. Throws FormatError.
    virtual TableDefinition readDefinition(const MappedFile& table, const TableFiles& files) const = 0;

    // Every index of the table in the engine's order (for Paradox the primary index
    // first). A missing index file throws FormatError (Missing), a damaged one
    // FormatError (Damaged or Unsupported), naming that file.
    virtual std::vector<IndexDescription> readIndexes(const TableDefinition& definition,
                                                      const TableFiles& files) const = 0;

    // The referential-integrity links of the table; none for formats without them. A
    // damaged file throws FormatError naming it.
    virtual std::vector<IntegrityDescriptor> readIntegrityLinks(const TableDefinition&, const TableFiles&) const
    {
        return {};
    }

    // For a table whose definition carries a password checksum: whether password opens it.
    virtual bool passwordOpens(const TableDefinition& definition, const QString& password) const = 0;
};

// The formats the engine reads: Paradox and dBASE (with FoxPro).
std::vector<std::unique_ptr<TableFormat>> builtInTableFormats();

} // namespace korvex
