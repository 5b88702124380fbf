#pragma once

#include "ByteReader.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <span>

namespace korvex {

// A table file opened read-only and mapped into memory: readers see its bytes without
// copying it, and nothing can be written through the mapping.
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
    ~MappedFile();

    const QString& path() const { return path_; }
    std::span<const std::byte> bytes() const { return bytes_; }
    // The bytes named by the file's path as it was opened, for messages.
    FileBytes fileBytes() const;

private:
    MappedFile() = default;

    QString path_;
    std::unique_ptr<QFile> file_;
    std::span<const std::byte> bytes_;
};

} // namespace korvex
