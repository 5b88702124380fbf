#pragma once

#include "FormatError.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvex {

// The bytes of one table file (or companion file) together with the name used in
// error messages: the file's path.
struct FileBytes {
    QString name;
    std::span<const std::byte> data;
    // The whole file's size where data holds only its head (a large table is read up to
    // where its header can end); 0 where data is the whole file.
    std::uint64_t wholeSize = 0;

    std::uint64_t size() const { return wholeSize > data.size() ? wholeSize : data.size(); }
};

// Bytes of a file as a byte array and back, for texts that are decoded later.
inline QByteArray copyOf(std::span<const std::byte> s)
{
    return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
}

inline std::span<const std::byte> bytesOf(const QByteArray& b)
{
    return std::as_bytes(std::span(b.constData(), std::size_t(b.size())));
}

// A bounded cursor over the bytes of one file. Every read checks before it moves and
// throws FormatError (kind Damaged) naming the file, the offset and what was being read;
// in an empty file, any read says that the file is empty. Values are assembled from
// single bytes, so host byte order never matters.
class ByteReader {
public:
    explicit ByteReader(const FileBytes& file);

    // A cursor over data[offset, offset + length) of the same file; offsets in its errors
    // stay file offsets.
    ByteReader sub(std::size_t offset, std::size_t length, std::string_view what) const;

    std::size_t position() const { return base_ + pos_; } // file offset of the cursor
    std::size_t remaining() const { return data_.size() - pos_; }
    std::size_t size() const { return data_.size(); }
    const QString& file() const { return file_; } // the file's path, as messages name it

    void seek(std::size_t offset, std::string_view what); // offset relative to this cursor
    void skip(std::size_t count, std::string_view what);

    std::uint8_t u8(std::string_view what);
    std::uint16_t u16le(std::string_view what);
    std::uint32_t u32le(std::string_view what);
    std::uint16_t u16be(std::string_view what);
    std::uint32_t u32be(std::string_view what);
    std::span<const std::byte> bytes(std::size_t count, std::string_view what);

    // A NUL-terminated string stored in a slot of exactly slotSize bytes; the cursor moves
    // past the whole slot. Without a NUL the whole slot is the string.
    std::span<const std::byte> fixedString(std::size_t slotSize, std::string_view what);
    // A NUL-terminated string of at most maxLength bytes before its NUL; the cursor moves
    // past the NUL. A missing NUL within maxLength + 1 bytes is damage.
    std::span<const std::byte> zString(std::size_t maxLength, std::string_view what);

    // Reads at an absolute offset of this cursor without moving it.
    std::uint8_t u8At(std::size_t offset, std::string_view what) const;
    std::uint16_t u16leAt(std::size_t offset, std::string_view what) const;
    std::uint32_t u32leAt(std::size_t offset, std::string_view what) const;

    [[noreturn]] void fail(FormatError::Kind kind, const QString& detail) const;
    // The same, pointing at the file offset where the inconsistent value lies rather than
    // where the cursor happens to stand.
    [[noreturn]] void failAt(std::size_t fileOffset, FormatError::Kind kind, const QString& detail) const;

private:
    ByteReader(QString file, std::span<const std::byte> data, std::size_t base, std::size_t fileSize);
    void need(std::size_t offset, std::size_t count, std::string_view what) const;

    QString file_;
    std::span<const std::byte> data_;
    std::size_t base_ = 0;     // file offset of data_[0]
    std::size_t fileSize_ = 0; // bytes of the whole file
    std::size_t pos_ = 0;
};

} // namespace korvex
