#pragma once

#include "TableSchema.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvex {

// The tables in the schema JSON of tbls (the form its json:// data source and its
// external drivers give): every table that could be read with its columns, indexes and
// constraints (primary key, a CHECK for each validity range, a FOREIGN KEY for each master
// link with its rules), and the relations of the master links whose tables are both in
// the set. What tbls has no member for (table level, language driver, sizes, pictures)
// stands in labels and comments, written with the built-in labels (tblsLabel) and without
// a locale, so that the JSON does not change with the user's language. Members come in a
// fixed order: the same schemas give the same bytes.
QByteArray tblsSchemaJson(const QString& name, const std::vector<TableSchema>& schemas);

// The label lookup of the tbls JSON: the built-in English words.
QString tblsLabel(const QString& builtInText);

} // namespace korvex
