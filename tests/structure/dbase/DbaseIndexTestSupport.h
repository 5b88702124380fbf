#pragma once

#include "DatabaseEngine.h"
#include "TableDefinition.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace korvex::dbase::test {

// One index as a test expects it; an expression index has an expression and no fields.
struct ExpectedTag {
    const char* name;
    const char* fields = ""; // the key fields joined by ";"
    const char* expression = "";
    const char* forCondition = "";
    bool unique = false;
    bool descending = false;
};

// Expects the indexes, in order, to be exactly the expected ones, every flag included:
// as a reader gives them, and as the engine lists them.
void expectTags(const std::vector<IndexDescription>& listed, const std::vector<ExpectedTag>& want);

// A small writer of index files for what no independent writer makes: FOR clauses,
// damaged and looping files, descending and unique FoxPro tags, directories of several
// nodes. It follows the published layouts (Microsoft's compact and compound index pages
// for .CDX), not our reader.

struct MdxTagSpec {
    std::string name;
    std::string expression;
    std::uint8_t keyFormat = 0x10; // 0x40 unique, 0x08 descending
    std::string forCondition{};    // written with the FOR flag when not empty
};

// A production index with 32-byte (dBASE IV) or 43-byte (dBASE 7) tag table entries and
// one 1024-byte block per tag header, in the given order.
QByteArray buildMdx(const std::vector<MdxTagSpec>& tags, int entryLength = 32);

struct CdxTagSpec {
    std::string name; // at most 10 characters
    std::string expression;
    std::string forCondition{};  // written with option 0x08 when not empty
    std::uint8_t options = 0x60; // 0x01 unique
    std::uint16_t order = 0;     // 1 descending
};

// A structural index whose tag directory holds the tags sorted by name, at most
// tagsPerLeaf to a leaf node; with more than one leaf, an interior root node leads to
// them. Leaf entries are 4 bytes: 24 bits of record number, 4 of duplicate count, 4 of
// trailing count.
QByteArray buildCdx(std::vector<CdxTagSpec> tags, std::size_t tagsPerLeaf = 30);

// Offsets into a file built by buildCdx, for tests that damage it.
namespace cdx {
inline constexpr std::size_t FirstNode = 1024; // the root; the leaves follow when it is interior
inline constexpr std::size_t NodeSize = 512;
} // namespace cdx

void put16(QByteArray& a, std::size_t at, std::uint16_t v);
void put32(QByteArray& a, std::size_t at, std::uint32_t v);
void put32be(QByteArray& a, std::size_t at, std::uint32_t v);

} // namespace korvex::dbase::test
