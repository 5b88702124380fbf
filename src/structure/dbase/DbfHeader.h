#pragma once

#include "ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex::dbase {

// One field descriptor as the .DBF stores it, before any engine mapping. The name stays
// raw bytes: it is decoded once the table's code page is known.
struct StoredField {
    std::span<const std::byte> name; // up to the first NUL of the name slot
    char type = 0;                   // the type letter: 'C', 'N', '+', '@' ...
    int width = 0;                   // bytes in the record
    int decimals = 0;
    std::uint8_t foxFlags = 0;           // Visual FoxPro: 0x01 system, 0x02 nullable, 0x04 binary, 0x08 auto-increment
    bool productionTag = false;          // a tag of the same name in the production MDX
    std::uint32_t nextAutoIncrement = 0; // dBASE 7 and Visual FoxPro: the next row's counter
    std::uint8_t autoIncrementStep = 0;  // Visual FoxPro: the counter's step
    std::size_t descriptorOffset = 0;    // file offset of the descriptor, for messages
};

// The fixed part of a .DBF: the 32-byte header (68 bytes at level 7), the field
// descriptors up to their terminator and, at level 7, where the field properties lie.
struct DbfHeader {
    std::uint8_t version = 0;                      // byte 0
    bool level7Layout = false;                     // 48-byte descriptors and a language driver name
    std::uint32_t recordCount = 0;                 // deleted records included
    std::uint16_t headerLength = 0;                // offset of the first record
    std::uint16_t recordSize = 0;                  // including the deletion flag
    std::uint8_t encryptionFlag = 0;               // byte 15 (dBASE IV PROTECT)
    std::uint8_t tableFlags = 0;                   // byte 28: dBASE production MDX; FoxPro CDX/memo/DBC bits
    std::uint8_t languageDriverId = 0;             // byte 29: dBASE language driver id or FoxPro code page mark
    std::span<const std::byte> languageDriverName; // level 7 only, bytes 32-63 up to the NUL
    std::vector<StoredField> fields;
    std::size_t terminatorOffset = 0; // the byte that ends the descriptors

    // Bytes after the terminator and before the first record: level-7 field properties,
    // the Visual FoxPro database backlink, or padding.
    std::size_t trailerOffset() const { return terminatorOffset + 1; }
    std::size_t trailerSize() const { return headerLength - trailerOffset(); }
};

// The version bytes this reader reads. dBASE II's 0x02 and HiPer-Six's 0xE5 are refused
// as Unsupported; any other byte means the file is not a dBASE table (Damaged).
enum class VersionFamily { DBase, DBase7, FoxPro, Unknown };
VersionFamily familyOfVersion(std::uint8_t version);

// Reads and checks the header and the field descriptors. Throws FormatError: Unsupported
// for the version bytes of known formats this reader does not read, Damaged for any other
// unknown version byte, a header that contradicts itself or claims more than the file
// holds.
DbfHeader readDbfHeader(const FileBytes& dbf);

} // namespace korvex::dbase
