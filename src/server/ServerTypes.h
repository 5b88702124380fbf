#pragma once

#include "CatalogText.h"
#include "TableDefinition.h"

#include <QString>

#include <optional>

namespace korvex::server {

// How a server's column type reads: its base name without modifiers ("numeric",
// "character varying", "VARCHAR"), the numbers in its modifiers, and the group the server
// files it under when the name is none of the known ones.
struct ServerType {
    QString baseName;
    std::optional<int> length; // first modifier: length or precision
    std::optional<int> scale;  // second modifier
    enum class Group { Text, Number, Integer, Real, Boolean, DateTime, Binary, Other };
    Group group = Group::Other;
};

// Reads a declared type such as "numeric(12,4)", "timestamp(3) without time zone" or
// "VARCHAR (40)" into its base name and modifiers; `group` stays Other.
ServerType parseServerType(const QString& declared);

// The group SQLite's type affinity puts a declared type in (the rules of its "Determination
// of Column Affinity", with "no type" as binary).
ServerType::Group sqliteAffinityGroup(const QString& declared);

// The field a column of `type` becomes: its report type, size and engine descriptor.
// `storedType` is the server's own type text; `autoIncrement` turns an integer column
// into Auto-Inc.
FieldDefinition fieldFor(const QString& name, const ServerType& type, const QString& storedType, bool autoIncrement);

// A literal as the engine's value for the field's logical type; nothing when it does not
// fit (text in a number field, a number out of range, a date the field cannot hold).
std::optional<ValueSlot> engineValue(const FieldDefinition& field, const SqlLiteral& literal);

} // namespace korvex::server
