#pragma once

#include "SqlDialect.h"
#include "TableSchema.h"

#include <QString>

#include <optional>
#include <vector>

namespace korvex {

// A dBASE key expression or FOR condition over the fields of a table as an SQL expression
// of the dialect, or nothing when it does not translate to one that means the same: fields,
// UPPER, LOWER, the TRIMs, texts joined by "+", DTOS of a date, STR of a number, numbers and
// logical values compared, .AND., .OR. and .NOT.
std::optional<QString> translateXbaseExpression(SqlDialect dialect, const QString& expression,
                                                const std::vector<SchemaField>& fields);

} // namespace korvex
