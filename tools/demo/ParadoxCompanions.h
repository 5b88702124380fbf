#pragma once

// The parts of a Paradox table that pxlib cannot write, laid out as in real tables: the
// .VAL file (validity checks and referential integrity) and the header bytes of a
// secondary index that pxlib does not know about. Also the clean-up of what pxlib leaves
// in the headers it writes (memory addresses and the clock), so that the demo comes out
// the same on every run.
//
// Integers in headers and .VAL files are little-endian; values are already in the
// field's stored encoding (pxlib's encoders make them).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex::demo {

using Bytes = std::vector<std::uint8_t>;

// The table header bytes that the .VAL copies, read from the finished .DB.
struct TableHeaderFacts {
    std::uint8_t fileVersion = 0; // 0x39
    std::uint8_t changeCount = 0; // 0x2E, copied to .VAL byte 00
    std::uint32_t updateTime = 0; // 0x60, copied to .VAL bytes 03 to 06
    std::uint16_t hiFieldId = 0;  // 0x64, copied to .VAL byte 07
    std::uint16_t keyFields = 0;  // 0x23
    std::vector<std::uint16_t> fieldNumbers;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> descriptors; // type code, size byte
    std::vector<std::string> fieldNames;
};
TableHeaderFacts readTableHeader(const Bytes& db);

// The checks of one field.
struct ValCheck {
    int fieldIndex = 0; // from 0
    bool required = false;
    std::optional<Bytes> minimum;
    std::optional<Bytes> maximum;
    std::optional<Bytes> defaultValue;
    std::string picture; // empty: none
};

// A link from this table to its master, kept in this (the dependent's) .VAL.
struct ValMasterLink {
    std::string name;
    std::string masterFile;            // file name without a directory
    bool cascade = false;              // update rule
    std::vector<std::uint16_t> fields; // this table's field numbers, from 1
    std::vector<std::uint16_t> masterFields;
    std::string fieldName; // this table's field name (single-field links)
};

// A table that refers to this one, kept in this (the master's) .VAL.
struct ValDependent {
    std::string name;
    std::string dependentFile;
    bool cascade = false;
    std::vector<std::uint16_t> dependentFields;
    std::string fieldName; // the dependent's field name (single-field links)
};

struct ValContent {
    TableHeaderFacts table;
    std::string tableFile; // written where the file records the table's path
    std::vector<ValCheck> checks;
    std::vector<ValMasterLink> masterLinks;
    std::vector<std::uint16_t> referencedKeyFields; // this table's key fields that dependents refer to
    std::vector<ValDependent> dependents;
};
Bytes buildValFile(const ValContent& content);

// pxlib writes memory addresses into a few header slots and the clock into the table's
// update time; these slots carry no meaning for readers. Sets them to zero and to
// updateTime.
void normalisePxlibHeader(Bytes& file, std::uint32_t updateTime);

// A secondary index as the X header records it.
struct SecondaryIndexHeader {
    bool composite = false;            // an .XGn (named) index, else .Xnn
    std::string name;                  // .XGn only
    std::vector<std::uint16_t> fields; // table field numbers, from 1, in key order
    bool unique = false;
    bool descending = false;
    bool caseInsensitive = false;
    std::uint8_t tableChangeCount = 0; // the table's 0x2E
};
// pxlib writes an X file as a keyed table and a Y file as a primary index; this gives
// them their file types and the index's own header entries: the first indexed field, the
// field-number array with its descending marks, the options byte and, for .XGn, the name.
void completeSecondaryIndex(Bytes& x, Bytes& y, const SecondaryIndexHeader& index);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

} // namespace korvex::demo
