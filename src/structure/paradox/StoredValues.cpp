#include "StoredValues.h"

#include "ParadoxFieldTypes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace korvex::paradox {

namespace {

unsigned byteAt(std::span<const std::byte> s, std::size_t i)
{
    return std::to_integer<unsigned>(s[i]);
}

bool allZero(std::span<const std::byte> s)
{
    return std::all_of(s.begin(), s.end(), [](std::byte b) { return b == std::byte{0}; });
}

// Integers: the first bit is the complement of the sign bit; flipping it back leaves a
// big-endian two's-complement number (80 01 is 1, 7F FF is -1).
std::uint64_t signFlippedBigEndian(std::span<const std::byte> s)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        v = v << 8 | (byteAt(s, i) ^ (i == 0 ? 0x80u : 0u));
    return v;
}

void copyRaw(std::span<const std::byte> stored, ValueSlot& out)
{
    std::memcpy(out.data(), stored.data(), std::min(stored.size(), out.size()));
}

} // namespace

std::int16_t storedShort(std::span<const std::byte, 2> stored)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(signFlippedBigEndian(stored)));
}

std::int32_t storedLong(std::span<const std::byte, 4> stored)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(signFlippedBigEndian(stored)));
}

double storedDouble(std::span<const std::byte, 8> stored)
{
    // Positive numbers have their sign bit set (so it is cleared here); negative numbers
    // are stored with every bit inverted.
    const bool positive = (byteAt(stored, 0) & 0x80) != 0;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits = bits << 8 | byteAt(stored, i);
    bits = positive ? bits & ~(std::uint64_t(1) << 63) : ~bits;
    return std::bit_cast<double>(bits);
}

EngineBcd storedBcd(std::span<const std::byte, 17> stored)
{
    // Byte 0: bit 7 set for positive values, bit 6 set in every non-blank value, bits 0 to
    // 5 the decimals. Then 32 digits, high nibble first, all complemented when negative.
    const unsigned head = byteAt(stored, 0);
    const bool negative = (head & 0x80) == 0;
    const int places = std::min<int>(int(head & 0x3F), BcdMaxDecimals);
    std::string digits(std::size_t(BcdPrecision), '0');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const unsigned b = byteAt(stored, 1 + i / 2);
        unsigned nibble = i % 2 == 0 ? b >> 4 : b & 0x0F;
        if (negative)
            nibble ^= 0x0F;
        if (nibble > 9)
            break;
        digits[i] = char('0' + nibble);
    }
    return EngineBcd::fromDigits(negative, digits, places);
}

bool decodeStoredValue(std::uint8_t typeCode, std::span<const std::byte> stored, const CodePage& codePage,
                       ValueSlot& out)
{
    out.fill(std::byte{0});
    if (stored.empty() || allZero(stored))
        return false;

    const auto info = fieldTypeInfo(typeCode);
    const bool exact = info && info->fixedStoredSize == stored.size();
    switch (typeCode) {
    case Alpha: {
        // Padded with NULs, and not terminated when the value fills the field.
        const auto end = std::find(stored.begin(), stored.end(), std::byte{0});
        slot::putString(out, codePage.decode(stored.first(std::size_t(end - stored.begin()))).toUtf8());
        return true;
    }
    case Short:
        if (exact) {
            slot::putInt16(out, storedShort(stored.first<2>()));
            return true;
        }
        break;
    case Long:
    case AutoIncrement:
    case Date: // day number, 1 January of year 1 = day 1, the engine's own numbering
    case Time: // milliseconds since midnight
        if (exact) {
            slot::putInt32(out, storedLong(stored.first<4>()));
            return true;
        }
        break;
    case Number:
    case Money:
    case Timestamp: // milliseconds since the start of day 0 of the Date numbering
        if (exact) {
            slot::putDouble(out, storedDouble(stored.first<8>()));
            return true;
        }
        break;
    case Logical:
        // 0x81 true and 0x80 false become the engine's 1 and 0.
        if (exact) {
            out[0] = std::byte(byteAt(stored, 0) ^ 0x80u);
            return true;
        }
        break;
    case Bcd:
        if (stored.size() == BcdStoredSize) {
            // Bit 6 of byte 0 is set in every written value; a clear bit 6 is a blank.
            if ((byteAt(stored, 0) & 0x40) == 0)
                return false;
            slot::putBcd(out, storedBcd(stored.first<17>()));
            return true;
        }
        break;
    default: break;
    }
    // Bytes and BLOB leaders have no engine conversion (the report prints nothing for
    // them); they, unknown types and values of a wrong size are handed out as stored.
    copyRaw(stored, out);
    return true;
}

} // namespace korvex::paradox
