#pragma once

#include "ByteReader.h"
#include "CodePage.h"
#include "ParadoxHeader.h"
#include "TableDefinition.h"
#include "TableFiles.h"

#include <QString>

#include <optional>
#include <vector>

namespace korvex::paradox {

// A Paradox table keeps each secondary index in two files beside its .DB: the index data
// (.Xnn for a single-field index, .XGn for a composite or named one) and the tree over it
// (.Ynn, .YGn). The data file's header says which table fields the index covers.
enum class IndexFileKind {
    SingleField, // .Xnn: nn is the indexed field's number, two hexadecimal digits
    Composite,   // .XGn: n is a decimal number
};

struct IndexFileName {
    IndexFileKind kind = IndexFileKind::SingleField;
    unsigned number = 0;
    // The extension of the index tree that belongs to it: "Y02" for "X02", "YG0" for "XG0".
    QString treeExtension;
};

// What an extension (without its dot, any case) says about a file: a secondary index's
// data file, or nothing (.PX, .Ynn, .XLS and everything else).
std::optional<IndexFileName> indexFileName(const QString& extension);

// The primary index of a keyed table, on its key fields: unique and maintained. A keyed
// table has it whether or not its .PX file is there; an unkeyed table has none.
std::optional<IndexDescription> primaryIndex(const TableDefinition& table);

// Reads one secondary index from its data file x, for the table whose .DB header is
// table; field names are decoded in codePage.
//
// - Name: a composite index's stored name; a single-field index is named after its field.
// - Fields: the first m entries of the data file's field-number list, in key order, where
//   the data file holds the index fields, then (keyed table) the key fields and a block
//   number, or (unkeyed table) a record number, a block number and an offset. An index
//   field that is itself a key field may stand in the key part again or be left out
//   there; whichever layout matches the table's fields is taken, preferring the one in
//   which the field-number list numbers the fields behind the index by their own
//   positions (as it does in every known file). The entries are read as the table's
//   positions (from 1), failing that as the numbers the table's header gives its fields
//   (which a restructured table keeps: 1,3,2,4,5,10), failing that by matching the data
//   file's own field names and types with the table's. Format 3.x files have no
//   field-number list: their first index field is the one byte 0x15 names, the others are
//   found by name.
// - Maintained: file type 5 or 8 (3 and 6 are indexes the engine rebuilds when it uses
//   them). Unique: bit 0x20 of byte 0x55. Descending: bit 0x10 of byte 0x55, or bit 15 of
//   any field number (the descending mark of one field; one flag describes the index).
//   Case-insensitive: bit 0x01 of byte 0x55 for a composite index; a single-field index
//   carries its field's name only when it is case-sensitive, so it always is.
//
// Throws FormatError naming x when it is damaged, is not a secondary index's data file of
// the given kind, or describes fields the table does not have (an index file left over
// from another table or from an earlier structure of this one): its fields' types, sizes
// and names must match the table's fields under one of the readings above.
IndexDescription readSecondaryIndex(const ByteReader& x, IndexFileKind kind, const ParadoxHeader& table,
                                    const CodePage& codePage);

// Checks that y is the header of the index tree that belongs to an index of this kind.
// Throws FormatError naming y.
void checkIndexTree(const ByteReader& y, IndexFileKind kind);

// Every index of the table whose definition was read from files.mainPath(): the primary
// index first, then the secondary indexes, the single-field ones by field number, then the
// composite ones by number (the order of their file names, .X01 to .XFF, then .XG0 on).
// Should two files differ only in letter case, the first in name order counts. A tree file
// without its data file is ignored. An index data file whose fields cannot be matched with
// the table's is listed by its name (a single-field index by its file's name) with no
// fields, and a sentence naming it is added to warnings when given. Throws FormatError
// naming the file when an index data file is damaged or cannot be read; a data file
// without its index tree throws FormatError (Missing) naming the missing tree.
std::vector<IndexDescription> readIndexes(const TableDefinition& definition, const TableFiles& files,
                                          QStringList* warnings = nullptr);

// Adds to the definition's warnings one sentence for each index of the table that
// readIndexes lists without its fields, and keeps what it read as the definition's
// indexesAtOpening. Index files that are missing or damaged add nothing here: they fail
// the table when its indexes are listed.
void noteUnreadableIndexes(TableDefinition& definition, const TableFiles& files);

} // namespace korvex::paradox
