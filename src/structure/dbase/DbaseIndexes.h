#pragma once

#include "ByteReader.h"
#include "DbaseReader.h"
#include "TableDefinition.h"

#include <vector>

namespace korvex::dbase {

// The indexes of a dBASE or FoxPro table whose definition readTable gave, read from the
// companion index that the table's header names (byte 28 bit 0x01): the production .MDX
// of a "DBASE" table in tag-table order, the structural .CDX of a "FOXPRO" table in
// directory order (sorted by tag name).
//
// - A table whose header names no index has none, even when an index file lies beside
//   it: the engine opens only the index the header names.
// - A table whose header names an index that is not there throws FormatError (Missing)
//   naming the missing file (the table's path with .MDX or .CDX for its extension) and
//   the header byte that names it.
// - A tag whose key expression, without its surrounding blanks, is the name of one of
//   the table's fields (letter case aside) is a field index on that field, spelled as
//   the table spells it; any other tag is an expression index.
// - Every tag is maintained, neither primary nor case-insensitive; unique, descending and
//   the FOR condition come from the tag.
//
// Damaged or unknown index files throw FormatError as readMdxTags and readCdxTags do.
std::vector<IndexDescription> readIndexes(const TableDefinition& table, const FileBytes& dbf,
                                          const DbaseCompanions& companions);

} // namespace korvex::dbase
