// What a server's catalog says beyond a table file (its column types, computed defaults,
// CHECK constraints, foreign-key rules, encoding and collation) in every machine output.

#include "Json.h"
#include "MarkdownExport.h"
#include "SchemaTexts.h"
#include "StructureDump.h"
#include "TblsExport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

using namespace korvex;

namespace {

struct Entry {
    TableDefinition definition;
    std::vector<IntegrityDescriptor> links;
};

class CatalogTable : public DatabaseTable {
public:
    CatalogTable(QString name, Entry entry) : name_(std::move(name)), entry_(std::move(entry)) {}
    QString path() const override { return name_; }
    const TableDefinition& definition() const override { return entry_.definition; }
    std::vector<IndexDescription> indexes() override { return {}; }
    std::vector<IntegrityDescriptor> integrityLinks() override { return entry_.links; }
    bool passwordOpens(const QString&) const override { return false; }

private:
    QString name_;
    Entry entry_;
};

class Catalog : public Database {
public:
    explicit Catalog(std::map<QString, Entry> tables) : tables_(std::move(tables)) {}
    QStringList tableNames() override { return {"customers", "orders"}; }
    std::unique_ptr<DatabaseTable> openTable(const QString& name) override
    {
        const auto it = tables_.find(name);
        if (it == tables_.end())
            throw EngineError(result::NoSuchFile, name + ": not in the catalog");
        return std::make_unique<CatalogTable>(name, it->second);
    }

private:
    std::map<QString, Entry> tables_;
};

FieldDefinition column(const char* name, FieldType type, LogicalType logical, int size, const char* serverType)
{
    FieldDefinition f;
    f.name = name;
    f.type = type;
    f.logicalType = logical;
    f.size = size;
    f.logicalLength = std::uint16_t(type == FieldType::String ? size + 1 : 8);
    f.serverType = serverType;
    return f;
}

TableDefinition serverTable()
{
    TableDefinition d;
    d.tableType = "POSTGRESQL";
    d.languageDriverName = "UTF8";
    d.server = ServerFacts{"UTF8", "C.UTF-8", {}};
    return d;
}

std::map<QString, Entry> shop()
{
    using A = ReferentialAction;
    const LinkRules rules(A::NoAction, A::SetNull);
    Entry orders{serverTable(),
                 {{"orders_customer_fkey", IntegrityDescriptor::Kind::Master, "customers", rules, {{2, 1}}}}};
    orders.definition.fields = {
        column("id", FieldType::Integer, LogicalType::Int32, 0, "integer"),
        column("customer", FieldType::Integer, LogicalType::Int32, 0, "integer"),
        column("total", FieldType::Float, LogicalType::Float, 0, "numeric(12,4)"),
        column("created", FieldType::DateTime, LogicalType::Timestamp, 0, "timestamp without time zone"),
        column("note", FieldType::String, LogicalType::ZString, 10, "character varying(10)"),
    };
    orders.definition.fields[0].key = true;
    orders.definition.fields[3].defaultExpression = "now()";
    ValidityCheck note;
    note.fieldNumber = 5;
    note.hasDefault = true;
    slot::putString(note.defaultValue, "none");
    orders.definition.validityChecks = {note};
    orders.definition.server->checks = {{"orders_total_check", "total = 0 OR note IS NOT NULL", {"total", "note"}},
                                        {"", "created = created", {"created"}}};

    Entry customers{serverTable(),
                    {{"orders_customer_fkey", IntegrityDescriptor::Kind::Dependent, "orders", rules, {{1, 2}}}}};
    customers.definition.fields = {column("id", FieldType::Integer, LogicalType::Int32, 0, "integer")};
    customers.definition.fields[0].key = true;
    return {{"orders", orders}, {"customers", customers}};
}

QString builtIn(const QString& text)
{
    return text;
}

QJsonObject named(const QJsonArray& list, const QString& name)
{
    for (const auto& v : list) {
        if (v.toObject().value("name").toString() == name)
            return v.toObject();
    }
    return {};
}

} // namespace

