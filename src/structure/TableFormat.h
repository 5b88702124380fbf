#pragma once

#include "TableDefinition.h"
#include "TableFiles.h"

#include <QString>

#include <memory>
#include <vector>

namespace korvex {

class MappedFile;

// One table file format (Paradox, dBASE) as the engine drives it. A format reads its
// files and answers in TableDefinition; failures are FormatError.
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

    // The number of index definitions of the table (the primary index included).
    virtual int countIndexes(const TableDefinition& definition, const TableFiles& files) const = 0;

    // For a table whose definition carries a password checksum: whether password opens it.
    virtual bool passwordOpens(const TableDefinition& definition, const QString& password) const = 0;
};

// The formats the engine reads: Paradox and dBASE (with FoxPro).
std::vector<std::unique_ptr<TableFormat>> builtInTableFormats();

} // namespace korvex
