// Server aliases through the engine: PostgreSQL in the private cluster, SQLite in files
// the tests write, each opened by the drivers the programs register.

#include "CatalogDatabase.h"
#include "ClusterState.h"
#include "PostgresCatalog.h"
#include "ServerTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <array>

using namespace korvex;
using namespace korvex::server;
using namespace korvex::server::test;

namespace {

class PostgresAliasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cluster_ = readCluster(QStringLiteral(KORVEX_PG_STATE));
        if (!cluster_.missing.isEmpty())
            GTEST_SKIP() << cluster_.missing.toStdString();
        setup_ = openPostgres(setupName_, {cluster_.host, -1, cluster_.database, cluster_.user, cluster_.password});
        execAll(setup_, {"drop schema if exists korvex_alias cascade", "create schema korvex_alias",
                         "create table korvex_alias.customers (id integer primary key, name varchar(40) not null)",
                         R"sql(create table korvex_alias.orders (id integer primary key,
                             customer integer references korvex_alias.customers (id) on delete cascade))sql",
                         "create table korvex_alias.\"Gift Cards\" (code char(8) primary key)"});
        ASSERT_TRUE(
            korvex::test::writeFile(dir_.filePath("aliases.ini"),
                                    QStringLiteral(
                                        "[Shop]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=%2\nUSER NAME=%3\n"
                                        "SCHEMA NAME=korvex_alias\n")
                                        .arg(cluster_.host, cluster_.database, cluster_.user)
                                        .toUtf8()));
        // libpq's password file: the test user's password for every server (libpq ignores
        // a file that others may read).
        const QString pgpass = dir_.filePath("pgpass");
        ASSERT_TRUE(korvex::test::writeFile(pgpass, ("*:*:*:" + cluster_.user + ':' + cluster_.password).toUtf8()));
        QFile(pgpass).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", QFile::encodeName(pgpass));
    }
    void TearDown() override
    {
        qunsetenv("PGPASSFILE");
        setup_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(setupName_);
    }

    // An engine with the PostgreSQL driver that answers the login with password, counting
    // how often it is asked.
    std::unique_ptr<DatabaseEngine> engine(const std::optional<QString>& password)
    {
        auto engine = std::make_unique<DatabaseEngine>();
        EXPECT_EQ(engine->loadAliases(dir_.path()), result::Ok);
        engine->registerServerDriver(AliasDefinition::PostgresDriver, openPostgresAlias);
        engine->setPasswordPrompt([this, password](const QString&, const QString& user) {
            ++asked_;
            EXPECT_EQ(user, cluster_.user);
            return password;
        });
        return engine;
    }

    Cluster cluster_;
    QTemporaryDir dir_;
    QString setupName_ = QUuid::createUuid().toString();
    QSqlDatabase setup_;
    int asked_ = 0;
};

TEST_F(PostgresAliasTest, LoginAsksOnlyWhenLibpqsOwnSourcesGiveNoPassword)
{
    {
        auto e = engine(std::nullopt);
        EXPECT_EQ(e->openDatabase("DDBShop", "shop"), result::Ok) << e->lastError().toStdString();
        EXPECT_EQ(asked_, 0);
    }
    qputenv("PGPASSFILE", QFile::encodeName(dir_.filePath("none")));
    {
        auto e = engine(cluster_.password);
        EXPECT_EQ(e->openDatabase("DDBShop", "Shop"), result::Ok) << e->lastError().toStdString();
        EXPECT_EQ(e->closeDatabase("DDBShop"), result::Ok);
        EXPECT_EQ(e->openDatabase("DDBShop", "Shop"), result::Ok); // the connection is kept
        EXPECT_EQ(asked_, 1);
    }
    {
        auto e = engine(QStringLiteral("wrong"));
        EXPECT_EQ(e->openDatabase("DDBShop", "Shop"), result::ServerRefused);
        EXPECT_TRUE(e->lastError().contains("alias \"Shop\"") &&
                    e->lastError().contains("password authentication failed"))
            << e->lastError().toStdString();
    }
    {
        auto e = engine(std::nullopt);
        EXPECT_EQ(e->openDatabase("DDBShop", "Shop"), result::LoginCancelled);
    }
}

