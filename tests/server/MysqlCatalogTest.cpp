// The MariaDB reader against the private server of tests/support/mariadb.sh: one schema
// with every mapped type and every kind of constraint, read through information_schema.

#include "MysqlCatalog.h"
#include "MariaDbState.h"
#include "ServerTestSupport.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

using namespace korvex;
using namespace korvex::server;
using namespace korvex::server::test;

namespace {

const QStringList Schema = {
    "drop database if exists korvex_other", // it refers to korvex_test
    "drop database if exists korvex_test",
    "create database korvex_test character set utf8mb4 collate utf8mb4_unicode_ci",
    "create database korvex_other",
    "use korvex_test",
    R"sql(create table customers (
         id int not null auto_increment primary key,
         name varchar(40) not null default 'nobody',
         small smallint default -5 check (small between -10 and 10),
         tiny tinyint default 3,
         medium mediumint,
         big bigint,
         price decimal(12,4) not null default 0 check (price >= 0),
         ratio float, precise double,
         active boolean default true,
         born date default '2000-01-31' check (born <= '2100-12-31'),
         opens time default '08:30:00',
         created datetime default current_timestamp,
         stamped timestamp null default '2024-02-29 10:30:00',
         made year,
         photo blob, raw varbinary(16), fixed binary(4),
         code char(3),
         notes text, longnotes longtext,
         kind enum('a','bb','ccc') default 'bb',
         flags set('x','yy'),
         bits bit(5),
         doc json,
         total decimal(14,4) as (price * 2) virtual,
         counter int unsigned,
         huge bigint unsigned,
         `Größe des Kunden` int check (`Größe des Kunden` <= 250),
         `say "hi"` text default null,
         constraint name_not_blank check (char_length(name) > 0),
         check (price <= 1000 or active)))sql",
    "create unique index customers_name_desc on customers (name desc)",
    "create index customers_code_prefix on customers (code(2), tiny)",
    "create table serials (id bigint auto_increment primary key, label varchar(10))",
    R"sql(create table orders (
         id int primary key,
         customer int, parent int, serial bigint, plain bigint,
         constraint orders_customer_fkey foreign key (customer) references customers (id)
           on update cascade on delete restrict,
         constraint orders_parent_fkey foreign key (parent) references orders (id) on delete set null,
         constraint orders_serial_fkey foreign key (serial) references serials (id) on update set null,
         constraint orders_plain_fkey foreign key (plain) references serials (id)))sql",
    R"sql(create table `Order Lines` (
         order_id int not null, line smallint not null, primary key (order_id, line),
         constraint lines_order foreign key (order_id) references orders (id) on delete cascade))sql",
    "create table a (id int primary key, b_id int)",
    "create table b (id int primary key, a_id int, constraint b_a foreign key (a_id) references a (id))",
    "alter table a add constraint a_b foreign key (b_id) references b (id)",
    R"sql(create table `Ärger` (id int primary key, customer int,
         constraint aerger_customer foreign key (customer) references customers (id)))sql",
    "create view customer_names as select name from customers",
    "create sequence tickets",
    R"sql(create table devices (id uuid primary key, addr inet6, old inet4, m mediumint unsigned,
         s smallint unsigned, t tinyint unsigned) with system versioning)sql",
    R"sql(create table korvex_other.visits (id int primary key, customer int,
         constraint visits_customer foreign key (customer) references korvex_test.customers (id)
           on delete set null on update cascade))sql",
};

class MysqlCatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_ = readMariaDb(QStringLiteral(KORVEX_MY_STATE));
        if (!server_.missing.isEmpty())
            GTEST_SKIP() << server_.missing.toStdString();
        admin_ = openMysql(adminName_, {server_.socket, -1, server_.database, server_.admin, {}});
        execAll(admin_, Schema);
        execAll(admin_, {QStringLiteral("grant select on korvex_other.* to '%1'@'localhost'").arg(server_.user)});
        db_ = openMysql(readerName_, reader());
    }
    void TearDown() override
    {
        admin_ = QSqlDatabase();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(adminName_);
        QSqlDatabase::removeDatabase(readerName_);
    }
    MysqlLogin reader() const { return {server_.socket, -1, server_.database, server_.user, server_.password}; }

    MariaDb server_;
    QString adminName_ = QUuid::createUuid().toString();
    QString readerName_ = QUuid::createUuid().toString();
    QSqlDatabase admin_;
    QSqlDatabase db_;
};

