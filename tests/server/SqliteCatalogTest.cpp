#include "SqliteCatalog.h"
#include "ServerTestSupport.h"
#include "TestSchemas.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

using namespace korvex;
using namespace korvex::server;
using namespace korvex::server::test;

namespace {

class SqliteCatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("test.sqlite");
        {
            // The writer: SQLite's own driver, read-write, closed before the reader opens.
            QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", connection_ + u'w');
            writer.setDatabaseName(path_);
            ASSERT_TRUE(writer.open());
            execAll(writer, SqliteSchema);
            writer.close();
        }
        QSqlDatabase::removeDatabase(connection_ + u'w');
        db_ = openSqlite(connection_, path_);
    }
    void TearDown() override
    {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }

    QTemporaryDir dir_;
    QString path_;
    QString connection_ = QUuid::createUuid().toString();
    QSqlDatabase db_;
};

} // namespace

TEST_F(SqliteCatalogTest, ListsTablesButNoViewsOrSqlitesOwn)
{
    // sqlite_sequence exists because of AUTOINCREMENT.
    EXPECT_EQ(SqliteCatalog(db_).listTables(), QStringList({"\"Order Lines\"", "a", "b", "customers", "orders"}));
}

TEST_F(SqliteCatalogTest, FieldsChecksAndDefaults)
{
    const auto tables = SqliteCatalog(db_).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->definition.tableType, "SQLITE");
    EXPECT_EQ(t->definition.languageDriverName, "UTF-8");
    const std::pair<const char*, FieldType> types[] = {
        {"id", FieldType::AutoInc},     {"name", FieldType::String},   {"notes", FieldType::Memo},
        {"small", FieldType::SmallInt}, {"big", FieldType::BCD},       {"price", FieldType::BCD},
        {"ratio", FieldType::Float},    {"cash", FieldType::Money},    {"active", FieldType::Boolean},
        {"born", FieldType::Date},      {"opens", FieldType::Time},    {"created", FieldType::DateTime},
        {"photo", FieldType::Blob},     {"anything", FieldType::Blob}, {"Größe des Kunden", FieldType::Integer}};
    ASSERT_EQ(t->definition.fields.size(), std::size(types));
    for (std::size_t i = 0; i < std::size(types); ++i) {
        SCOPED_TRACE(types[i].first);
        EXPECT_EQ(t->definition.fields[i].name, QString::fromUtf8(types[i].first));
        EXPECT_EQ(t->definition.fields[i].type, types[i].second);
    }
    EXPECT_EQ(fieldNamed(*t, "name")->size, 40);
    EXPECT_EQ(fieldNamed(*t, "price")->size, 4);
    EXPECT_EQ(fieldNamed(*t, "price")->storedType, "numeric(12, 4)");

    const ValidityCheck* name = checkOf(*t, "name");
    ASSERT_TRUE(name && name->required && name->hasDefault);
    EXPECT_EQ(slot::string(name->defaultValue), "nobody");
    const ValidityCheck* small = checkOf(*t, "small");
    ASSERT_TRUE(small && small->hasMinimum && small->hasMaximum && small->hasDefault);
    EXPECT_EQ(slot::int16(small->minimum), -10);
    EXPECT_EQ(slot::int16(small->maximum), 10);
    EXPECT_EQ(slot::int16(small->defaultValue), -5);
    const ValidityCheck* price = checkOf(*t, "price");
    ASSERT_TRUE(price && price->hasMinimum && !price->hasMaximum);
    const ValidityCheck* size = checkOf(*t, QString::fromUtf8("Größe des Kunden"));
    ASSERT_TRUE(size && size->hasMaximum); // a table constraint on one column
    EXPECT_EQ(slot::int32(size->maximum), 250);
    EXPECT_EQ(fieldNamed(*t, "price")->serverType, "numeric(12, 4)");
    EXPECT_EQ(fieldNamed(*t, "created")->defaultExpression, "current_timestamp");
    EXPECT_TRUE(fieldNamed(*t, "name")->defaultExpression.isEmpty()); // a literal
    ASSERT_TRUE(t->definition.server);
    EXPECT_EQ(t->definition.server->encoding, "UTF-8");
    EXPECT_EQ(t->definition.server->collation, "BINARY");
    ASSERT_EQ(t->definition.server->checks.size(), 1u);
    EXPECT_EQ(t->definition.server->checks[0], (CheckConstraint{"name_not_blank", "length(name) > 0", {"name"}}));
}

