#pragma once

#include "TableDefinition.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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

// The server's own words for a failure, else the driver's.
QString sqlErrorText(const QSqlError& error);

// A foreign key's rule as SQL names it ("CASCADE", "set null"); NO ACTION for any other.
ReferentialAction referentialAction(const QString& rule);

// A connection under connectionName through Qt's driver of that name (QPSQL, QMYSQL...);
// throws ServerError naming the server's driver when Qt's is not installed.
QSqlDatabase addConnection(const QString& driver, const QString& serverName, const QString& connectionName);
// Takes the connection away, leaving nothing behind under its name.
void dropConnection(QSqlDatabase& database);
// Opens the connection; when it does not open, it is dropped and ServerError carries the
// server's text.
void openConnection(QSqlDatabase& database);

// Runs a catalog query, forward only; throws ServerError with the server's text.
QSqlQuery runCatalogQuery(const QSqlDatabase& database, const QString& sql);

// One table of a server database: its structure as the engine hands it out, and the
// names the reader knows it by.
struct ServerTable {
    QString name;      // as the table list names it: quoted where needed, with its schema
                       // when several schemas are listed
    QString schema;    // "main" for SQLite
    QString plainName; // the name in the catalog, unquoted

    TableDefinition definition;            // with its ServerFacts
    std::vector<IndexDescription> indexes; // the primary key's first
    // The referential-integrity links, each with its rules.
    std::vector<IntegrityDescriptor> links;
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
// check's default, anything else as the field's default expression.
void addDefault(ServerTable& table, std::uint16_t fieldNumber, const QString& expression);

// Adds a CHECK: as the minimum and maximum of its one column when it is a range of
// literals that fit the field, else to the table's CHECK constraints.
void addCheck(ServerTable& table, const QString& name, const QString& expression);

} // namespace korvex::server
