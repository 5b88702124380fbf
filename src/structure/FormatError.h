#pragma once

#include <QString>

#include <cstddef>
#include <stdexcept>

namespace korvex {

// Raised by a table-file reader when the bytes do not make a table it can describe.
// The engine turns it into a result code; the message names the file, the offset and
// what was being read, so a user can tell a truncated file from an unknown version.
class FormatError : public std::runtime_error {
public:
    enum class Kind {
        Damaged,      // truncated, inconsistent or not a table of this format at all
        Unsupported,  // a real table, but a format version this reader does not read
        TooManyFields // more fields than the engine's descriptor buffer holds
    };

    FormatError(Kind kind, const QString& file, std::size_t offset, const QString& detail);

    Kind kind() const { return kind_; }
    const QString& file() const { return file_; }
    std::size_t offset() const { return offset_; }
    const QString& detail() const { return detail_; }
    // "<file>: <detail> (at byte <offset>)"
    QString message() const;

private:
    Kind kind_;
    QString file_;
    std::size_t offset_;
    QString detail_;
};

} // namespace korvex
