#pragma once

#include "ReportContext.h"
#include "UserMessages.h"

#include "TableStructure.h"

#include <stdexcept>

namespace korvex {

// The referential-integrity section failed; the section has told the user already.
class ERefIntError : public std::runtime_error {
public:
    ERefIntError() : std::runtime_error(std::string()) {}
};

// The master and dependent links of a Paradox table or a server's table, one block per
// link with the related table's fields; nothing for other table types. databaseName and tableName are those the
// table was opened with. row is the line of the last row printed, on entry and on return.
// The related table of each link is opened read-only through relatedTable, which is closed
// again on every way out. Raises ERefIntError after showing its message.
void printIntegritySection(ReportContext& context, TableSource& table, TableSource& relatedTable,
                           const TableStructure& structure, const QString& databaseName, const QString& tableName,
                           UserMessages& messages, int& row);

} // namespace korvex
