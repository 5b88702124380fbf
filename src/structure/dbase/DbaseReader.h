#pragma once

#include "ByteReader.h"
#include "TableDefinition.h"

#include <optional>

namespace korvex::dbase {

// The companion files of a .DBF that its table properties depend on, as far as they
// exist beside it (the engine finds them without regard to case).
struct DbaseCompanions {
    std::optional<FileBytes> dbt; // <base>.DBT: dBASE (and FoxBASE+) memo file
    std::optional<FileBytes> fpt; // <base>.FPT: FoxPro memo file
    std::optional<FileBytes> mdx; // <base>.MDX: dBASE production index
    std::optional<FileBytes> cdx; // <base>.CDX: FoxPro structural compound index
    std::optional<FileBytes> cpg; // <base>.CPG: the code page of a shapefile's table (CpgFile.h)
};

// Reads the definition of a dBASE (III to 7) or FoxPro table from its .DBF and the
// companions above. Throws FormatError: Unsupported for the version bytes of formats it
// does not read (dBASE II among them), Damaged for anything that does not make a
// consistent table (a first byte that is no dBASE version among them). Never reads a
// record.
//
// What it decides where the files leave a choice:
// - Table type: "FOXPRO" for the FoxPro version bytes (0x30, 0x31, 0x32, 0xF5, 0xFB);
//   also for a table with a dBASE III version byte that has a FoxPro-only field type,
//   or that claims a structural index (byte 28) while a .CDX and no .MDX is beside it.
//   Every other table is "DBASE".
// - Level: 7 for the level-7 layout; else 5 with a B or G field; else 4 with a dBASE IV
//   memo (version bit 3), a production MDX (byte 28), a language driver (byte 29) or an
//   F field; else 3. FoxPro tables are level 25, the engine's FoxPro 2.5 level.
// - Language driver: at level 7 the name at byte 32 (case-blind), falling back to byte 29
//   when the name is empty; below level 7 byte 29; both looked up in the engine's driver
//   list (LanguageDrivers.h). Without a driver (byte 29 is 0 and no name) a .CPG beside
//   the table names the code page, and the description says so and names the .CPG
//   ("UTF-8, named by roads.cpg", "Code page 1251, named by roads.cpg"); a .CPG whose
//   text names no code page this reader knows is a warning. Otherwise the code page is
//   1252 and the description empty. Names are read as UTF-8 instead when the code page
//   turns them into control characters while they are valid UTF-8; a warning says so.
// - Block size: the memo file's block size in whole KBytes (so the usual 512- and
//   64-byte memo blocks give 0), read from the .DBT (dBASE IV and later; dBASE III memo
//   blocks are always 512 bytes) or the .FPT; 0 when the table has no blob field or no
//   memo file was found.
// - Record buffer size: the sum of the fields' lengths in the engine's record buffer
//   (DbaseFieldTypes.h), at most 65535.
// - Encryption (byte 15): dBASE IV encrypts the records, not the header, so the
//   structure of an encrypted table reads as any other; no password is asked for.
// - Validity checks: only level-7 tables have them (FieldProperties.h).
//
// The production index's tag list is read on its own (beside this reader), from the
// same header: readDbfHeader gives the fields that tag expressions are matched against.
TableDefinition readTable(const FileBytes& dbf, const DbaseCompanions& companions);

} // namespace korvex::dbase
