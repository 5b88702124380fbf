#pragma once

#include "ByteReader.h"
#include "ParadoxHeader.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace korvex::paradox {

// The .VAL file of a table: validity checks, table lookups and referential integrity.
// Integers are little-endian; values are in the table's record encoding.

// The fixed header, 0x00 to 0x34.
struct ValHeader {
    std::uint8_t changeCount = 0; // copy of the table's byte 0x2E when it was written
    std::uint8_t version = 0;     // the format version it was written in
    std::uint8_t checkCount = 0;
    std::uint32_t tableUpdateTime = 0;
    std::uint8_t hiFieldID = 0;
    std::uint32_t footerOffset = 0;
    std::uint32_t integrityOffset = 0; // the referential-integrity section, 0 if none
};

// One check record: the checks of one field.
struct StoredCheck {
    std::uint8_t fieldIndex = 0; // position in the table's field list, from 0
    bool required = false;
    std::uint8_t lookupOptions = 0;        // bits 0 and 1: which fields a lookup fills, and help
    std::optional<QByteArray> lookupTable; // the lookup table's file name, as stored
    // The values, each in the record encoding of the field (its record size).
    std::optional<QByteArray> minimum;
    std::optional<QByteArray> maximum;
    std::optional<QByteArray> defaultValue;
    std::optional<QByteArray> picture; // as stored, without its NUL
};

// The footer: the table's field list as it was when the .VAL was written.
struct ValFooter {
    std::uint16_t fieldCount = 0;
    std::uint16_t keyFieldCount = 0;
    std::vector<std::uint16_t> fieldNumbers;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> descriptors; // type code, size byte
};

struct ValFile {
    enum class Status {
        Read,      // checks (and footer) parsed
        Stale,     // byte 00 differs from the table's change counter: written for an
                   // earlier state of the table, so its field references cannot be trusted
        DosLayout, // version below 9: the DOS-era layout, whose fields are not known
    };
    Status status = Status::Read;
    ValHeader header;
    std::vector<StoredCheck> checks;
    ValFooter footer;
    // The referential-integrity section, when present, runs from header.integrityOffset
    // to the footer; parseIntegritySection (IntegrityLinks.h) decodes it.
};

// Parses the .VAL of the table described by table (whose field list sizes the values).
// Throws FormatError naming the .VAL when it is damaged: cut short, with offsets outside
// the file, a footer that does not describe the table's fields, or a check on a field the
// table does not have; Unsupported for a version above the newest table format.
ValFile parseValFile(const ByteReader& val, const ParadoxHeader& table);

} // namespace korvex::paradox