using Pairs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

const IntegrityDescriptor* linkNamed(const ServerTable& t, const QString& name, IntegrityDescriptor::Kind kind)
{
    for (const IntegrityDescriptor& link : t.links) {
        if (link.name == name && link.kind == kind)
            return &link;
    }
    return nullptr;
}

} // namespace

TEST_F(MysqlCatalogTest, ListsBaseTablesSortedAndQuotedOnlyWhereNeeded)
{
    MysqlCatalog catalog(db_);
    EXPECT_EQ(catalog.schema(), "korvex_test");
    // A system-versioned table is one; the view and the sequence are none.
    EXPECT_EQ(catalog.listTables(), QStringList({"\"Order Lines\"", "a", "b", "customers", "devices", "orders",
                                                 "serials", QString::fromUtf8("\"Ärger\"")}));
    const auto tables = catalog.readTables();
    ASSERT_EQ(tables.size(), 8u);
    EXPECT_EQ(tables[0].plainName, "Order Lines");
    EXPECT_EQ(tables[0].schema, "korvex_test");
}

TEST_F(MysqlCatalogTest, FieldsCarryTheReportTypeSizeAndServerType)
{
    const auto tables = MysqlCatalog(db_).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->definition.tableType, "MYSQL");
    ASSERT_TRUE(t->definition.server);
    EXPECT_EQ(t->definition.server->encoding, "utf8mb4");
    EXPECT_EQ(t->definition.server->collation, "utf8mb4_unicode_ci");
    EXPECT_EQ(t->definition.codePage, 65001);
    const ExpectedField expected[] = {
        {"id", FieldType::AutoInc, 0, "int(11)"},
        {"name", FieldType::String, 40, "varchar(40)"},
        {"small", FieldType::SmallInt, 0, "smallint(6)"},
        {"tiny", FieldType::SmallInt, 0, "tinyint(4)"},
        {"medium", FieldType::Integer, 0, "mediumint(9)"},
        {"big", FieldType::BCD, 0, "bigint(20)"},
        {"price", FieldType::BCD, 4, "decimal(12,4)"},
        {"ratio", FieldType::Float, 0, "float"},
        {"precise", FieldType::Float, 0, "double"},
        {"active", FieldType::Boolean, 0, "tinyint(1)"},
        {"born", FieldType::Date, 0, "date"},
        {"opens", FieldType::Time, 0, "time"},
        {"created", FieldType::DateTime, 0, "datetime"},
        {"stamped", FieldType::DateTime, 0, "timestamp"},
        {"made", FieldType::SmallInt, 0, "year(4)"},
        {"photo", FieldType::Blob, 0, "blob"},
        {"raw", FieldType::Blob, 0, "varbinary(16)"},
        {"fixed", FieldType::Blob, 0, "binary(4)"},
        {"code", FieldType::String, 3, "char(3)"},
        {"notes", FieldType::Memo, 0, "text"},
        {"longnotes", FieldType::Memo, 0, "longtext"},
        {"kind", FieldType::String, 3, "enum('a','bb','ccc')"}, // its longest value
        {"flags", FieldType::String, 4, "set('x','yy')"},       // "x,yy"
        {"bits", FieldType::Bytes, 5, "bit(5)"},
        {"doc", FieldType::Memo, 0, "longtext"}, // MariaDB's json
        {"total", FieldType::BCD, 4, "decimal(14,4)"},
        {"counter", FieldType::BCD, 0, "int(10) unsigned"}, // beyond Long Integer
        {"huge", FieldType::BCD, 0, "bigint(20) unsigned"}, // 20 digits
        {"Größe des Kunden", FieldType::Integer, 0, "int(11)"},
        {"say \"hi\"", FieldType::Memo, 0, "text"},
    };
    ASSERT_NO_FATAL_FAILURE(expectFields(*t, expected));
    EXPECT_EQ(fieldNamed(*t, "huge")->units1, 20);
    EXPECT_TRUE(t->definition.fields[0].key);
    EXPECT_FALSE(t->definition.fields[1].key);

    const ServerTable* devices = tableNamed(tables, "devices");
    ASSERT_TRUE(devices);
    const std::pair<FieldType, int> deviceFields[] = {{FieldType::String, 36}, {FieldType::String, 39},
                                                      {FieldType::String, 15}, {FieldType::Integer, 0},
                                                      {FieldType::Integer, 0}, {FieldType::SmallInt, 0}};
    ASSERT_EQ(devices->definition.fields.size(), std::size(deviceFields)); // no period columns
    for (std::size_t i = 0; i < std::size(deviceFields); ++i) {
        EXPECT_EQ(devices->definition.fields[i].type, deviceFields[i].first) << i;
        EXPECT_EQ(devices->definition.fields[i].size, deviceFields[i].second) << i;
    }

    // An auto_increment wider than Auto-Inc says so as its default.
    const ServerTable* serials = tableNamed(tables, "serials");
    ASSERT_TRUE(serials);
    EXPECT_EQ(serials->definition.fields[0].type, FieldType::BCD);
    EXPECT_EQ(serials->definition.fields[0].defaultExpression, "auto_increment");
}

