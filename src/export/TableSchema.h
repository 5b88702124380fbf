#pragma once

#include "TableSet.h"

#include "DatabaseEngine.h"
#include "TableStructure.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace korvex {

// The validity checks of one field as typed values: each value as the engine's record holds
// it for the field's type (FieldEntry::type), formatted by each output with its own rule.
struct FieldValidity {
    bool required = false; // the field must be filled
    std::optional<ValueSlot> minimum;
    std::optional<ValueSlot> maximum;
    std::optional<ValueSlot> defaultValue;
    QString picture;
    // What a server's column adds: a default the server computes, as its text (a literal
    // default is defaultValue), and the column's type as the server writes it.
    QString defaultExpression;
    QString serverType;
};

// One field with its validity checks.
struct SchemaField {
    FieldEntry entry;
    FieldValidity checks;
};

// The checks of every field of an open table, read once: the last matching check gives
// each value and the picture, as the printed report reads them.
std::vector<FieldValidity> readFieldValidity(TableSource& source, const TableStructure& structure); // EngineError

// One referential-integrity link of the table.
struct SchemaLink {
    QString name;
    // true: this table refers to the related table, its master; false: the related table
    // is a dependent that refers to this one.
    bool master = true;
    // The related table's file name as it lies in its directory, or as the link stores it
    // when it cannot be found there.
    QString relatedTable;
    LinkRules rules; // a Paradox link's modify rule, or a server's foreign key's two rules
    // This table's field and the related table's field of each pair, in the link's order.
    std::vector<std::pair<QString, QString>> pairs;
};

// What one table's structure report shows, read once for the exports.
struct TableSchema {
    TableEntry table;
    bool ok = false;
    QString error;        // why the table could not be read; empty when ok
    QStringList warnings; // what the engine noticed without stopping (TableSource::warnings)
    TableStructure structure;
    // The language driver's description; nothing when the engine cannot give it.
    std::optional<QString> languageDriver;
    std::vector<SchemaField> fields;
    std::vector<IndexDescription> indexes; // every index in the engine's order, a primary one first
    std::vector<SchemaLink> links;         // in the engine's order
    // A server's table: its database's encoding and collation and its CHECK constraints
    // that are no range of one field; nothing for a table file.
    std::optional<ServerFacts> server;
};

enum class SchemaDetail {
    Summary, // properties and field count only: type, level, counts
    Full,    // everything the report prints
};

// Reads the structure of one table read-only. Engine failures leave ok false with the
// engine's message in error; nothing is thrown for them.
TableSchema readTableSchema(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors, const TableEntry& table,
                            SchemaDetail detail = SchemaDetail::Full);

// The schemas of every table of a set, in its order.
std::vector<TableSchema> readTableSchemas(DatabaseEngine& engine, const TableSet& set);

} // namespace korvex
