#include "ByteReader.h"

#include <algorithm>

namespace korvex {

namespace {
QString describe(std::string_view what)
{
    return QStringLiteral("file ends inside %1").arg(QString::fromUtf8(what.data(), qsizetype(what.size())));
}
} // namespace

ByteReader::ByteReader(const FileBytes& file) : ByteReader(file.name, file.data, 0, file.data.size())
{}

ByteReader::ByteReader(QString file, std::span<const std::byte> data, std::size_t base, std::size_t fileSize)
    : file_(std::move(file)), data_(data), base_(base), fileSize_(fileSize)
{}

void ByteReader::need(std::size_t offset, std::size_t count, std::string_view what) const
{
    if (offset <= data_.size() && count <= data_.size() - offset)
        return;
    if (fileSize_ == 0)
        throw FormatError(FormatError::Kind::Damaged, file_, std::nullopt, QStringLiteral("the file is empty"));
    throw FormatError(FormatError::Kind::Damaged, file_, base_ + std::min(offset, data_.size()), describe(what));
}

ByteReader ByteReader::sub(std::size_t offset, std::size_t length, std::string_view what) const
{
    need(offset, length, what);
    return ByteReader(file_, data_.subspan(offset, length), base_ + offset, fileSize_);
}

void ByteReader::seek(std::size_t offset, std::string_view what)
{
    need(offset, 0, what);
    pos_ = offset;
}

void ByteReader::skip(std::size_t count, std::string_view what)
{
    need(pos_, count, what);
    pos_ += count;
}

std::uint8_t ByteReader::u8At(std::size_t offset, std::string_view what) const
{
    need(offset, 1, what);
    return std::to_integer<std::uint8_t>(data_[offset]);
}

std::uint16_t ByteReader::u16leAt(std::size_t offset, std::string_view what) const
{
    need(offset, 2, what);
    return std::uint16_t(std::to_integer<unsigned>(data_[offset]) | std::to_integer<unsigned>(data_[offset + 1]) << 8);
}

std::uint32_t ByteReader::u32leAt(std::size_t offset, std::string_view what) const
{
    need(offset, 4, what);
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = v << 8 | std::to_integer<std::uint32_t>(data_[offset + i]);
    return v;
}

std::uint8_t ByteReader::u8(std::string_view what)
{
    const auto v = u8At(pos_, what);
    pos_ += 1;
    return v;
}

std::uint16_t ByteReader::u16le(std::string_view what)
{
    const auto v = u16leAt(pos_, what);
    pos_ += 2;
    return v;
}

std::uint32_t ByteReader::u32le(std::string_view what)
{
    const auto v = u32leAt(pos_, what);
    pos_ += 4;
    return v;
}

std::uint16_t ByteReader::u16be(std::string_view what)
{
    need(pos_, 2, what);
    const auto v = std::uint16_t(std::to_integer<unsigned>(data_[pos_]) << 8 |
                                 std::to_integer<unsigned>(data_[pos_ + 1]));
    pos_ += 2;
    return v;
}

std::uint32_t ByteReader::u32be(std::string_view what)
{
    need(pos_, 4, what);
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = v << 8 | std::to_integer<std::uint32_t>(data_[pos_ + i]);
    pos_ += 4;
    return v;
}

std::span<const std::byte> ByteReader::bytes(std::size_t count, std::string_view what)
{
    need(pos_, count, what);
    const auto s = data_.subspan(pos_, count);
    pos_ += count;
    return s;
}

std::span<const std::byte> ByteReader::fixedString(std::size_t slotSize, std::string_view what)
{
    const auto slot = bytes(slotSize, what);
    const auto nul = std::find(slot.begin(), slot.end(), std::byte{0});
    return slot.first(std::size_t(nul - slot.begin()));
}

std::span<const std::byte> ByteReader::zString(std::size_t maxLength, std::string_view what)
{
    const std::size_t window = std::min(remaining(), maxLength + 1);
    const auto candidates = data_.subspan(pos_, window);
    const auto nul = std::find(candidates.begin(), candidates.end(), std::byte{0});
    if (nul == candidates.end()) {
        if (window <= maxLength)
            need(pos_, window + 1, what); // throws: the file ends before the terminator
        fail(FormatError::Kind::Damaged, QStringLiteral("%1 is longer than %2 bytes")
                                             .arg(QString::fromUtf8(what.data(), qsizetype(what.size())))
                                             .arg(maxLength));
    }
    const std::size_t length = std::size_t(nul - candidates.begin());
    const auto s = data_.subspan(pos_, length);
    pos_ += length + 1;
    return s;
}

void ByteReader::fail(FormatError::Kind kind, const QString& detail) const
{
    failAt(position(), kind, detail);
}

void ByteReader::failAt(std::size_t fileOffset, FormatError::Kind kind, const QString& detail) const
{
    throw FormatError(kind, file_, fileOffset, detail);
}

} // namespace korvex