TEST_F(MysqlCatalogTest, ValidityChecksFromNotNullQuotedDefaultsAndRangeChecks)
{
    const auto tables = MysqlCatalog(db_).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    const ValidityCheck* name = checkOf(*t, "name");
    ASSERT_TRUE(name && name->required && name->hasDefault);
    EXPECT_EQ(slot::string(name->defaultValue), "nobody"); // MariaDB writes it 'nobody'
    EXPECT_FALSE(name->hasMinimum);

    const ValidityCheck* small = checkOf(*t, "small");
    ASSERT_TRUE(small && small->hasDefault && small->hasMinimum && small->hasMaximum);
    EXPECT_EQ(slot::int16(small->defaultValue), -5);
    EXPECT_EQ(slot::int16(small->minimum), -10);
    EXPECT_EQ(slot::int16(small->maximum), 10);
    const ValidityCheck* price = checkOf(*t, "price");
    ASSERT_TRUE(price && price->required && price->hasDefault && price->hasMinimum);
    EXPECT_FALSE(price->hasMaximum);
    const ValidityCheck* born = checkOf(*t, "born");
    ASSERT_TRUE(born && born->hasDefault && born->hasMaximum);
    EXPECT_EQ(dateOfDayNumber(slot::int32(born->defaultValue)), QDate(2000, 1, 31));
    EXPECT_EQ(dateOfDayNumber(slot::int32(born->maximum)), QDate(2100, 12, 31));
    const ValidityCheck* active = checkOf(*t, "active");
    ASSERT_TRUE(active && active->hasDefault);
    EXPECT_NE(slot::int16(active->defaultValue), 0);
    const ValidityCheck* kind = checkOf(*t, "kind");
    ASSERT_TRUE(kind && kind->hasDefault);
    EXPECT_EQ(slot::string(kind->defaultValue), "bb");
    EXPECT_TRUE(checkOf(*t, "opens") && checkOf(*t, "opens")->hasDefault);
    EXPECT_TRUE(checkOf(*t, "stamped") && checkOf(*t, "stamped")->hasDefault);
    EXPECT_EQ(slot::int32(checkOf(*t, QString::fromUtf8("Größe des Kunden"))->maximum), 250);
    // "default null" and no default at all read alike: MariaDB writes both as NULL.
    EXPECT_EQ(checkOf(*t, "say \"hi\""), nullptr);
    EXPECT_EQ(checkOf(*t, "medium"), nullptr);

    // Only the computed default and the generating expression are expressions.
    QStringList computed;
    for (const FieldDefinition& f : t->definition.fields) {
        if (!f.defaultExpression.isEmpty())
            computed << f.name + u'=' + f.defaultExpression;
    }
    EXPECT_EQ(computed, QStringList({"created=current_timestamp()", "total=`price` * 2"}));

    ASSERT_TRUE(t->definition.server);
    QStringList checks;
    for (const CheckConstraint& c : t->definition.server->checks)
        checks << c.name + u':' + c.fields.join(u',');
    EXPECT_EQ(checks, QStringList({"CONSTRAINT_1:price,active", "doc:doc", "name_not_blank:name"}));
}

