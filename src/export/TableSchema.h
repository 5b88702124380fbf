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

// The validity checks of one field as the machine outputs give them: each value taken from
// the engine's typed record and written the same in every locale (ISO 8601 dates and
// times, '.' before decimals, true or false), unlike the printed report's texts.
struct FieldChecks {
    bool required = false; // the field must be filled
    std::optional<QString> minimum;
    std::optional<QString> maximum;
    std::optional<QString> defaultValue;
    QString picture;
};

// One field with the texts the printed report shows of it and its validity checks.
struct SchemaField {
    FieldEntry entry;
    QString typeName; // the "Type" column
    QString sizeText; // the "Size" column
    FieldChecks checks;
};

// A validity value of a field of the given type, locale-free as in FieldChecks. A date or
// time outside what a calendar shows (only damaged files hold one) is the stored number.
QString validityValueText(FieldType type, const ValueSlot& value);

// The checks of every field of an open table, read once: the last matching check gives
// each value and the picture, as the printed report reads them.
std::vector<FieldChecks> readFieldChecks(TableSource& source, const TableStructure& structure); // EngineError

// One referential-integrity link of the table.
struct SchemaLink {
    QString name;
    // true: this table refers to the related table, its master; false: the related table
    // is a dependent that refers to this one.
    bool master = true;
    // The related table's file name as it lies in its directory, or as the link stores it
    // when it cannot be found there.
    QString relatedTable;
    bool cascade = false; // modify rule; deleting is always restricted
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
    QString typeOfTable; // "Type of table": type, a blank and the level text
    // The table information block: label and value of each line, the left half's six
    // lines first, then the right half's; labels through the lookup.
    std::vector<std::pair<QString, QString>> information;
    std::vector<SchemaField> fields;
    std::vector<IndexDescription> indexes; // every index in the engine's order, a primary one first
    std::vector<SchemaLink> links;         // in the engine's order
};

enum class SchemaDetail {
    Summary, // properties and field count only: type, level, counts
    Full,    // everything the report prints
};

// Reads the structure of one table read-only, with every fixed word through label. The
// result feeds the machine outputs, so no text of it depends on the user's locale. Engine
// failures leave ok false with the engine's message in error; nothing is thrown for them.
TableSchema readTableSchema(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors, const TableEntry& table,
                            const LabelLookup& label, SchemaDetail detail = SchemaDetail::Full);

// The schemas of every table of a set, in its order.
std::vector<TableSchema> readTableSchemas(DatabaseEngine& engine, const TableSet& set, const LabelLookup& label);

} // namespace korvex
