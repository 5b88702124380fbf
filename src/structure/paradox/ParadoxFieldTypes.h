#pragma once

#include "TableDefinition.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korvex::paradox {

// What one Paradox field type code means for the engine.
struct FieldTypeInfo {
    std::uint8_t code;
    char letter;                 // the type letter Paradox shows: 'A', 'N', '$', '+', '#' ...
    FieldType type;              // the field list's data type code
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

inline constexpr std::uint8_t kAlpha = 0x01;
inline constexpr std::uint8_t kDate = 0x02;
inline constexpr std::uint8_t kShort = 0x03;
inline constexpr std::uint8_t kLong = 0x04;
inline constexpr std::uint8_t kMoney = 0x05;
inline constexpr std::uint8_t kNumber = 0x06;
inline constexpr std::uint8_t kLogical = 0x09;
inline constexpr std::uint8_t kMemo = 0x0C;
inline constexpr std::uint8_t kBinary = 0x0D;
inline constexpr std::uint8_t kFormattedMemo = 0x0E;
inline constexpr std::uint8_t kOle = 0x0F;
inline constexpr std::uint8_t kGraphic = 0x10;
inline constexpr std::uint8_t kTime = 0x14;
inline constexpr std::uint8_t kTimestamp = 0x15;
inline constexpr std::uint8_t kAutoIncrement = 0x16;
inline constexpr std::uint8_t kBcd = 0x17;
inline constexpr std::uint8_t kBytes = 0x18;

// A BCD value always takes 17 record bytes; its size byte is the number of decimals.
inline constexpr std::uint8_t kBcdStoredSize = 17;
inline constexpr std::uint8_t kBcdMaxDecimals = 32;
inline constexpr std::int16_t kBcdPrecision = 32;
// A BLOB field keeps its first bytes (the leader) in the record, followed by 10 bytes
// that locate the value in the .MB file: offset, length and modification number.
inline constexpr std::uint8_t kBlobLocatorSize = 10;

} // namespace korvex::paradox
