#pragma once

#include "CodePage.h"
#include "EngineValues.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex::paradox {

// Paradox stores field values (in data records and in the .VAL's value slots) big-endian,
// with the sign bit complemented so that the raw bytes sort in numeric order; all bytes
// zero is a blank value. These turn one stored value into the engine's little-endian
// encoding of the field's logical type.
//
// typeCode is the field's type code, stored the value's bytes (the field's record size).
// Returns false when the value is blank; the slot is then all zeros.
bool decodeStoredValue(std::uint8_t typeCode, std::span<const std::byte> stored, const CodePage& codePage,
                       ValueSlot& out);

// The single conversions, for the types they name; each expects the exact record size.
std::int16_t storedShort(std::span<const std::byte, 2> stored);
std::int32_t storedLong(std::span<const std::byte, 4> stored);
double storedDouble(std::span<const std::byte, 8> stored);
// A 17-byte Paradox BCD as the engine's packed decimal of precision 32. Digits after the
// first nibble that is not a decimal digit (a value written from a double can carry such
// nibbles in its last places) are taken as zeros.
EngineBcd storedBcd(std::span<const std::byte, 17> stored);

} // namespace korvex::paradox
