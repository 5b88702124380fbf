#pragma once

#include "ByteReader.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <span>

namespace korvex {

// A table file opened read-only and held in memory: a small file (most headers, validity
// and index files) is read at once, a larger one is mapped, so that readers of its header
// do not copy the rows. Nothing can be written through it, and it keeps no descriptor.
class MappedFile {
public:
    // Opens path read-only. On failure returns nothing and sets error to what is wrong
    // (without the path, which the caller puts in front); notFound tells a missing file
    // from one that cannot be read.
    static std::optional<MappedFile> open(const QString& path, QString& error, bool& notFound);

    // Opens a companion file of a table (a memo, index or validity file) that is known to
    // be there; one that cannot be read is damage of that file: FormatError naming it.
    static MappedFile openCompanion(const QString& path);

    MappedFile(MappedFile&&) noexcept = default;
    MappedFile& operator=(MappedFile&&) noexcept = default;
    ~MappedFile() = default;

    const QString& path() const { return path_; }
    std::span<const std::byte> bytes() const { return bytes_; }
    // The bytes named by the file's path as it was opened, for messages.
    FileBytes fileBytes() const;

private:
    MappedFile() = default;

    struct Unmap {
        std::size_t size;
        void operator()(void* address) const;
    };

    QString path_;
    QByteArray contents_;                   // a small file's bytes
    std::unique_ptr<void, Unmap> mapping_;  // a larger file's mapping
    std::span<const std::byte> bytes_;
};

} // namespace korvex