TEST_F(PostgresAliasTest, TablesAreListedSortedAndReadOnceForTheRun)
{
    auto e = engine(std::nullopt);
    ASSERT_EQ(e->openDatabase("DDBShop", "Shop"), result::Ok) << e->lastError().toStdString();
    QStringList names;
    ASSERT_EQ(e->ListTables("DDBShop", names), result::Ok) << e->lastError().toStdString();
    EXPECT_EQ(names, QStringList({"customers", "\"Gift Cards\"", "orders"}));

    TableHandle customers = 0;
    ASSERT_EQ(e->OpenTable("DDBShop", "customers", customers), result::Ok) << e->lastError().toStdString();
    std::vector<FieldListEntry> fields;
    ASSERT_EQ(e->readFieldList(customers, fields), result::Ok);
    EXPECT_EQ(fields.size(), 2U);
    std::vector<IndexDescription> indexes;
    ASSERT_EQ(e->ListIndexes(customers, indexes), result::Ok);
    ASSERT_EQ(indexes.size(), 1U);
    EXPECT_TRUE(indexes[0].primary);

    // Read with the first table: what the catalog says later no longer matters in this run.
    execAll(setup_, {"drop schema korvex_alias cascade"});
    TableHandle orders = 0;
    ASSERT_EQ(e->OpenTable("DDBShop", "ORDERS", orders), result::Ok) << e->lastError().toStdString();
    TableHandle links = 0;
    ASSERT_EQ(e->OpenIntegrityList("DDBShop", "customers", {}, links), result::Ok);
    std::array<std::byte, record::IntegrityDescriptorSize> link{};
    EXPECT_EQ(e->NextRecord(links, link), result::Ok); // orders refers to it
    EXPECT_EQ(e->NextRecord(links, link), result::EndOfList);

    TableHandle none = 0;
    EXPECT_EQ(e->OpenTable("DDBShop", "invoices", none), result::NoSuchFile);
    EXPECT_TRUE(e->lastError().contains("invoices: no such table")) << e->lastError().toStdString();
}

TEST_F(PostgresAliasTest, AConnectionDroppedMidRunIsAnErrorNotAHang)
{
    auto e = engine(std::nullopt);
    // The connection dropped after the tables were listed and before they were read.
    ASSERT_EQ(e->openDatabase("DDBShop", "Shop"), result::Ok) << e->lastError().toStdString();
    QStringList names;
    ASSERT_EQ(e->ListTables("DDBShop", names), result::Ok);
    execAll(setup_, {"select pg_terminate_backend(pid) from pg_stat_activity "
                     "where usename = current_user and pid <> pg_backend_pid()"});
    TableHandle table = 0;
    EXPECT_EQ(e->OpenTable("DDBShop", "customers", table), result::ServerRefused);
    EXPECT_TRUE(e->lastError().startsWith("alias \"Shop\": ")) << e->lastError().toStdString();
}

// A SQLite file named relative to the aliases file: read, never written (no journal
// either), and its connection gone with the engine.
TEST(SqliteAlias, TheFileIsReadWhereTheAliasesFileSaysAndNeverChanged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("config") && QDir(dir.path()).mkpath("data"));
    const QString writerName = QUuid::createUuid().toString();
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", writerName);
        writer.setDatabaseName(dir.filePath("data/notes.sqlite"));
        ASSERT_TRUE(writer.open());
        execAll(writer, {"create table notes (id integer primary key autoincrement, body text not null)",
                         "create table tags (note integer references notes (id) on delete cascade, tag text)",
                         "insert into notes (body) values ('rows are never read')"});
        writer.close();
    }
    QSqlDatabase::removeDatabase(writerName);
    ASSERT_TRUE(korvex::test::writeFile(dir.filePath("config/aliases.ini"),
                                        "[Notes]\nTYPE=SQLITE\nDATABASE NAME=../data/notes.sqlite\n"));
    const auto before = korvex::test::checksumTree(dir.filePath("data"));
    const auto connections = QSqlDatabase::connectionNames().size();
    {
        DatabaseEngine engine;
        ASSERT_EQ(engine.loadAliases(dir.filePath("config")), result::Ok);
        engine.registerServerDriver(AliasDefinition::SqliteDriver,
                                    [](const AliasDefinition& alias, const LoginPassword&) {
                                        return openSqliteAlias(alias);
                                    });
        ASSERT_EQ(engine.openDatabase("DDBNotes", "Notes"), result::Ok) << engine.lastError().toStdString();
        QStringList names;
        ASSERT_EQ(engine.ListTables("DDBNotes", names), result::Ok) << engine.lastError().toStdString();
        EXPECT_EQ(names, QStringList({"notes", "tags"}));
        TableHandle notes = 0;
        ASSERT_EQ(engine.OpenTable("DDBNotes", "notes", notes), result::Ok) << engine.lastError().toStdString();
        std::vector<FieldListEntry> fields;
        ASSERT_EQ(engine.readFieldList(notes, fields), result::Ok);
        ASSERT_EQ(fields.size(), 2U);
        EXPECT_EQ(fields[0].type, FieldType::AutoInc);
        EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections + 1);
    }
    EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections);
    EXPECT_EQ(korvex::test::checksumTree(dir.filePath("data")), before);
}

} // namespace
