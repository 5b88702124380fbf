#pragma once

#include "ByteReader.h"
#include "TableDefinition.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>

namespace korvex::paradox {

// Reads the definition of a Paradox table from the header of its .DB file and, when
// val is given, the validity checks of its .VAL file. Throws FormatError: Damaged for
// bytes that are not a Paradox table or are inconsistent (naming the .DB or the .VAL),
// Unsupported for a format version this reader does not know.
//
// A .VAL that was written for an earlier state of the table (its change counter differs
// from the table's) or that has the DOS-era layout contributes no checks; notes, when
// given, receives one line saying so.
TableDefinition readTable(const FileBytes& db, const FileBytes* val);
TableDefinition readTable(const FileBytes& db, const FileBytes* val, QStringList* notes);

// The checksum an encrypted table stores for its master password; password holds the
// password's bytes in the table's code page. 0 for an empty password.
std::uint32_t passwordChecksum(const QByteArray& password);

// The engine's table level of a format version: 3 and 4 (Paradox 3.0 and 3.5) give 3,
// 5 to 9 give 4, 10 and 11 give 5, 12 gives 7; 0 for any other value.
std::uint16_t tableLevel(std::uint8_t fileVersionID);

} // namespace korvex::paradox
