#pragma once

#include <QByteArray>
#include <QDate>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvex {

// A validity value as the engine hands it out: 256 bytes holding one value of the
// field's logical type, little-endian:
//   ZString     zero-terminated UTF-8 text (at most 255 bytes)
//   Int16/UInt16, Int32  16/32-bit integers
//   Bool        first byte 1 for true, 0 for false
//   Float       64-bit IEEE double
//   Bcd         the engine's packed decimal, EngineBcd below
//   Date        32-bit day number, day 1 = 1 January of year 1 (proleptic Gregorian)
//   Time        32-bit milliseconds since midnight
//   Timestamp   64-bit double: milliseconds since the start of day 0 of the Date numbering
using ValueSlot = std::array<std::byte, 256>;

// The engine's packed decimal, 34 bytes: byte 0 precision (number of digits), byte 1 sign
// (0x80 negative) and decimal places (low 6 bits), then 32 bytes of digits, two per byte,
// high nibble first, most significant digit first; the last `places` digits are decimals.
struct EngineBcd {
    static constexpr std::size_t Size = 34;
    std::array<std::byte, Size> bytes{};

    // digits: '0'..'9' only, at most 64 of them; places <= digits.size().
    static EngineBcd fromDigits(bool negative, std::string_view digits, int places);
};

// Converts an engine packed decimal to a double; false when the bytes are not a valid
// packed decimal (precision above 64, places above precision, a nibble above 9).
bool BcdToFloat(std::span<const std::byte, EngineBcd::Size> bcd, double& value);

namespace slot {
void putInt16(ValueSlot& s, std::int16_t v);
void putInt32(ValueSlot& s, std::int32_t v);
void putBool(ValueSlot& s, bool v);
void putDouble(ValueSlot& s, double v);
void putBcd(ValueSlot& s, const EngineBcd& v);
void putDate(ValueSlot& s, std::int32_t dayNumber);
void putTimestamp(ValueSlot& s, double milliseconds);
// Cut to 255 bytes at a character boundary.
void putString(ValueSlot& s, const QByteArray& utf8);

std::int16_t int16(const ValueSlot& s);
std::uint16_t uint16(const ValueSlot& s);
std::int32_t int32(const ValueSlot& s);
double float64(const ValueSlot& s);
QByteArray string(const ValueSlot& s);
} // namespace slot

// Day numbers of the engine's Date type (day 1 = 1 January of year 1).
std::int32_t dayNumberOf(const QDate& date);
QDate dateOfDayNumber(std::int32_t dayNumber);
// Whether a day number lies from 1 January of year 1 to 31 December 9999, the days a
// calendar shows; a value outside (also NaN and the infinities) only a damaged or crafted
// file holds.
bool isCalendarDay(double dayNumber);

} // namespace korvex
