#pragma once

#include "TableDefinition.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace korvex::server {

// A failure of a server or its driver, with the server's own text.
class ServerError : public std::runtime_error {
public:
    explicit ServerError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// What a foreign key does to the referring rows when the referred row changes or goes.
enum class ReferentialAction : std::uint8_t { NoAction, Restrict, Cascade, SetNull, SetDefault };

// "NO ACTION", "RESTRICT", "CASCADE", "SET NULL", "SET DEFAULT".
QString referentialActionText(ReferentialAction action);

// One foreign key seen from one table: its own (a master link, it refers to
// `relatedTable`) or another table's that refers to it (a dependent link).
struct ServerForeignKey {
    QString name;
    IntegrityDescriptor::Kind kind = IntegrityDescriptor::Kind::Master;
    QString relatedTable;      // as the table list names it
    QStringList fields;        // this table's fields, in key order
    QStringList relatedFields; // the related table's fields, paired with `fields`
    ReferentialAction onUpdate = ReferentialAction::NoAction;
    ReferentialAction onDelete = ReferentialAction::NoAction;
};

// A CHECK constraint that is no range of one field (those become validity checks).
struct ServerCheck {
    QString name;       // empty when the server keeps no name for it
    QString expression; // as the server gives it back, without "CHECK"
};

// A column default that is computed rather than a literal ("now()", "nextval(...)").
struct ServerDefault {
    std::uint16_t fieldNumber = 0; // 1-based
    QString expression;
};

// One table of a server database: what the engine's structure types hold, and beside
// them what they cannot hold yet.
struct ServerTable {
    QString name;      // as the table list names it: quoted where needed, with its schema
                       // when several schemas are listed
    QString schema;    // "main" for SQLite
    QString plainName; // the name in the catalog, unquoted

    TableDefinition definition;
    std::vector<IndexDescription> indexes; // the primary key's first
    // The referential-integrity links; foreignKeys[i] is links[i] with its rules and names.
    std::vector<IntegrityDescriptor> links;
    std::vector<ServerForeignKey> foreignKeys;

    std::vector<ServerCheck> checks;
    std::vector<ServerDefault> expressionDefaults;
    QString encoding;  // the database's: "UTF8", "UTF-8"
    QString collation; // the database's default: "C.UTF-8", "BINARY"
};

// Gathers validity checks field by field while a catalog reader walks its rows.
class ValidityChecks {
public:
    explicit ValidityChecks(TableDefinition& table) : table_(table) {}
    ValidityCheck& of(std::uint16_t fieldNumber);
    // Sorts the checks by field number; call once after the last `of`.
    void finish();

private:
    TableDefinition& table_;
};

// Adds a column's default to the table: a literal that fits the field as the validity
// check's default, anything else as an expression default.
void addDefault(ServerTable& table, std::uint16_t fieldNumber, const QString& expression);

// Adds a CHECK: as the minimum and maximum of its one column when it is a range of
// literals that fit the field, else to the other checks.
void addCheck(ServerTable& table, const QString& name, const QString& expression);

} // namespace korvex::server
