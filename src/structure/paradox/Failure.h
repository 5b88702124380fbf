#pragma once

#include "ByteReader.h"
#include "FormatError.h"

#include <QString>

#include <cstddef>

namespace korvex::paradox {

// Throws FormatError for file, pointing at the byte where the inconsistent value lies
// rather than where the cursor happens to stand.
[[noreturn]] inline void failAt(const ByteReader& file, std::size_t offset, FormatError::Kind kind,
                                const QString& detail)
{
    throw FormatError(kind, file.file(), offset, detail);
}

} // namespace korvex::paradox
