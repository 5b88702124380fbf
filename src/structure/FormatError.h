#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <stdexcept>

namespace korvex {

// Raised by a table-file reader when the bytes do not make a table it can describe.
// The engine turns it into a result code; the message names the file by its path, the
// offset where one applies and what was being read, so a user can tell a truncated file
// from an unknown version.
class FormatError : public std::runtime_error {
public:
    enum class Kind {
        Damaged,         // truncated, inconsistent or not a table of this format at all
        Unsupported,     // a real table, but a format version this reader does not read
        TooManyFields,   // more fields than the engine's descriptor buffer holds
        Missing,         // a file the table says it has is not there (named as it would be)
        ValidityDamaged, // the table is sound, but its validity-check file cannot be read
        Unreadable,      // a file is there, but it is no regular file or the system refused to read it
    };

    FormatError(Kind kind, const QString& file, std::optional<std::size_t> offset, const QString& detail);

    Kind kind() const { return kind_; }
    const QString& file() const { return file_; }
    std::optional<std::size_t> offset() const { return offset_; }
    const QString& detail() const { return detail_; }
    // "<file>: <detail> (at byte <offset>)", or "<file>: <detail>" without an offset.
    QString message() const;

private:
    Kind kind_;
    QString file_;
    std::optional<std::size_t> offset_;
    QString detail_;
};

} // namespace korvex