TEST_F(SqliteCatalogTest, IndexesAndForeignKeysWithTheirRules)
{
    const auto tables = SqliteCatalog(db_).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->indexes.size(), 3u);
    EXPECT_TRUE(t->indexes[0].primary); // the rowid key, from the columns
    EXPECT_EQ(t->indexes[0].fields, "id");
    EXPECT_EQ(t->indexes[1].name, "customers_lower_name");
    EXPECT_TRUE(t->indexes[1].expressionIndex);
    EXPECT_EQ(t->indexes[1].expression, "lower(name)");
    EXPECT_EQ(t->indexes[1].forCondition, "active");
    EXPECT_EQ(t->indexes[2].name, "customers_name_desc");
    EXPECT_TRUE(t->indexes[2].unique && t->indexes[2].descending && t->indexes[2].caseInsensitive);
    EXPECT_EQ(t->indexes[2].fields, "name");

    const ServerTable* lines = tableNamed(tables, "\"Order Lines\"");
    ASSERT_TRUE(lines);
    ASSERT_FALSE(lines->indexes.empty());
    EXPECT_TRUE(lines->indexes[0].primary);
    EXPECT_EQ(lines->indexes[0].fields, "order_id;line");

    const ServerTable* orders = tableNamed(tables, "orders");
    ASSERT_TRUE(orders);
    using Kind = IntegrityDescriptor::Kind;
    std::vector<std::tuple<Kind, QString, QString, ReferentialAction, ReferentialAction>> seen;
    for (const IntegrityDescriptor& l : orders->links) {
        QStringList fields;
        for (const auto& pair : l.pairs)
            fields << orders->definition.fields.at(pair.first - 1).name;
        ASSERT_TRUE(l.cascade.serverRules());
        seen.emplace_back(l.kind, l.relatedTable, fields.join(','), l.cascade.onUpdate(), l.cascade.onDelete());
    }
    const auto has = [&](Kind kind, const char* table, const char* fields, ReferentialAction update,
                         ReferentialAction del) {
        return std::find(seen.begin(), seen.end(),
                         std::make_tuple(kind, QString(table), QString(fields), update, del)) != seen.end();
    };
    using A = ReferentialAction;
    EXPECT_TRUE(has(Kind::Master, "customers", "customer", A::NoAction, A::Restrict)); // to the primary key
    EXPECT_TRUE(has(Kind::Master, "orders", "parent", A::NoAction, A::SetNull));
    EXPECT_TRUE(has(Kind::Dependent, "orders", "id", A::NoAction, A::SetNull));
    EXPECT_TRUE(has(Kind::Master, "customers", "other", A::NoAction, A::SetDefault));
    EXPECT_TRUE(has(Kind::Master, "customers", "plain", A::NoAction, A::NoAction));
    EXPECT_TRUE(has(Kind::Dependent, "\"Order Lines\"", "id", A::Cascade, A::Cascade));
    for (const IntegrityDescriptor& l : orders->links) {
        if (l.relatedTable == "customers" && l.cascade.onDelete() == A::Restrict) {
            EXPECT_EQ(l.pairs, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{2, 1}}));
        }
    }
    const ServerTable* a = tableNamed(tables, "a");
    ASSERT_TRUE(a);
    ASSERT_EQ(a->links.size(), 2u); // refers to b, and b refers to it
}

TEST_F(SqliteCatalogTest, AMissingFileIsAnErrorAndIsNotCreated)
{
    const QString missing = dir_.filePath("absent.sqlite");
    EXPECT_THROW(openSqlite(connection_ + u'm', missing), ServerError);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QSqlDatabase::contains(connection_ + u'm'));
}
