#include "PostgresCatalog.h"
#include "ClusterState.h"
#include "ServerTestSupport.h"
#include "TestSchemas.h"

#include <QUuid>

#include <gtest/gtest.h>

using namespace korvex;
using namespace korvex::server;
using namespace korvex::server::test;

namespace {

// The private cluster's address and test user, from the file the fixture wrote.
struct ClusterState {
    QString missing;
    PostgresLogin login;
};

ClusterState clusterState()
{
    const test::Cluster cluster = test::readCluster(QStringLiteral(KORVEX_PG_STATE));
    ClusterState state;
    state.missing = cluster.missing;
    state.login.host = cluster.host;
    state.login.database = cluster.database;
    state.login.user = cluster.user;
    state.login.password = cluster.password;
    return state;
}

class PostgresCatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state_ = clusterState();
        if (!state_.missing.isEmpty())
            GTEST_SKIP() << state_.missing.toStdString();
        db_ = openPostgres(connection_, state_.login);
        execAll(db_, PostgresSchema);
    }
    void TearDown() override
    {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }

    ClusterState state_;
    QString connection_ = QUuid::createUuid().toString();
    QSqlDatabase db_;
};

const QString Sales = QStringLiteral("korvex_sales");
const QString Second = QStringLiteral("Zweites Schema");

} // namespace

TEST_F(PostgresCatalogTest, ListsTablesButNoViewsQualifiedOnlyAcrossSchemas)
{
    EXPECT_EQ(PostgresCatalog(db_, {Sales, Second}).listTables(),
              QStringList({"korvex_sales.\"Order Lines\"", "korvex_sales.a", "korvex_sales.b", "korvex_sales.customers",
                           "korvex_sales.orders", "korvex_sales.serials",
                           QString::fromUtf8("\"Zweites Schema\".\"Ärger\"")}));
    EXPECT_EQ(PostgresCatalog(db_, {Sales}).listTables(),
              QStringList({"\"Order Lines\"", "a", "b", "customers", "orders", "serials"}));
    // By default: the search path's schemas ("$user" has none, so "public" alone).
    PostgresCatalog byDefault(db_);
    EXPECT_EQ(byDefault.schemas(), QStringList({"public"}));
    EXPECT_TRUE(byDefault.listTables().isEmpty());
}

TEST_F(PostgresCatalogTest, FieldsCarryTheReportTypeSizeAndServerType)
{
    const auto tables = PostgresCatalog(db_, {Sales}).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->definition.tableType, "POSTGRESQL");
    ASSERT_TRUE(t->definition.server);
    EXPECT_EQ(t->definition.server->encoding, "UTF8");
    EXPECT_FALSE(t->definition.server->collation.isEmpty());
    EXPECT_EQ(t->definition.languageDriverName, "UTF8");
    const ExpectedField expected[] = {
        {"id", FieldType::AutoInc, 0, "integer"},
        {"name", FieldType::String, 40, "character varying(40)"},
        {"small", FieldType::SmallInt, 0, "smallint"},
        {"big", FieldType::BCD, 0, "bigint"},
        {"price", FieldType::BCD, 4, "numeric(12,4)"},
        {"ratio", FieldType::Float, 0, "real"},
        {"precise", FieldType::Float, 0, "double precision"},
        {"cash", FieldType::Money, 0, "money"},
        {"active", FieldType::Boolean, 0, "boolean"},
        {"born", FieldType::Date, 0, "date"},
        {"opens", FieldType::Time, 0, "time without time zone"},
        {"created", FieldType::DateTime, 0, "timestamp without time zone"},
        {"stamped", FieldType::DateTime, 0, "timestamp without time zone"},
        {"photo", FieldType::Blob, 0, "bytea"},
        {"code", FieldType::String, 3, "character(3)"},
        {"tags", FieldType::Memo, 0, "integer[]"},
        {"doc", FieldType::Memo, 0, "jsonb"},
        {"uid", FieldType::String, 36, "uuid"},
        {"Größe des Kunden", FieldType::Integer, 0, "integer"},
        {"say \"hi\"", FieldType::Memo, 0, "text"},
    };
    ASSERT_NO_FATAL_FAILURE(expectFields(*t, expected)); // the dropped column is gone
    EXPECT_TRUE(t->definition.fields[0].key);
    EXPECT_FALSE(t->definition.fields[1].key);

    const ServerTable* serials = tableNamed(tables, "serials");
    ASSERT_TRUE(serials);
    EXPECT_EQ(serials->definition.fields[0].type, FieldType::AutoInc);
    // The sequence is what Auto-Inc says.
    EXPECT_TRUE(serials->definition.fields[0].defaultExpression.isEmpty());
}

