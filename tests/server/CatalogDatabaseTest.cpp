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

// Sets an environment variable for one test and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

QStringList fieldNames(DatabaseEngine& engine, TableHandle table)
{
    std::vector<FieldListEntry> fields;
    EXPECT_EQ(engine.readFieldList(table, fields), result::Ok) << engine.lastError().toStdString();
    QStringList names;
    for (const FieldListEntry& f : fields)
        names << f.name;
    return names;
}

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
                         "create table korvex_alias.orders (id integer primary key, customer integer references "
                         "korvex_alias.customers (id) on delete cascade)",
                         "create table korvex_alias.\"Gift Cards\" (code char(8) primary key)"});
        ASSERT_TRUE(QDir(dir_.path()).mkpath("empty"));
        ASSERT_TRUE(
            korvex::test::writeFile(dir_.filePath("aliases.ini"),
                                    QStringLiteral(
                                        "[Shop]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=%2\nUSER NAME=%3\n"
                                        "SCHEMA NAME=korvex_alias\n"
                                        "[Nowhere]\nTYPE=POSTGRESQL\nSERVER NAME=%4\nDATABASE NAME=%2\nUSER NAME=%3\n"
                                        "[Missing]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=korvex_no_such_db\n"
                                        "USER NAME=%3\n")
                                        .arg(cluster_.host, cluster_.database, cluster_.user, dir_.filePath("empty"))
                                        .toUtf8()));
    }
    void TearDown() override
    {
        setup_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(setupName_);
    }

    // An engine with the PostgreSQL driver that answers the login with password, counting
    // how often it is asked.
    std::unique_ptr<DatabaseEngine> engine(std::optional<QString> password)
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
    // libpq's password file: the test user's password for every server.
    QByteArray passwordFile()
    {
        const QString path = dir_.filePath("pgpass");
        EXPECT_TRUE(korvex::test::writeFile(path, ("*:*:*:" + cluster_.user + ':' + cluster_.password).toUtf8()));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner); // libpq ignores others
        return QFile::encodeName(path);
    }
    QByteArray noPasswordFile() const { return QFile::encodeName(dir_.filePath("no-pgpass")); }

    Cluster cluster_;
    QTemporaryDir dir_;
    QString setupName_ = QUuid::createUuid().toString();
    QSqlDatabase setup_;
    int asked_ = 0;
};

TEST_F(PostgresAliasTest, LoginAsksOnlyWhenLibpqsOwnSourcesGiveNoPassword)
{
    {
        const ScopedEnvironment pgpass("PGPASSFILE", passwordFile());
        auto e = engine(std::nullopt);
        EXPECT_EQ(e->openDatabase("DDBShop", "shop"), result::Ok) << e->lastError().toStdString();
        EXPECT_EQ(asked_, 0);
    }
    const ScopedEnvironment pgpass("PGPASSFILE", noPasswordFile());
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
    const ScopedEnvironment pgpass("PGPASSFILE", passwordFile());
    auto e = engine(std::nullopt);
    ASSERT_EQ(e->openDatabase("DDBShop", "Shop"), result::Ok) << e->lastError().toStdString();
    QStringList names;
    ASSERT_EQ(e->ListTables("DDBShop", names), result::Ok) << e->lastError().toStdString();
    EXPECT_EQ(names, QStringList({"customers", "\"Gift Cards\"", "orders"}));

    TableHandle customers = 0;
    ASSERT_EQ(e->OpenTable("DDBShop", "customers", customers), result::Ok) << e->lastError().toStdString();
    EXPECT_EQ(fieldNames(*e, customers), QStringList({"id", "name"}));
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

TEST_F(PostgresAliasTest, ServerFailuresCarryTheServersText)
{
    const ScopedEnvironment pgpass("PGPASSFILE", passwordFile());
    auto e = engine(std::nullopt);
    // An empty socket folder: nothing listens there.
    EXPECT_EQ(e->openDatabase("DDBNowhere", "Nowhere"), result::ServerRefused);
    EXPECT_TRUE(e->lastError().contains(".s.PGSQL")) << e->lastError().toStdString();
    EXPECT_EQ(e->openDatabase("DDBMissing", "Missing"), result::ServerRefused);
    EXPECT_TRUE(e->lastError().contains("korvex_no_such_db\" does not exist")) << e->lastError().toStdString();
    EXPECT_EQ(asked_, 0);

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

class SqliteAliasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir_.path()).mkpath("config") && QDir(dir_.path()).mkpath("data"));
        file_ = dir_.filePath("data/notes.sqlite");
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", writerName_);
            writer.setDatabaseName(file_);
            ASSERT_TRUE(writer.open());
            execAll(writer, {"create table notes (id integer primary key autoincrement, body text not null)",
                             "create table tags (note integer references notes (id) on delete cascade, tag text)",
                             "insert into notes (body) values ('rows are never read')"});
            writer.close();
        }
        QSqlDatabase::removeDatabase(writerName_);
        ASSERT_TRUE(korvex::test::writeFile(dir_.filePath("config/aliases.ini"),
                                            "[Notes]\nTYPE=SQLITE\nDATABASE NAME=../data/notes.sqlite\n"
                                            "[Gone]\nTYPE=SQLITE\nDATABASE NAME=../data/gone.sqlite\n"));
        ASSERT_EQ(engine_.loadAliases(dir_.filePath("config")), result::Ok);
        engine_.registerServerDriver(AliasDefinition::SqliteDriver,
                                     [](const AliasDefinition& alias, const LoginPassword&) {
                                         return openSqliteAlias(alias);
                                     });
    }

    QTemporaryDir dir_;
    QString file_;
    QString writerName_ = QUuid::createUuid().toString();
    DatabaseEngine engine_;
};

TEST_F(SqliteAliasTest, TheFileIsReadWhereTheAliasesFileSaysAndNeverChanged)
{
    const auto before = korvex::test::checksumTree(dir_.filePath("data"));
    const auto connections = QSqlDatabase::connectionNames().size();
    {
        DatabaseEngine engine;
        ASSERT_EQ(engine.loadAliases(dir_.filePath("config")), result::Ok);
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
    // The connection went with the engine, and the folder holds what it held (no journal).
    EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections);
    EXPECT_EQ(korvex::test::checksumTree(dir_.filePath("data")), before);
}

TEST_F(SqliteAliasTest, AMissingFileIsAnErrorAndNeverMade)
{
    EXPECT_EQ(engine_.openDatabase("DDBGone", "Gone"), result::NoSuchFile);
    EXPECT_TRUE(engine_.lastError().contains("gone.sqlite: no such database file"))
        << engine_.lastError().toStdString();
    EXPECT_FALSE(QFile::exists(dir_.filePath("data/gone.sqlite")));
}

} // namespace
