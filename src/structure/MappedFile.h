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
    // Opens path read-only. On failure returns nothing and sets error to a message that
    // names the file; notFound tells a missing file from one that cannot be read.
    static std::optional<MappedFile> open(const QString& path, QString& error, bool& notFound);

    // Opens a companion file of a table (a memo, index or validity file) that is known to
    // be there; one that cannot be read is damage of that file: FormatError naming it.
    static MappedFile openCompanion(const QString& path);

    MappedFile(MappedFile&&) noexcept = default;
    MappedFile& operator=(MappedFile&&) noexcept = default;
    ~MappedFile();

    const QString& path() const { return path_; }
    std::span<const std::byte> bytes() const { return bytes_; }
    // The bytes named by the file's name (not its whole path), for error messages.
    FileBytes fileBytes() const;

private:
    MappedFile() = default;

    QString path_;
    std::unique_ptr<QFile> file_;
    std::span<const std::byte> bytes_;
};

} // namespace korvex
