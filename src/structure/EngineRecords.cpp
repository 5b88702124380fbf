#include "EngineRecords.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace korvex::record {

std::uint16_t get16(std::span<const std::byte> r, std::size_t at)
{
    return std::uint16_t(std::to_integer<unsigned>(r[at]) | std::to_integer<unsigned>(r[at + 1]) << 8);
}

void put16(std::span<std::byte> r, std::size_t at, std::uint16_t v)
{
    r[at] = std::byte(v & 0xFF);
    r[at + 1] = std::byte(v >> 8);
}

QString getText(std::span<const std::byte> r, std::size_t at, std::size_t slotSize)
{
    const auto* begin = reinterpret_cast<const char*>(r.data() + at);
    return QString::fromUtf8(begin, qsizetype(strnlen(begin, slotSize)));
}

void putText(std::span<std::byte> r, std::size_t at, std::size_t slotSize, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    qsizetype n = std::min<qsizetype>(utf8.size(), qsizetype(slotSize) - 1);
    if (n < utf8.size())
        while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
            --n;
    std::memset(r.data() + at, 0, slotSize);
    std::memcpy(r.data() + at, utf8.constData(), std::size_t(n));
}

} // namespace korvex::record
