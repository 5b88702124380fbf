#pragma once

#include "TableSchema.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace korvex {

// One field of a table as the structure diff compares it: the field list's entry and its
// validity checks as the machine outputs write them, so that a table read from its files
// and the same table read back from a JSON snapshot are the same values.
struct StructureField {
    FieldEntry entry;
    QString storedType; // the file's own type ("N", "+"); empty when not known
    QString serverType; // a server's column type as the server writes it; empty for a table file
    bool required = false;
    QString minimum; // empty when the field has none
    QString maximum;
    QString defaultValue;
    bool defaultIsExpression = false; // the server computes the default
    QString picture;
};

// One table of a side of a structure diff.
struct StructureTable {
    QString name;         // as the run shows it: the file name, or the alias's table name
    QString tableTypeKey; // "PARADOX", "DBASE", "FOXPRO", "POSTGRESQL", "SQLITE" ...
    QString error;        // why the table could not be read; empty when it was
    // The table's properties, each a label and its text; those of one kind of engine only
    // (block size, language driver, encoding) are left out when the other side is another kind.
    std::vector<std::pair<QString, QString>> properties;
    std::vector<StructureField> fields;
    std::vector<IndexDescription> indexes;
    std::vector<SchemaLink> links;
    std::vector<CheckConstraint> checks; // a server's CHECK constraints that are no field's range
};

// One side: a table file, a directory, a JSON snapshot or an alias.
struct StructureSide {
    QString origin; // as the user named it
    std::vector<StructureTable> tables;
};

// A table's structure from its schema; storedTypes are its fields' stored types where known.
StructureTable structureOf(const TableSchema& schema, const QStringList& storedTypes = {});

// The label of each property of a table, in the order they are compared.
namespace property {
inline const QString TypeOfTable = QStringLiteral("Type of table");
inline const QString LanguageDriver = QStringLiteral("Language driver");
inline const QString RecordSize = QStringLiteral("Record size");
inline const QString KeySize = QStringLiteral("Key size");
inline const QString BlockSize = QStringLiteral("Block size");
inline const QString Passwords = QStringLiteral("Auxiliary passwords");
inline const QString StrictIntegrity = QStringLiteral("Strict integrity");
inline const QString Encoding = QStringLiteral("Encoding");
inline const QString Collation = QStringLiteral("Collation");
} // namespace property

enum class DiffChange { Added, Removed, Changed };

// One value that differs: what it is, and its text on each side.
struct ValueChange {
    QString item;
    QString before;
    QString after;
};

// A field, index, link or check constraint added, removed or changed.
struct ItemDiff {
    DiffChange change = DiffChange::Changed;
    QString name;
    QString description;              // what the added or removed item is
    std::vector<ValueChange> changes; // what changed in it
};

struct TableDiff {
    DiffChange change = DiffChange::Changed;
    QString name; // the new side's name, or the old side's for a removed table
    QString oldName;
    std::vector<ItemDiff> fields;
    std::vector<ItemDiff> indexes;
    std::vector<ItemDiff> links;
    std::vector<ItemDiff> checks;
    std::vector<ValueChange> properties;
    bool acrossEngines = false; // a table file against a server's table
};

// The differences of two sides, tables in the new side's order, removed ones after them.
struct StructureDiff {
    std::vector<TableDiff> tables;
    bool empty() const { return tables.empty(); }
};

// The differences from before to after. Tables match by name without extension,
// ignoring case where that leaves no doubt, and a side of one table matches the other
// side's one table whatever its name; fields match by name likewise. A table file against
// a server's table compares its fields' types as the migration script maps them for that
// server, its indexes and links by what they hold rather than by name, and leaves out what
// only one kind of engine has.
StructureDiff compareStructures(const StructureSide& before, const StructureSide& after);

// The text of a field's type for the outputs: its type name, and the size where it has one.
QString fieldTypeText(const StructureTable& table, const StructureField& field);

} // namespace korvex
