#pragma once

#include "TableDefinition.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korvex::paradox {

// What one Paradox field type code means for the engine.
struct FieldTypeInfo {
    std::uint8_t code;
    char letter;    // the type letter Paradox shows: 'A', 'N', '$', '+', '#' ...
    FieldType type; // the field list's data type code
    LogicalType logicalType;
    std::int16_t subtype;
    // Record bytes of a type whose size is fixed; 0 when the size byte gives it.
    std::uint8_t fixedStoredSize;
    // Bytes of the engine's own (logical) value of a fixed-size type.
    std::uint16_t logicalLength;
};

// The known field type codes; nothing for any other code.
std::optional<FieldTypeInfo> fieldTypeInfo(std::uint8_t code);

// Bytes of a field in the stored record: the fixed size of its type, 17 for BCD, else
// its size byte.
std::size_t storedSizeOf(std::uint8_t code, std::uint8_t sizeByte);

inline constexpr std::uint8_t Alpha = 0x01;
inline constexpr std::uint8_t Date = 0x02;
inline constexpr std::uint8_t Short = 0x03;
inline constexpr std::uint8_t Long = 0x04;
inline constexpr std::uint8_t Money = 0x05;
inline constexpr std::uint8_t Number = 0x06;
inline constexpr std::uint8_t Logical = 0x09;
inline constexpr std::uint8_t Memo = 0x0C;
inline constexpr std::uint8_t Binary = 0x0D;
inline constexpr std::uint8_t FormattedMemo = 0x0E;
inline constexpr std::uint8_t Ole = 0x0F;
inline constexpr std::uint8_t Graphic = 0x10;
inline constexpr std::uint8_t Time = 0x14;
inline constexpr std::uint8_t Timestamp = 0x15;
inline constexpr std::uint8_t AutoIncrement = 0x16;
inline constexpr std::uint8_t Bcd = 0x17;
inline constexpr std::uint8_t Bytes = 0x18;

// A BCD value always takes 17 record bytes; its size byte is the number of decimals.
inline constexpr std::uint8_t BcdStoredSize = 17;
inline constexpr std::uint8_t BcdMaxDecimals = 32;
inline constexpr std::int16_t BcdPrecision = 32;
// A BLOB field keeps its first bytes (the leader) in the record, followed by 10 bytes
// that locate the value in the .MB file: offset, length and modification number.
inline constexpr std::uint8_t BlobLocatorSize = 10;

} // namespace korvex::paradox
