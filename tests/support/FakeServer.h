#pragma once

// A database server in memory behind a server driver named "FAKESQL": two tables, a login
// with a password, and a server that can be made to refuse every connection. The tests
// register it as the programs register their server drivers.

#include "DatabaseEngine.h"

#include <memory>
#include <utility>

namespace korvex::test {

class FakeServerTable : public DatabaseTable {
public:
    FakeServerTable(QString name, TableDefinition definition) : name_(std::move(name)), d_(std::move(definition)) {}
    QString path() const override { return name_; }
    const TableDefinition& definition() const override { return d_; }
    std::vector<IndexDescription> indexes() override { return {}; }
    std::vector<IntegrityDescriptor> integrityLinks() override { return {}; }
    bool passwordOpens(const QString&) const override { return false; }

private:
    QString name_;
    TableDefinition d_;
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
        d.fields.resize(2);
        d.fields[0].name = QStringLiteral("id");
        d.fields[0].type = FieldType::Integer;
        d.fields[0].logicalType = LogicalType::Int32;
        d.fields[0].size = 4;
        d.fields[1].name = QStringLiteral("title");
        d.fields[1].type = FieldType::String;
        d.fields[1].logicalType = LogicalType::ZString;
        d.fields[1].size = 40;
        return std::make_unique<FakeServerTable>(name, std::move(d));
    }
};

struct FakeServer {
    static inline const QString Driver = QStringLiteral("FAKESQL");

    QString password = QStringLiteral("secret"); // empty: the login asks for none
    QString refusal;                             // not empty: the server's text refusing every connection
    int connections = 0;                         // the successful ones

    ServerOpener opener()
    {
        return [this](const AliasDefinition& alias, const LoginPassword& askPassword) -> std::unique_ptr<Database> {
            if (!refusal.isEmpty())
                throw EngineError(result::ServerRefused, QStringLiteral("alias \"%1\": %2").arg(alias.name, refusal));
            if (!password.isEmpty() && askPassword(alias.userName()) != password)
                throw EngineError(result::ServerRefused,
                                  QStringLiteral("alias \"%1\": password authentication failed for user \"%2\"")
                                      .arg(alias.name, alias.userName()));
            ++connections;
            return std::make_unique<FakeServerDatabase>();
        };
    }
};

} // namespace korvex::test
