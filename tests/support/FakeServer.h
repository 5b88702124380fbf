#pragma once

// A database server in memory, reached through a server driver registered under the name
// "FAKESQL": two tables, a login with a password, and a server that can be made to refuse
// the connection. Header-only: the engine's, the browser's, the window's and the command
// line's tests register it as the server drivers are registered in the programs.

#include "DatabaseEngine.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

namespace korvex::test {

class FakeServerTable : public DatabaseTable {
public:
    FakeServerTable(QString name, TableDefinition definition)
        : name_(std::move(name)), definition_(std::move(definition))
    {}
    QString path() const override { return name_; }
    const TableDefinition& definition() const override { return definition_; }
    std::vector<IndexDescription> indexes() override
    {
        IndexDescription primary;
        primary.fields = QStringLiteral("id");
        primary.primary = primary.unique = true;
        return {primary};
    }
    std::vector<IntegrityDescriptor> integrityLinks() override { return {}; }
    bool passwordOpens(const QString&) const override { return false; }

private:
    QString name_;
    TableDefinition definition_;
};

class FakeServerDatabase : public Database {
public:
    static QStringList names() { return {QStringLiteral("customers"), QStringLiteral("sales.orders")}; }
    QStringList tableNames() override { return names(); }
    std::unique_ptr<DatabaseTable> openTable(const QString& name) override
    {
        if (!names().contains(name))
            throw EngineError(result::NoSuchFile, QStringLiteral("%1: no such table on the server").arg(name));
        TableDefinition d;
        d.tableType = QStringLiteral("FAKESQL");
        d.languageDriverDescription = QStringLiteral("UTF8");
        FieldDefinition id;
        id.name = QStringLiteral("id");
        id.type = FieldType::Integer;
        id.logicalType = LogicalType::Int32;
        id.size = 4;
        id.key = true;
        FieldDefinition title;
        title.name = QStringLiteral("title");
        title.type = FieldType::String;
        title.logicalType = LogicalType::ZString;
        title.size = 40;
        d.fields = {id, title};
        return std::make_unique<FakeServerTable>(name, std::move(d));
    }
};

// The server's behaviour and what it saw.
struct FakeServer {
    static inline const QString Driver = QStringLiteral("FAKESQL");

    QString password = QStringLiteral("secret"); // empty: the login asks for none
    QString refusal;                             // not empty: every connection is refused with it
    int connections = 0;                         // successful ones
    QStringList usersAsked;                      // the user names a password was asked for

    ServerOpener opener()
    {
        return [this](const AliasDefinition& alias, const LoginPassword& askPassword) -> std::unique_ptr<Database> {
            if (!refusal.isEmpty())
                throw EngineError(result::ServerRefused, QStringLiteral("alias \"%1\": %2").arg(alias.name, refusal));
            if (!password.isEmpty()) {
                usersAsked << alias.userName();
                if (askPassword(alias.userName()) != password)
                    throw EngineError(result::ServerRefused,
                                      QStringLiteral("alias \"%1\": password authentication failed for user \"%2\"")
                                          .arg(alias.name, alias.userName()));
            }
            ++connections;
            return std::make_unique<FakeServerDatabase>();
        };
    }
};

} // namespace korvex::test
