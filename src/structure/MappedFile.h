#pragma once

#include "ByteReader.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

// A table file opened read-only and copied into memory with pread. Its bytes are never
// mapped: a mapped file that another program cuts short (or that sits on a share or a
// stick that goes away) kills the reader with SIGBUS at the first byte beyond the new end,
// while a copy stays readable and a file cut while it is read is simply shorter, which the
// readers report as damage. Only regular files are opened: a named pipe or a device would
// wait for ever or never end. Nothing can be written through it, and it keeps no descriptor.
class MappedFile {
public:
    // Opens path read-only. On failure returns nothing and sets error to what is wrong
    // (without the path, which the caller puts in front); notFound tells a missing file
    // from one that cannot be read.
    // headBytes: read only the first that many bytes, for a file of which only the header
    // is needed (a memo file can be far larger than its table).
    // A table's header ends within its first 64 KB (its length is a 16-bit number), and no
    // reader looks further into the table file itself: its rows are never read, so a table
    // of a gigabyte costs no more than its header.
    static constexpr qint64 TableHeadBytes = qint64{64} * 1024;

    static std::optional<MappedFile> open(const QString& path, QString& error, bool& notFound,
                                          std::optional<qint64> headBytes = std::nullopt);

    // Opens a companion file of a table (a memo, index or validity file) that is known to
    // be there; one that cannot be read throws FormatError (kind Unreadable) naming it.
    static MappedFile openCompanion(const QString& path, std::optional<qint64> headBytes = std::nullopt);

    MappedFile(MappedFile&&) noexcept = default;
    MappedFile& operator=(MappedFile&&) noexcept = default;
    ~MappedFile() = default;

    const QString& path() const { return path_; }
    std::span<const std::byte> bytes() const { return bytes_; }
    // The bytes named by the file's path as it was opened, for messages.
    FileBytes fileBytes() const;

private:
    MappedFile() = default;

    QString path_;
    QByteArray contents_;
    std::uint64_t wholeSize_ = 0; // the file's size, where only its head was read
    std::span<const std::byte> bytes_;
};

} // namespace korvex
