#pragma once

#include "ByteReader.h"
#include "TableDefinition.h"

#include <QByteArray>

#include <cstdint>

namespace korvex::paradox {

// Reads the definition of a Paradox table from the header of its .DB file and, when
// val is given, the validity checks of its .VAL file. Throws FormatError: Damaged for
// bytes that are not a Paradox table or are inconsistent (naming the .DB or the .VAL),
// Unsupported for a format version this reader does not know. Index files (.PX, .Xnn,
// .XGn and their trees) are refused as "not a Paradox table".
//
// What the files do not store is derived by these rules:
// - Level: 3 for Paradox 3.0 and 3.5, 4 for 4.x, 5 for 5.x, 7 for 7 (tableLevel).
// - Record buffer size: the sum of the fields' logical lengths, the bytes of each field's
//   engine value: Alpha n + 1 (zero-terminated), Short 2, Long, AutoInc, Date and Time 4,
//   Number, Money and Timestamp 8, Logical 2 (a 16-bit boolean), BCD 34 (the engine's
//   packed decimal), Bytes n, and a BLOB field its record bytes (leader and .MB locator,
//   from which the engine opens the value).
// - Units: Alpha and Bytes their length; BCD precision 32 and its decimals; a BLOB field
//   its leader (size byte - 10). The field-list size is the length, the leader or the
//   decimals, and 0 for the fixed-size types.
// - Strict referential integrity: bit 1 of byte 0x55 (where the option is kept is not
//   documented; the bit is set only in tables that take part in referential integrity).
// - Language driver: the sort-order name (4.x and later) or the sort-order byte (3.x),
//   looked up in the engine's driver list for its description and code page; field
//   names and validity texts are decoded in that code page.
//
// - Names: read as UTF-8 instead when the driver's code page turns them into control
//   characters while they are valid UTF-8 (CodePage::namesReadBetterAsUtf8); a warning
//   says so.
//
// A .VAL that was written for an earlier state of the table (its change counter differs
// from the table's) or that has the DOS-era layout contributes no checks; a warning of
// the definition says so. A damaged .VAL fails the table with
// FormatError::Kind::ValidityDamaged, naming the .VAL.
TableDefinition readTable(const FileBytes& db, const FileBytes* val);

// The checksum an encrypted table stores for its master password; password holds the
// password's bytes in the table's code page. 0 for an empty password.
std::uint32_t passwordChecksum(const QByteArray& password);

// The engine's table level of a format version: 3 and 4 (Paradox 3.0 and 3.5) give 3,
// 5 to 9 give 4, 10 and 11 give 5, 12 gives 7; 0 for any other value.
std::uint16_t tableLevel(std::uint8_t fileVersionID);

} // namespace korvex::paradox
