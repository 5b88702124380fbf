#include "ServerTable.h"

#include "CatalogText.h"
#include "ServerTypes.h"

#include <algorithm>

namespace korvex::server {

QString sqlErrorText(const QSqlError& error)
{
    const QString server = error.databaseText().trimmed();
    return server.isEmpty() ? error.text().trimmed() : server;
}

QSqlDatabase addConnection(const QString& driver, const QString& serverName, const QString& connectionName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, connectionName);
    if (!db.isValid())
        throw ServerError(QStringLiteral("Qt's %1 driver (%2) is not installed").arg(serverName, driver));
    return db;
}

void dropConnection(QSqlDatabase& database)
{
    const QString name = database.connectionName();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

void openConnection(QSqlDatabase& database)
{
    if (database.open())
        return;
    const QString message = sqlErrorText(database.lastError());
    dropConnection(database);
    throw ServerError(message);
}

ReferentialAction referentialAction(const QString& rule)
{
    const QString r = rule.toUpper();
    if (r == u"CASCADE")
        return ReferentialAction::Cascade;
    if (r == u"RESTRICT")
        return ReferentialAction::Restrict;
    if (r == u"SET NULL")
        return ReferentialAction::SetNull;
    if (r == u"SET DEFAULT")
        return ReferentialAction::SetDefault;
    return ReferentialAction::NoAction;
}

QSqlQuery runCatalogQuery(const QSqlDatabase& database, const QString& sql)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw ServerError(sqlErrorText(query.lastError()));
    return query;
}

ValidityCheck& ValidityChecks::of(std::uint16_t fieldNumber)
{
    for (ValidityCheck& c : table_.validityChecks) {
        if (c.fieldNumber == fieldNumber)
            return c;
    }
    ValidityCheck& c = table_.validityChecks.emplace_back();
    c.fieldNumber = fieldNumber;
    return c;
}

void ValidityChecks::finish()
{
    std::stable_sort(table_.validityChecks.begin(), table_.validityChecks.end(),
                     [](const ValidityCheck& a, const ValidityCheck& b) { return a.fieldNumber < b.fieldNumber; });
}

void addDefault(ServerTable& table, std::uint16_t fieldNumber, const QString& expression)
{
    const FieldDefinition& field = table.definition.fields.at(fieldNumber - 1);
    const auto literal = literalOf(expression);
    // NULL as a default says no more than having none.
    if (!literal && expression.trimmed().compare(QLatin1String("null"), Qt::CaseInsensitive) == 0)
        return;
    const auto value = literal ? engineValue(field, *literal) : std::nullopt;
    if (!value) {
        table.definition.fields.at(fieldNumber - 1).defaultExpression = expression;
        return;
    }
    ValidityCheck& check = ValidityChecks(table.definition).of(fieldNumber);
    check.hasDefault = true;
    check.defaultValue = *value;
}

void addCheck(ServerTable& table, const QString& name, const QString& expression)
{
    QStringList names;
    for (const FieldDefinition& f : table.definition.fields)
        names << f.name;
    const QStringList mentioned = columnsIn(expression, names);
    if (mentioned.size() == 1) {
        const auto fieldNumber = std::uint16_t(names.indexOf(mentioned[0]) + 1);
        const FieldDefinition& field = table.definition.fields.at(fieldNumber - 1);
        const auto range = rangeOf(expression, field.name);
        const auto low = range && range->minimum ? engineValue(field, *range->minimum) : std::nullopt;
        const auto high = range && range->maximum ? engineValue(field, *range->maximum) : std::nullopt;
        if (range && (low || !range->minimum) && (high || !range->maximum)) {
            ValidityCheck& check = ValidityChecks(table.definition).of(fieldNumber);
            if (low) {
                check.hasMinimum = true;
                check.minimum = *low;
            }
            if (high) {
                check.hasMaximum = true;
                check.maximum = *high;
            }
            return;
        }
    }
    if (!table.definition.server)
        table.definition.server.emplace();
    QStringList fields;
    for (const QString& n : names) {
        if (mentioned.contains(n))
            fields << n;
    }
    table.definition.server->checks.push_back({name, expression, fields});
}

} // namespace korvex::server
