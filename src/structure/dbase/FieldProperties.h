#pragma once

#include "CodePage.h"
#include "DbfHeader.h"
#include "TableDefinition.h"

#include <vector>

namespace korvex::dbase {

// The validity checks of a level-7 table, from the standard field properties stored
// after the field descriptors: one check per field that has a required flag, a minimum,
// a maximum or a default, in field order. Values are stored like record values of their
// field and come out in the engine's encoding; blank values count as not set. Where a
// property was changed, several generations of it are stored and the highest counts.
// Table and database constraints have no place in a validity check and are passed over,
// as are the custom and referential-integrity properties.
//
// Tables below level 7, and level-7 tables whose header leaves no room for the
// properties structure, have none. Throws FormatError (Damaged) when the structure or a
// value does not fit the header or does not read as its field's type.
std::vector<ValidityCheck> readValidityChecks(const FileBytes& dbf, const DbfHeader& header,
                                              const std::vector<FieldDefinition>& fields, const CodePage& codePage);

} // namespace korvex::dbase
