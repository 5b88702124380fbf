#include "EngineValues.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <string>

namespace korvex {

namespace {

// Julian day number of 1 January of year 1 (proleptic Gregorian) is 1721426; the
// engine counts that day as 1.
constexpr qint64 JulianDayOfDayZero = 1721425;

template <typename T>
void putLittleEndian(ValueSlot& s, T v)
{
    using U = std::make_unsigned_t<T>;
    auto u = static_cast<U>(v);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        s[i] = std::byte(u & 0xFF);
        u = static_cast<U>(u >> 8);
    }
}

template <typename T>
T getLittleEndian(const ValueSlot& s)
{
    using U = std::make_unsigned_t<T>;
    U u = 0;
    for (std::size_t i = sizeof(T); i-- > 0;)
        u = static_cast<U>(u << 8 | std::to_integer<U>(s[i]));
    return static_cast<T>(u);
}

} // namespace

EngineBcd EngineBcd::fromDigits(bool negative, std::string_view digits, int places)
{
    EngineBcd bcd;
    const auto count = std::min<std::size_t>(digits.size(), 64);
    bcd.bytes[0] = std::byte(count);
    bcd.bytes[1] = std::byte((negative ? 0x80 : 0x00) | (places & 0x3F));
    for (std::size_t i = 0; i < count; ++i) {
        const auto nibble = unsigned(digits[i] - '0') & 0x0F;
        auto& b = bcd.bytes[2 + i / 2];
        b |= std::byte(i % 2 == 0 ? nibble << 4 : nibble);
    }
    return bcd;
}

bool BcdToFloat(std::span<const std::byte, EngineBcd::Size> bcd, double& value)
{
    const unsigned precision = std::to_integer<unsigned>(bcd[0]);
    const unsigned places = std::to_integer<unsigned>(bcd[1]) & 0x3F;
    const bool negative = (std::to_integer<unsigned>(bcd[1]) & 0x80) != 0;
    if (precision > 64 || places > precision)
        return false;
    // Accumulate as a decimal string so that the conversion rounds once, correctly.
    std::string text;
    text.reserve(precision + 2);
    for (unsigned i = 0; i < precision; ++i) {
        const unsigned b = std::to_integer<unsigned>(bcd[2 + i / 2]);
        const unsigned nibble = i % 2 == 0 ? b >> 4 : b & 0x0F;
        if (nibble > 9)
            return false;
        if (i == precision - places)
            text.push_back('.');
        text.push_back(char('0' + nibble));
    }
    if (text.empty() || text.front() == '.')
        text.insert(text.begin(), '0');
    // from_chars, not strtod: the C library follows LC_NUMERIC once Qt has set the locale.
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (negative)
        value = -value;
    return true;
}

namespace slot {

void putInt16(ValueSlot& s, std::int16_t v)
{
    putLittleEndian(s, v);
}
void putInt32(ValueSlot& s, std::int32_t v)
{
    putLittleEndian(s, v);
}
void putBool(ValueSlot& s, bool v)
{
    s[0] = std::byte(v ? 1 : 0);
}
void putDouble(ValueSlot& s, double v)
{
    putLittleEndian(s, std::bit_cast<std::uint64_t>(v));
}
void putDate(ValueSlot& s, std::int32_t dayNumber)
{
    putInt32(s, dayNumber);
}
void putTimestamp(ValueSlot& s, double milliseconds)
{
    putDouble(s, milliseconds);
}

void putBcd(ValueSlot& s, const EngineBcd& v)
{
    std::memcpy(s.data(), v.bytes.data(), EngineBcd::Size);
}

void putString(ValueSlot& s, const QByteArray& utf8)
{
    qsizetype n = std::min<qsizetype>(utf8.size(), qsizetype(s.size()) - 1);
    // Do not end inside a multi-byte character: back up over continuation bytes.
    if (n < utf8.size())
        while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
            --n;
    s.fill(std::byte{0});
    std::memcpy(s.data(), utf8.constData(), std::size_t(n));
}

std::int16_t int16(const ValueSlot& s)
{
    return getLittleEndian<std::int16_t>(s);
}
std::uint16_t uint16(const ValueSlot& s)
{
    return getLittleEndian<std::uint16_t>(s);
}
std::int32_t int32(const ValueSlot& s)
{
    return getLittleEndian<std::int32_t>(s);
}
double float64(const ValueSlot& s)
{
    return std::bit_cast<double>(getLittleEndian<std::uint64_t>(s));
}

QByteArray string(const ValueSlot& s)
{
    const auto* begin = reinterpret_cast<const char*>(s.data());
    return QByteArray(begin, qsizetype(strnlen(begin, s.size())));
}

} // namespace slot

bool isCalendarDay(double dayNumber)
{
    static const double LastDay = dayNumberOf(QDate(9999, 12, 31));
    return dayNumber >= 1 && dayNumber <= LastDay;
}

std::int32_t dayNumberOf(const QDate& date)
{
    return std::int32_t(date.toJulianDay() - JulianDayOfDayZero);
}

QDate dateOfDayNumber(std::int32_t dayNumber)
{
    return QDate::fromJulianDay(qint64(dayNumber) + JulianDayOfDayZero);
}

} // namespace korvex
