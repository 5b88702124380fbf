#pragma once

#include "TableSchema.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace korvex {

// The texts of the machine outputs (JSON, Markdown, tbls), made from the typed schema at the
// moment of writing and the same in every locale: ISO 8601 dates and times, '.' before
// decimals, true or false; unlike the printed report, which follows the user's locale.
// Fixed words pass through label.

// A validity value of a field of the given type. A date or time outside what a calendar
// shows (only damaged files hold one) is the stored number.
QString validityValueText(FieldType type, const ValueSlot& value);
// One of a field's validity values as text; nothing when the field has none.
std::optional<QString> validityText(const SchemaField& field, const std::optional<ValueSlot>& value);

// A field's default as text: a literal as validityValueText gives it, a default the
// server computes as its expression; nothing when the field has none.
std::optional<QString> defaultText(const SchemaField& field);

// A link's rule as SQL writes it: "CASCADE", "RESTRICT", "NO ACTION", "SET NULL", "SET DEFAULT".
QString referentialActionText(ReferentialAction action);

// The name of a CHECK constraint of the table, number counted from 1: its own, or one made
// from the table's name for a constraint the server keeps no name for.
QString checkConstraintName(const TableSchema& schema, const CheckConstraint& check, int number);

// "Type of table": the type, a blank and the level text.
QString typeOfTableText(const TableSchema& schema);
// The "Size" column of one of the table's fields.
QString fieldSizeText(const TableSchema& schema, const SchemaField& field);
// The language driver's description, or "Unknown" when the engine cannot give it.
QString languageDriverText(const std::optional<QString>& description, const LabelLookup& label);

// The table information block: label and value of each line, the left half's six lines
// first, then the right half's.
std::vector<std::pair<QString, QString>> informationLines(const TableSchema& schema, const LabelLookup& label);

} // namespace korvex