TEST_F(PostgresCatalogTest, ValidityChecksFromNotNullDefaultsAndRangeChecks)
{
    const auto tables = PostgresCatalog(db_, {Sales}).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    const ValidityCheck* name = checkOf(*t, "name");
    ASSERT_TRUE(name);
    EXPECT_TRUE(name->required);
    ASSERT_TRUE(name->hasDefault);
    EXPECT_EQ(slot::string(name->defaultValue), "nobody");
    EXPECT_FALSE(name->hasMinimum); // length(name) > 0 is no range

    const ValidityCheck* small = checkOf(*t, "small");
    ASSERT_TRUE(small && small->hasDefault && small->hasMinimum && small->hasMaximum);
    EXPECT_FALSE(small->required);
    EXPECT_EQ(slot::int16(small->defaultValue), -5);
    EXPECT_EQ(slot::int16(small->minimum), -10); // BETWEEN
    EXPECT_EQ(slot::int16(small->maximum), 10);

    const ValidityCheck* price = checkOf(*t, "price");
    ASSERT_TRUE(price && price->required && price->hasDefault && price->hasMinimum);
    EXPECT_FALSE(price->hasMaximum); // "price <= 1000 or active" is another check
    const ValidityCheck* born = checkOf(*t, "born");
    ASSERT_TRUE(born && born->hasDefault && born->hasMaximum);
    EXPECT_EQ(dateOfDayNumber(slot::int32(born->defaultValue)), QDate(2000, 1, 31));
    EXPECT_EQ(dateOfDayNumber(slot::int32(born->maximum)), QDate(2100, 12, 31));
    const ValidityCheck* size = checkOf(*t, QString::fromUtf8("Größe des Kunden"));
    ASSERT_TRUE(size && size->hasMaximum);
    EXPECT_EQ(slot::int32(size->maximum), 250);
    const ValidityCheck* active = checkOf(*t, "active");
    ASSERT_TRUE(active && active->hasDefault);
    EXPECT_TRUE(checkOf(*t, "opens") && checkOf(*t, "opens")->hasDefault);
    EXPECT_TRUE(checkOf(*t, "stamped") && checkOf(*t, "stamped")->hasDefault);

    // Only the computed default is an expression; literal ones are the checks' values.
    QStringList computed;
    for (const FieldDefinition& f : t->definition.fields) {
        if (!f.defaultExpression.isEmpty())
            computed << f.name + u'=' + f.defaultExpression;
    }
    EXPECT_EQ(computed, QStringList{"created=now()"});

    ASSERT_TRUE(t->definition.server);
    const auto& checks = t->definition.server->checks;
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].name, "customers_check");
    EXPECT_TRUE(checks[0].expression.contains("1000")) << checks[0].expression.toStdString();
    EXPECT_EQ(checks[0].fields, QStringList({"price", "active"})); // in field order
    EXPECT_EQ(checks[1].name, "name_not_blank");
    EXPECT_TRUE(checks[1].expression.contains("length(")) << checks[1].expression.toStdString();
    EXPECT_EQ(checks[1].fields, QStringList{"name"});
}

TEST_F(PostgresCatalogTest, IndexesPrimaryFirstWithTheirFlagsAndExpressions)
{
    const auto tables = PostgresCatalog(db_, {Sales}).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->indexes.size(), 3u);
    EXPECT_TRUE(t->indexes[0].primary);
    EXPECT_EQ(t->indexes[0].name, "customers_pkey");
    EXPECT_EQ(t->indexes[0].fields, "id");
    EXPECT_EQ(t->indexes[1].name, "customers_lower_name");
    EXPECT_TRUE(t->indexes[1].expressionIndex);
    EXPECT_TRUE(t->indexes[1].fields.isEmpty());
    EXPECT_TRUE(t->indexes[1].expression.startsWith("lower(")) << t->indexes[1].expression.toStdString();
    EXPECT_TRUE(t->indexes[1].caseInsensitive);
    EXPECT_EQ(t->indexes[2].name, "customers_name_desc");
    EXPECT_TRUE(t->indexes[2].unique && t->indexes[2].descending);
    EXPECT_FALSE(t->indexes[2].primary || t->indexes[2].caseInsensitive);

    const ServerTable* lines = tableNamed(tables, "\"Order Lines\"");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->indexes.size(), 1u);
    EXPECT_EQ(lines->indexes[0].fields, "order_id;line");
    EXPECT_TRUE(lines->definition.fields[0].key && lines->definition.fields[1].key);
}

