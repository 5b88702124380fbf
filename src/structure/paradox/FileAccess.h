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
    return MappedFile::openCompanion(path);
}

} // namespace korvex::paradox