TEST_F(MysqlCatalogTest, IndexesPrimaryFirstWithTheirFlagsAndPrefixes)
{
    const auto tables = MysqlCatalog(db_).readTables();
    const ServerTable* t = tableNamed(tables, "customers");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->indexes.size(), 3u);
    EXPECT_TRUE(t->indexes[0].primary && t->indexes[0].unique);
    EXPECT_EQ(t->indexes[0].name, "PRIMARY");
    EXPECT_EQ(t->indexes[0].fields, "id");
    EXPECT_FALSE(t->indexes[0].caseInsensitive);
    // A key on the first characters of a column is an expression of it.
    EXPECT_EQ(t->indexes[1].name, "customers_code_prefix");
    EXPECT_TRUE(t->indexes[1].expressionIndex && !t->indexes[1].unique);
    EXPECT_EQ(t->indexes[1].expression, "code(2), tiny");
    EXPECT_TRUE(t->indexes[1].caseInsensitive);
    EXPECT_EQ(t->indexes[2].name, "customers_name_desc");
    EXPECT_TRUE(t->indexes[2].unique && t->indexes[2].descending && t->indexes[2].caseInsensitive);
    EXPECT_EQ(t->indexes[2].fields, "name");

    const ServerTable* lines = tableNamed(tables, "\"Order Lines\"");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->indexes.size(), 1u);
    EXPECT_EQ(lines->indexes[0].fields, "order_id;line");
    EXPECT_TRUE(lines->definition.fields[0].key && lines->definition.fields[1].key);
}

TEST_F(MysqlCatalogTest, ForeignKeysBothWaysWithEveryRuleAndAcrossDatabases)
{
    const auto tables = MysqlCatalog(db_).readTables();
    const ServerTable* orders = tableNamed(tables, "orders");
    ASSERT_TRUE(orders);
    using A = ReferentialAction;
    using Kind = IntegrityDescriptor::Kind;
    const IntegrityDescriptor* link = linkNamed(*orders, "orders_customer_fkey", Kind::Master);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->relatedTable, "customers");
    EXPECT_EQ(link->pairs, (Pairs{{2, 1}}));
    EXPECT_EQ(link->cascade, LinkRules(A::Cascade, A::Restrict));
    link = linkNamed(*orders, "orders_parent_fkey", Kind::Master);
    ASSERT_TRUE(link); // the self-reference is both
    EXPECT_EQ(link->cascade, LinkRules(A::Restrict, A::SetNull));
    EXPECT_TRUE(linkNamed(*orders, "orders_parent_fkey", Kind::Dependent));
    link = linkNamed(*orders, "orders_serial_fkey", Kind::Master);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->cascade, LinkRules(A::SetNull, A::Restrict));
    link = linkNamed(*orders, "lines_order", Kind::Dependent);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->relatedTable, "\"Order Lines\"");
    EXPECT_EQ(link->cascade, LinkRules(A::Restrict, A::Cascade));
    EXPECT_EQ(link->pairs, (Pairs{{1, 1}}));

    const ServerTable* a = tableNamed(tables, "a");
    ASSERT_TRUE(a);
    EXPECT_TRUE(linkNamed(*a, "a_b", Kind::Master));
    EXPECT_TRUE(linkNamed(*a, "b_a", Kind::Dependent));
    const ServerTable* customers = tableNamed(tables, "customers");
    ASSERT_TRUE(customers);
    link = linkNamed(*customers, "aerger_customer", Kind::Dependent);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->relatedTable, QString::fromUtf8("\"Ärger\""));
    EXPECT_EQ(link->pairs, (Pairs{{1, 2}}));

    // A key into another database names the table with its database.
    const auto other = MysqlCatalog(db_, "korvex_other").readTables();
    const ServerTable* visits = tableNamed(other, "visits");
    ASSERT_TRUE(visits);
    link = linkNamed(*visits, "visits_customer", Kind::Master);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->relatedTable, "korvex_test.customers");
    EXPECT_EQ(link->pairs, (Pairs{{2, 1}}));
    // The reader may only read there: information_schema keeps the rules to itself, the
    // table's CREATE statement gives them.
    EXPECT_EQ(link->cascade, LinkRules(A::Cascade, A::SetNull));
    EXPECT_TRUE(visits->definition.warnings.isEmpty());
    EXPECT_TRUE(tableNamed(tables, "orders")->definition.warnings.isEmpty());
}