TEST_F(PostgresCatalogTest, ForeignKeysBothWaysWithEveryRule)
{
    const auto tables = PostgresCatalog(db_, {Sales, Second}).readTables();
    const ServerTable* orders = tableNamed(tables, "korvex_sales.orders");
    ASSERT_TRUE(orders);
    const auto keyNamed = [](const ServerTable& t, const QString& name, IntegrityDescriptor::Kind kind) {
        for (std::size_t i = 0; i < t.links.size(); ++i) {
            if (t.links[i].name == name && t.links[i].kind == kind)
                return int(i);
        }
        return -1;
    };
    const auto rules = [&](int i) { return orders->links.at(std::size_t(i)).cascade; };
    using A = ReferentialAction;
    using Kind = IntegrityDescriptor::Kind;
    // The dropped column before "customer" does not count: it is field 2.
    int i = keyNamed(*orders, "orders_customer_fkey", Kind::Master);
    ASSERT_GE(i, 0);
    EXPECT_EQ(orders->links[i].relatedTable, "korvex_sales.customers");
    EXPECT_TRUE(orders->links[i].cascade);
    EXPECT_EQ(orders->links[i].pairs, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{2, 1}}));
    EXPECT_TRUE(rules(i).serverRules());
    EXPECT_EQ(rules(i), LinkRules(A::Cascade, A::Restrict));
    // The self-reference is both a master and a dependent link of the same table.
    i = keyNamed(*orders, "orders_parent_fkey", Kind::Master);
    ASSERT_GE(i, 0);
    EXPECT_EQ(rules(i), LinkRules(A::NoAction, A::SetNull));
    EXPECT_EQ(orders->links[i].relatedTable, "korvex_sales.orders");
    EXPECT_GE(keyNamed(*orders, "orders_parent_fkey", Kind::Dependent), 0);
    i = keyNamed(*orders, "orders_serial_fkey", Kind::Master);
    ASSERT_GE(i, 0);
    EXPECT_EQ(rules(i), LinkRules(A::NoAction, A::SetDefault));
    i = keyNamed(*orders, "orders_plain_fkey", Kind::Master);
    ASSERT_GE(i, 0);
    EXPECT_EQ(rules(i), LinkRules(A::NoAction, A::NoAction));
    EXPECT_FALSE(orders->links[i].cascade);
    i = keyNamed(*orders, "Order Lines_order_id_fkey", Kind::Dependent);
    ASSERT_GE(i, 0);
    EXPECT_EQ(orders->links[i].relatedTable, "korvex_sales.\"Order Lines\"");
    EXPECT_EQ(rules(i), LinkRules(A::NoAction, A::Cascade));
    EXPECT_EQ(orders->links[i].pairs, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{1, 1}}));

    // Two tables that refer to each other.
    const ServerTable* a = tableNamed(tables, "korvex_sales.a");
    ASSERT_TRUE(a);
    EXPECT_GE(keyNamed(*a, "a_b", Kind::Master), 0);
    EXPECT_GE(keyNamed(*a, "b_a_id_fkey", Kind::Dependent), 0);

    // Across schemas.
    const ServerTable* customers = tableNamed(tables, "korvex_sales.customers");
    ASSERT_TRUE(customers);
    i = keyNamed(*customers, QString::fromUtf8("Ärger_customer_fkey"), Kind::Dependent);
    ASSERT_GE(i, 0);
    EXPECT_EQ(customers->links[i].relatedTable, QString::fromUtf8("\"Zweites Schema\".\"Ärger\""));
    EXPECT_EQ(customers->links[i].pairs, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{1, 2}}));
}

TEST_F(PostgresCatalogTest, LoginFailuresCarryTheServersText)
{
    PostgresLogin wrong = state_.login;
    wrong.password = QStringLiteral("not the password");
    try {
        openPostgres(connection_ + u'w', wrong);
        ADD_FAILURE() << "a wrong password opened the database";
    } catch (const ServerError& e) {
        EXPECT_TRUE(e.message().contains("password authentication failed")) << e.what();
    }
    PostgresLogin absent = state_.login;
    absent.database = QStringLiteral("no_such_database");
    try {
        openPostgres(connection_ + u'a', absent);
        ADD_FAILURE() << "a database that does not exist opened";
    } catch (const ServerError& e) {
        EXPECT_TRUE(e.message().contains("does not exist")) << e.what();
    }
    // A failed login leaves no connection behind under its name.
    EXPECT_FALSE(QSqlDatabase::contains(connection_ + u'w'));
    EXPECT_FALSE(QSqlDatabase::contains(connection_ + u'a'));
}