TEST(ServerExtras, TypesDefaultsChecksRulesAndEncodingReachJsonTblsAndMarkdown)
{
    DatabaseEngine engine;
    ASSERT_EQ(engine.attachDatabase("DBshop", std::make_unique<Catalog>(shop())), result::Ok);
    FieldDescriptorBuffer descriptors;
    const TableSchema orders = readTableSchema(engine, descriptors, {"orders", "DBshop", "orders"});
    const TableSchema customers = readTableSchema(engine, descriptors, {"customers", "DBshop", "customers"});
    ASSERT_TRUE(orders.ok && customers.ok) << orders.error.toStdString() << customers.error.toStdString();

    // The JSON dump: the related table opened through the same database for its fields.
    const auto dump = dumpTableStructure(engine, descriptors, "orders", builtIn, "DBshop");
    ASSERT_TRUE(dump.ok);
    const QJsonObject json = QJsonDocument::fromJson(dump.json.serialize().toUtf8()).object();
    EXPECT_EQ(json.value("languageDriver").toString(), "UTF8, collation C.UTF-8");
    EXPECT_EQ(json.value("collation").toString(), "C.UTF-8");
    const QJsonObject created = named(json.value("fields").toArray(), "created");
    EXPECT_EQ(created.value("default").toString(), "now()");
    EXPECT_TRUE(created.value("defaultIsExpression").toBool());
    EXPECT_EQ(created.value("serverType").toString(), "timestamp without time zone");
    const QJsonObject literal = named(json.value("fields").toArray(), "note");
    EXPECT_EQ(literal.value("default").toString(), "none");
    EXPECT_FALSE(literal.contains("defaultIsExpression"));
    EXPECT_EQ(json.value("checks").toArray()[0].toObject().value("fields").toArray(), (QJsonArray{"total", "note"}));
    const QJsonObject link = json.value("links").toArray()[0].toObject();
    EXPECT_EQ(link.value("relatedTable").toString(), "customers");
    EXPECT_EQ(link.value("onUpdate").toString(), "NO ACTION");
    EXPECT_EQ(link.value("onDelete").toString(), "SET NULL");
    EXPECT_EQ(link.value("pairs").toArray()[0].toArray(), (QJsonArray{"customer", "id"}));

    // tbls: the server's column types, the computed default, the CHECKs, both rules.
    const QJsonObject tbls = QJsonDocument::fromJson(tblsSchemaJson("shop", {orders, customers})).object();
    const QJsonObject table = named(tbls.value("tables").toArray(), "orders");
    EXPECT_EQ(tbls.value("desc").toString(), "Structure of the tables of the POSTGRESQL database shop");
    EXPECT_EQ(named(table.value("columns").toArray(), "total").value("type").toString(), "numeric(12,4)");
    EXPECT_EQ(named(table.value("columns").toArray(), "created").value("default").toString(), "now()");
    const QJsonArray constraints = table.value("constraints").toArray();
    EXPECT_EQ(named(constraints, "orders_total_check").value("def").toString(),
              "CHECK (total = 0 OR note IS NOT NULL)");
    EXPECT_EQ(named(constraints, "orders_check2").value("columns").toArray(), QJsonArray{"created"});
    const QString fk = "FOREIGN KEY (customer) REFERENCES customers (id) ON UPDATE NO ACTION ON DELETE SET NULL";
    EXPECT_EQ(named(constraints, "orders_customer_fkey").value("def").toString(), fk);
    ASSERT_EQ(tbls.value("relations").toArray().size(), 1);
    EXPECT_EQ(tbls.value("relations").toArray()[0].toObject().value("def").toString(), fk);
    EXPECT_TRUE(table.value("comment").toString().contains("Language Driver: UTF8, collation C.UTF-8"));

    // Markdown: a server type column, the checks, both rules in SQL's words.
    const auto md = markdownDocuments("shop", {orders, customers}, FieldTableOptions{{"Name", "Def."}}, builtIn);
    ASSERT_EQ(md.size(), 3u);
    const QString doc = QString::fromUtf8(md[1].contents);
    for (const char* part :
         {"| Name | Default | Server type | Required |\n", "| created | now() | timestamp without time zone |  |\n",
          "| orders\\_total\\_check | total = 0 OR note IS NOT NULL |\n", "| On update | On delete |",
          "| NO ACTION | SET NULL | customer | id |\n"})
        EXPECT_TRUE(doc.contains(part)) << part << "\n" << doc.toStdString();
}
