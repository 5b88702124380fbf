#pragma once

#include "CodePage.h"
#include "DbfHeader.h"
#include "TableDefinition.h"

namespace korvex::dbase {

// dBASE and FoxPro share the file layout but not every type letter: B is a binary blob
// in dBASE and a double in Visual FoxPro.
enum class Dialect { DBase, FoxPro };

// Whether the field's type exists only in FoxPro tables (Y, T, P, Q, W, 0, I outside
// level 7, and B stored as an 8-byte double): such a field marks a table with a dBASE III
// version byte as a FoxPro table. V does not: in such a table it is Harbour's variant.
bool isFoxProOnlyField(const StoredField& field);

// The engine's view of one stored field of a table with this version byte. The rules, by
// type letter:
//
//   letter  engine type (code)           logical type / subtype   size  units 1, 2    record buffer
//   C       String (1)                   ZString                  w     w, 0          w + 1
//   V       Visual FoxPro (version byte 0x30 to 0x32): Varchar, as C
//           elsewhere: Harbour's variant, Bytes (12)
//                                        Bytes                    w     w, 0          w
//   N       SmallInt (2) when d = 0 and w <= 4, else Float (6)
//                                        Int16 / Float            0     w, d          2 / 8
//   F, O    Float (6)                    Float                    0     w, d          8
//   B       dBASE: Typed bin (21)        Blob / typed binary      1     1, 0          w
//           FoxPro: Float (6), a double  Float                    0     w, d          8
//   Y       Money (7)                    Float / money            0     w, d          8
//   D       Date (9)                     Date                     0     0, 0          4
//   T       Date/Time (11); w = 4: Harbour's time of day, Time (10)
//                                        Timestamp / Time         0     0, 0          8 / 4
//   @, =    Date/Time (11)               Timestamp                0     0, 0          8
//   L       Boolean (5)                  Bool                     0     0, 0          2
//   I       Integer (3); Auto-Inc (14) with a FoxPro auto-increment flag; Harbour's
//           integers of w <= 2 bytes SmallInt (2)
//                                        Int32 (auto-increment)   0     0, 0          max(w, 4)
//                                        Int16                    0     0, 0          2
//   ^       Integer (3)                  Int32                    0     0, 0          w
//   +       Auto-Inc (14)                Int32 / auto-increment   0     0, 0          4
//   M       Memo (16)                    Blob / memo              1     1, 0          w
//   G       OLE (20)                     Blob / dBASE OLE         1     1, 0          w
//   P       Graphic (17)                 Blob / graphic           1     1, 0          w
//   W       Blob (15)                    Blob / binary            1     1, 0          w
//   Q       VarBytes (13)                VarBytes                 w     w, 0          w + 2
//   0       Bytes (12)                   Bytes                    w     w, 0          w
//   other   Unknown (0)                  Unknown                  0     0, 0          w
//
// (w width, d decimals.) A blob's size is 1: the engine reports the part of a dBASE
// blob kept in the record as one unit, whatever the width of the stored block number.
// Harbour's types: = is the time the record was last changed and ^ its row version, both
// kept by the table itself; + its auto-increment; @ a timestamp; I a binary integer of 1
// to 8 bytes; T of 4 bytes a time of day; V a variant and Q a variable-length field. The
// engine has no 64-bit integer: an I of more than 4 bytes and ^ are shown as Integer, their
// values taking their width in the record buffer. Units 1 and 2 above 32767 are cut to
// 32767.
FieldDefinition describeField(const StoredField& field, Dialect dialect, std::uint8_t version,
                              const CodePage& codePage);

} // namespace korvex::dbase