TEST_F(MysqlCatalogTest, AliasLoginTakesTheOptionFileFirstAndAsksOnlyWhenRefused)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    ASSERT_TRUE(korvex::test::writeFile(home.filePath("aliases.ini"),
                                        QStringLiteral("[Shop]\nTYPE=MYSQL\nSERVER NAME=%1\nDATABASE NAME=%2\n"
                                                       "USER NAME=%3\n")
                                            .arg(server_.socket, server_.database, server_.user)
                                            .toUtf8()));
    int asked = 0;
    const auto open = [&](const std::optional<QString>& password) {
        DatabaseEngine engine;
        EXPECT_EQ(engine.loadAliases(home.path()), result::Ok);
        engine.registerServerDriver(AliasDefinition::MysqlDriver, openMysqlAlias);
        engine.setPasswordPrompt([&](const QString&, const QString& user) {
            ++asked;
            EXPECT_EQ(user, server_.user);
            return password;
        });
        const EngineResult r = engine.openDatabase("DDBShop", "Shop");
        QStringList names;
        if (r == result::Ok) {
            EXPECT_EQ(engine.ListTables("DDBShop", names), result::Ok) << engine.lastError().toStdString();
        }
        return std::make_pair(r, engine.lastError());
    };
    EXPECT_EQ(open(server_.password).first, result::Ok);
    EXPECT_EQ(asked, 1);
    const auto wrong = open(QStringLiteral("wrong"));
    EXPECT_EQ(wrong.first, result::ServerRefused);
    EXPECT_TRUE(wrong.second.contains("alias \"Shop\"") && wrong.second.contains("Access denied"))
        << wrong.second.toStdString();
    EXPECT_EQ(open(std::nullopt).first, result::LoginCancelled);
    ASSERT_TRUE(
        korvex::test::writeFile(home.filePath(".my.cnf"), QStringLiteral("[mysqld]\npassword=not this\n[client]\n"
                                                                         "password = \"%1\" # the reader's\n")
                                                              .arg(server_.password)
                                                              .toUtf8()));
    asked = 0;
    EXPECT_EQ(open(std::nullopt).first, result::Ok);
    EXPECT_EQ(asked, 0);
    qputenv("HOME", oldHome);
}

TEST_F(MysqlCatalogTest, AConnectionKilledMidRunIsAnErrorNotAHang)
{
    MysqlCatalog catalog(db_);
    ASSERT_FALSE(catalog.listTables().isEmpty());
    QSqlQuery id(db_);
    ASSERT_TRUE(id.exec("select connection_id()") && id.next());
    execAll(admin_, {"kill connection " + id.value(0).toString()});
    EXPECT_THROW(catalog.readTables(), ServerError);
    MysqlLogin absent = reader();
    absent.database = QStringLiteral("no_such_database");
    try {
        openMysql(readerName_ + u'a', absent);
        ADD_FAILURE() << "a database that does not exist opened";
    } catch (const ServerError& e) {
        EXPECT_TRUE(e.message().contains("no_such_database")) << e.what();
    }
    EXPECT_FALSE(QSqlDatabase::contains(readerName_ + u'a'));
}

TEST(MysqlClientOptions, TheClientGroupsOfTheOptionFileWithQuotesAndComments)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("my.cnf");
    ASSERT_TRUE(korvex::test::writeFile(file, "# options\n[mysqld]\nuser = mysql\n[client]\nuser=reader\n"
                                              "password = \"se#cret \\\"q\\\"\"\nsocket=/run/x.sock # here\n"
                                              "[client-mariadb]\nSSL_mode\nport = 3307\n!includedir /etc/x\n"));
    const auto options = readClientOptions(file);
    EXPECT_EQ(options.at("user"), "reader");
    EXPECT_EQ(options.at("password"), "se#cret \"q\"");
    EXPECT_EQ(options.at("socket"), "/run/x.sock");
    EXPECT_EQ(options.at("port"), "3307");
    EXPECT_TRUE(options.contains("ssl-mode"));
    EXPECT_TRUE(readClientOptions(dir.filePath("absent")).empty());
}
