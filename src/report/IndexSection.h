#pragma once

#include "ReportContext.h"

#include "DatabaseEngine.h"
#include "TableStructure.h"

namespace korvex {

// The indexes of the table below the field table: for a Paradox table its secondary
// indexes (a keyed table's primary index, listed first, is left out), for a dBASE table
// every index.
// row is the line of the last row printed, on entry and on return. Raises EngineError
// when the indexes cannot be listed.
void printIndexSection(ReportContext& context, TableSource& table, const TableStructure& structure, int& row);

} // namespace korvex
