#pragma once

#include "FormatError.h"
#include "MappedFile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <cstddef>
#include <span>

namespace korvex::paradox {

// Maps a file of a table's family (index files, another table's .DB and .VAL) read-only.
// One that is there but cannot be read is damage of that file, named in the error.
inline MappedFile mapFamilyFile(const QString& path)
{
    QString error;
    bool notFound = false;
    auto file = MappedFile::open(path, error, notFound);
    if (!file)
        throw FormatError(FormatError::Kind::Damaged, QFileInfo(path).fileName(), 0, error);
    return std::move(*file);
}

inline std::span<const std::byte> bytesOf(const QByteArray& b)
{
    return std::as_bytes(std::span(b.constData(), std::size_t(b.size())));
}

inline QByteArray copyOf(std::span<const std::byte> s)
{
    return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
}

} // namespace korvex::paradox
