// A database that is no directory of table files, served through the engine: what a server
// catalog will be. Every output reads it as it reads a Paradox table.

#include "MarkdownExport.h"
#include "SchemaTexts.h"
#include "TblsExport.h"

#include "DatabaseEngine.h"

#include <gtest/gtest.h>

#include <map>

using namespace korvex;

namespace {

struct CatalogEntry {
    TableDefinition definition;
    std::vector<IndexDescription> indexes;
};

class CatalogTable : public DatabaseTable {
public:
    CatalogTable(QString name, CatalogEntry entry) : name_(std::move(name)), entry_(std::move(entry)) {}
    QString path() const override { return name_; }
    const TableDefinition& definition() const override { return entry_.definition; }
    std::vector<IndexDescription> indexes() override { return entry_.indexes; }
    std::vector<IntegrityDescriptor> integrityLinks() override { return {}; }
    bool passwordOpens(const QString&) const override { return false; }

private:
    QString name_;
    CatalogEntry entry_;
};

class Catalog : public Database {
public:
    explicit Catalog(std::map<QString, CatalogEntry> tables) : tables_(std::move(tables)) {}
    QStringList tableNames() override
    {
        QStringList names;
        for (const auto& [name, entry] : tables_)
            names << name;
        return names;
    }
    std::unique_ptr<DatabaseTable> openTable(const QString& name) override
    {
        const auto it = tables_.find(name);
        if (it == tables_.end())
            throw EngineError(result::NoSuchFile, QStringLiteral("%1: not in the catalog").arg(name));
        return std::make_unique<CatalogTable>(name, it->second);
    }

private:
    std::map<QString, CatalogEntry> tables_;
};

FieldDefinition field(const char* name, FieldType type, LogicalType logicalType, int size, bool key = false)
{
    FieldDefinition f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.size = size;
    f.logicalType = logicalType;
    f.logicalLength = std::uint16_t(size);
    f.key = key;
    return f;
}

IndexDescription index(const char* name, const char* fields, bool primary)
{
    IndexDescription i;
    i.name = QString::fromLatin1(name);
    i.fields = QString::fromLatin1(fields);
    i.primary = primary;
    return i;
}

CatalogEntry orders()
{
    CatalogEntry e;
    auto& d = e.definition;
    d.tableType = QStringLiteral("PARADOX");
    d.level = 7;
    d.recordSize = d.recordBufferSize = 16;
    d.keySize = 4;
    d.languageDriverDescription = QStringLiteral("Paradox 'ascii'");
    d.fields = {field("Id", FieldType::Integer, LogicalType::Int32, 4, true),
                field("Ordered", FieldType::Date, LogicalType::Date, 4),
                field("Amount", FieldType::Float, LogicalType::Float, 8)};
    ValidityCheck ordered;
    ordered.fieldNumber = 2;
    ordered.required = ordered.hasMinimum = true;
    slot::putDate(ordered.minimum, dayNumberOf(QDate(2024, 1, 31)));
    ValidityCheck amount;
    amount.fieldNumber = 3;
    amount.hasMaximum = amount.hasDefault = true;
    slot::putDouble(amount.maximum, 1234.5);
    slot::putDouble(amount.defaultValue, 0.25);
    d.validityChecks = {ordered, amount};
    e.indexes = {index("", "Id", true), index("ByDate", "Ordered", false)};
    return e;
}

QString builtIn(const QString& text)
{
    return text;
}

} // namespace

TEST(CatalogDatabase, AnAttachedCatalogIsListedOpenedAndWrittenLikeATableFile)
{
    DatabaseEngine engine;
    ASSERT_EQ(engine.attachDatabase("DDBshop",
                                    std::make_unique<Catalog>(
                                        std::map<QString, CatalogEntry>{{"ORDERS", orders()}, {"CUSTOMER", {}}})),
              result::Ok);
    EXPECT_EQ(engine.attachDatabase("DDBshop", std::make_unique<Catalog>(std::map<QString, CatalogEntry>{})),
              result::InvalidValue)
        << "a name stands for one database";
    QStringList names;
    ASSERT_EQ(engine.ListTables("DDBshop", names), result::Ok);
    EXPECT_EQ(names, QStringList({"CUSTOMER", "ORDERS"}));

    FieldDescriptorBuffer descriptors;
    const TableSchema t = readTableSchema(engine, descriptors, {"ORDERS", "DDBshop", "ORDERS"});
    ASSERT_TRUE(t.ok) << t.error.toStdString();
    ASSERT_EQ(t.fields.size(), 3u);
    EXPECT_EQ(t.structure.indexCount, 2);
    EXPECT_TRUE(t.fields[1].checks.required);
    EXPECT_EQ(validityText(t.fields[1], t.fields[1].checks.minimum), "2024-01-31");
    EXPECT_FALSE(validityText(t.fields[1], t.fields[1].checks.maximum));
    EXPECT_EQ(validityText(t.fields[2], t.fields[2].checks.defaultValue), "0.25");
    EXPECT_EQ(informationLines(t, builtIn)[2], std::make_pair(QString("Language Driver"), QString("Paradox 'ascii'")));

    const QString tbls = QString::fromUtf8(tblsSchemaJson("shop", {t}));
    for (const char* part : {"CHECK (Ordered >= '2024-01-31')", "CHECK (Amount <= 1234.5)", "\"type\": \"Float(8)\"",
                             "CREATE INDEX ByDate ON ORDERS (Ordered)"})
        EXPECT_TRUE(tbls.contains(part)) << part << "\n" << tbls.toStdString();
    const auto md = markdownDocuments("shop", {t}, FieldTableOptions{{"Name", "Type", "Min.", "Def."}}, builtIn);
    ASSERT_EQ(md.size(), 2u);
    EXPECT_TRUE(md[1].contents.contains("| Ordered | Date | 2024-01-31 |  | \\* |\n")) << md[1].contents.toStdString();
}

TEST(CatalogDatabase, FailuresOfTheCatalogAnswerTheEnginesCodeAndMessage)
{
    DatabaseEngine engine;
    ASSERT_EQ(engine.attachDatabase("DDBshop", std::make_unique<Catalog>(std::map<QString, CatalogEntry>{})),
              result::Ok);
    TableHandle handle = 0;
    EXPECT_EQ(engine.OpenTable("DDBshop", "ORDERS", handle), result::NoSuchFile);
    EXPECT_EQ(engine.lastError(), "ORDERS: not in the catalog");
    FieldDescriptorBuffer descriptors;
    const TableSchema t = readTableSchema(engine, descriptors, {"ORDERS", "DDBshop", "ORDERS"});
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(t.error, "ORDERS: not in the catalog");

    // Closed, the name is a directory name again.
    ASSERT_EQ(engine.closeDatabase("DDBshop"), result::Ok);
    QStringList names;
    EXPECT_EQ(engine.ListTables("DDBshop", names), result::NoSuchFile);
}
