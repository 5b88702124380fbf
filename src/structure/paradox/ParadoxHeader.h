#pragma once

#include "ByteReader.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace korvex::paradox {

// Byte 04 of every file of a Paradox table's family: what the file holds. Tables and
// their secondary-index data files (.Xnn, .XGn) share one header layout; the primary index
// (.PX) and the index trees (.Ynn, .YGn) have a shorter header without field names.
enum class FileType : std::uint8_t {
    KeyedTable = 0,           // .DB with a primary key
    PrimaryIndex = 1,         // .PX
    UnkeyedTable = 2,         // .DB without a primary key
    SingleFieldIndexData = 3, // .Xnn, not maintained
    SingleFieldIndexTree = 4, // .Ynn
    SingleFieldIndexDataMaintained = 5,
    CompositeIndexData = 6, // .XGn, not maintained
    CompositeIndexTree = 7, // .YGn
    CompositeIndexDataMaintained = 8,
};

inline constexpr std::uint8_t HighestFileType = 8;

// "primary index", "secondary index data (.Xnn)" ...; for messages.
const char* describeFileType(std::uint8_t fileType);

// The format versions (byte 0x39) this reader knows: 3 is Paradox 3.0, 4 is 3.5, 5 to 9
// are 4.x, 10 and 11 are 5.x, 12 is 7.
inline constexpr std::uint8_t OldestVersion = 3;
inline constexpr std::uint8_t NewestVersion = 12;

// One field as the header stores it.
struct StoredField {
    std::uint8_t typeCode = 0; // the field type code (0x01 Alpha, 0x02 Date, ...)
    std::uint8_t sizeByte = 0; // length, leader + 10 for BLOBs, decimals for BCD
    // The field's number from the header's field-number list (format 4.x and later; it
    // stops being the position once a field has been deleted), else position + 1.
    std::uint16_t fieldNumber = 0;
    QByteArray name; // in the table's code page; empty in .PX and .Y files
};

// The header of a .DB, .PX, .Xnn/.Ynn or .XGn/.YGn file, as stored.
struct ParadoxHeader {
    // The fixed part, 0x00 to 0x57.
    std::uint16_t recordSize = 0;
    std::uint16_t headerSize = 0;  // bytes before the first data block
    std::uint8_t fileType = 0;     // FileType
    std::uint8_t maxTableSize = 0; // block size in KB
    std::uint32_t numRecords = 0;
    std::uint16_t fileBlocks = 0; // data blocks in the file
    std::uint16_t firstBlock = 0;
    std::uint16_t lastBlock = 0;
    std::uint8_t indexFieldNumber = 0; // X files: the table field number of the first index field
    std::uint16_t indexRoot = 0;       // .PX and .Y files: root block of the tree
    std::uint8_t indexLevels = 0;
    std::uint16_t primaryKeyFields = 0; // .DB: key field count; X files: their own key fields
    std::uint32_t encryption1 = 0;      // 0x25: password checksum of 3.x files
    std::uint8_t sortOrder = 0;         // 0x29: sort-order (language driver) code
    std::uint8_t changeCount2 = 0;      // 0x2E: copied into byte 00 of the table's .VAL
    std::uint8_t fileVersionID = 0;     // 0x39
    std::uint8_t auxPasswords = 0;      // 0x3D
    std::uint32_t autoIncrement = 0;    // 0x49: the auto-increment field's last value given
    std::uint16_t realHeaderSize = 0;   // 0x51: end of the used header bytes (4.x and later)
    std::uint8_t flags55 = 0;           // 0x55: .DB referential-integrity flag, X-file index options

    // The data header, 0x58 to 0x77, present in .DB and X files of format 4.x and later.
    bool hasDataHeader = false;
    std::uint32_t encryption2 = 0;    // 0x5C: password checksum of 4.x and later files
    std::uint32_t fileUpdateTime = 0; // copied into the .VAL
    std::uint16_t hiFieldID = 0;
    std::uint16_t dosCodePage = 0; // the creating machine's code page; not the driver's

    std::vector<StoredField> fields;
    // File offset of the field-number list (format 4.x and later .DB and X files); 0 when
    // the file has none.
    std::size_t fieldNumbersOffset = 0;
    QByteArray sortOrderId; // the language driver's symbolic name (4.x and later)
    QByteArray indexName;   // .XGn files only

    // Where the parsed header ends (file offset); the first byte not described above.
    std::size_t parsedEnd = 0;

    bool isTable() const;
    // .DB and X files carry field names (and, from format 4.x, the data header).
    bool hasFieldNames() const;
    // The master password's checksum, wherever this format keeps it; 0 when not encrypted.
    std::uint32_t passwordChecksum() const;
    std::uint32_t blockSize() const { return std::uint32_t(maxTableSize) * 1024; }
    // File offset of field i's descriptor (type code, size byte).
    std::size_t descriptorOffset(std::size_t i) const { return (hasDataHeader ? 0x78 : 0x58) + 2 * i; }
};

// Parses the header of any file of the family from the start of file. Throws FormatError:
// Damaged when the bytes are not a Paradox header or are inconsistent, Unsupported for a
// format version outside 3 to 12. Everything read stays within the header's own size
// (0x02), and every count is checked against the bytes that could hold it.
ParadoxHeader parseHeader(const ByteReader& file);

} // namespace korvex::paradox
