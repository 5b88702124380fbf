#pragma once

#include "ByteReader.h"
#include "CodePage.h"

#include <QString>

#include <vector>

namespace korvex::dbase {

// One tag of a multi-tag index file as the file stores it, before it is matched against
// the table's fields. Texts are decoded in the table's code page and trimmed.
struct IndexTag {
    QString name;
    QString expression;   // the key expression
    QString forCondition; // the FOR condition; empty when the tag has none
    bool unique = false;
    bool descending = false;
};

// The tags of a dBASE production index (.MDX) in the order of its tag table. Reads the
// file header, the tag table entries in use and each tag's header block; never a key
// page. Tag tables of 32-byte entries (dBASE IV, dBASE 5, the engine) and of 43-byte
// entries (dBASE 7) are read; any other entry length is Unsupported. Throws FormatError
// (Damaged) for a tag table or tag header that the file does not hold or that
// contradicts itself.
std::vector<IndexTag> readMdxTags(const FileBytes& mdx, const CodePage& codePage);

// The tags of a FoxPro structural compound index (.CDX) in the order of its tag
// directory, which keeps them sorted by name. Walks the directory's B-tree from its
// leftmost leaf along the leaf chain, visiting every node at most once, and reads each
// tag's header. Throws FormatError: Unsupported for an index that is not in the compact
// format, Damaged for nodes or tag headers that the file does not hold, that point back
// into the chain or that contradict themselves.
std::vector<IndexTag> readCdxTags(const FileBytes& cdx, const CodePage& codePage);

} // namespace korvex::dbase
