#include "OdbcCatalog.h"
#include "ClusterState.h"
#include "PostgresCatalog.h"
#include "ServerTestSupport.h"
#include "SqliteCatalog.h"
#include "TestSchemas.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdlib>

using namespace korvex;
using namespace korvex::server;
using namespace korvex::server::test;

namespace {

const char* const PostgresDriver = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";
const char* const SqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
const QString Sales = QStringLiteral("korvex_sales");

// A private unixODBC configuration for the whole test program (the driver manager keeps
// what it read): Debian's PostgreSQL driver on the private cluster's socket as the data
// source "korvex_pg", and its SQLite driver on a file as "korvex_sqlite".
struct OdbcSetup {
    QTemporaryDir dir;
    Cluster cluster;
    QString sqlitePath;
    QString missing; // not empty: why the PostgreSQL tests skip
};

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size() && file.flush();
}

OdbcSetup& odbcSetup()
{
    static OdbcSetup setup = [] {
        OdbcSetup s;
        s.cluster = readCluster(QStringLiteral(KORVEX_PG_STATE));
        s.missing = s.cluster.missing;
        if (!QFileInfo::exists(QLatin1String(PostgresDriver)) || !QFileInfo::exists(QLatin1String(SqliteDriver)))
            s.missing = QStringLiteral("the ODBC drivers (odbc-postgresql, libsqliteodbc) are not installed");
        s.sqlitePath = s.dir.filePath(QStringLiteral("test.sqlite"));
        const bool written =
            writeFile(s.dir.filePath(QStringLiteral("odbcinst.ini")),
                      QStringLiteral("[KorvexPostgreSQL]\nDriver=%1\n\n[KorvexSQLite]\nDriver=%2\n")
                          .arg(QLatin1String(PostgresDriver), QLatin1String(SqliteDriver))) &&
            writeFile(s.dir.filePath(QStringLiteral("odbc.ini")),
                      QStringLiteral("[korvex_pg]\nDriver=KorvexPostgreSQL\nServername=%1\nPort=5432\nDatabase=%2\n\n"
                                     "[korvex_sqlite]\nDriver=KorvexSQLite\nDatabase=%3\nNoCreat=1\n")
                          .arg(s.cluster.host, s.cluster.database, s.sqlitePath));
        EXPECT_TRUE(written);
        qputenv("ODBCSYSINI", s.dir.path().toLocal8Bit());
        qputenv("ODBCINI", s.dir.filePath(QStringLiteral("odbc.ini")).toLocal8Bit());
        return s;
    }();
    return setup;
}

// What a driver gives otherwise than the native reader, and why; left out of the comparison.
struct Leave {
    QStringList fieldTypes; // fields whose type the driver maps its own way
    bool literalDefaults = false;
    bool descending = false;
    bool primaryIndexName = false; // a driver names an index that the database has not
};

// What both readers must agree on, one line per field, index and link. What ODBC cannot
// give stays out: CHECKs (and the minimum and maximum taken from them), whether an index
// ignores case (a collation), and an expression index's text (drivers give it, if at all,
// in their own words).
QStringList comparable(const ServerTable& t, const Leave& leave)
{
    QStringList lines;
    for (const FieldDefinition& f : t.definition.fields) {
        if (!leave.fieldTypes.contains(f.name))
            lines << QStringLiteral("field %1 type %2 size %3 logical %4/%5 units %6,%7 key %8")
                         .arg(f.name)
                         .arg(int(f.type))
                         .arg(f.size)
                         .arg(int(f.logicalType))
                         .arg(f.subtype)
                         .arg(f.units1)
                         .arg(f.units2)
                         .arg(f.key);
    }
    for (const ValidityCheck& c : t.definition.validityChecks) {
        const QString name = t.definition.fields.at(c.fieldNumber - 1).name;
        if (!leave.fieldTypes.contains(name) && (c.required || (c.hasDefault && !leave.literalDefaults)))
            lines << QStringLiteral("field %1 required %2 default %3")
                         .arg(name)
                         .arg(c.required)
                         .arg(c.hasDefault && !leave.literalDefaults);
    }
    for (const IndexDescription& i : t.indexes)
        lines << QStringLiteral("index %1 primary %2 unique %3 descending %4 on %5")
                     .arg(i.primary && leave.primaryIndexName ? QString() : i.name)
                     .arg(i.primary)
                     .arg(i.unique)
                     .arg(i.descending && !leave.descending)
                     .arg(i.expressionIndex ? QStringLiteral("an expression") : i.fields);
    QStringList links;
    for (const IntegrityDescriptor& l : t.links) {
        QStringList pairs;
        for (const auto& [mine, theirs] : l.pairs)
            pairs << QStringLiteral("%1=%2").arg(mine).arg(theirs);
        links << QStringLiteral("link %1 %2 %3 (%4) rules %5/%6")
                     .arg(l.name,
                          l.kind == IntegrityDescriptor::Kind::Master ? QStringLiteral("to") : QStringLiteral("from"),
                          l.relatedTable, pairs.join(u','))
                     .arg(int(l.cascade.onUpdate()))
                     .arg(int(l.cascade.onDelete()));
    }
    links.sort();
    return lines + links;
}

void expectSameStructures(const std::vector<ServerTable>& native, const std::vector<ServerTable>& odbc,
                          const Leave& leave = {})
{
    QStringList nativeNames;
    QStringList odbcNames;
    for (const ServerTable& t : native)
        nativeNames << t.name;
    for (const ServerTable& t : odbc)
        odbcNames << t.name;
    ASSERT_EQ(odbcNames, nativeNames);
    for (std::size_t i = 0; i < native.size(); ++i) {
        SCOPED_TRACE(native[i].name.toStdString());
        EXPECT_EQ(comparable(odbc[i], leave).join(u'\n').toStdString(),
                  comparable(native[i], leave).join(u'\n').toStdString());
        ASSERT_TRUE(odbc[i].definition.server);
        EXPECT_EQ(odbc[i].definition.server->checksNote, "CHECK constraints are not available through ODBC");
        EXPECT_TRUE(odbc[i].definition.server->checks.empty());
    }
}

class OdbcPostgresTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!odbcSetup().missing.isEmpty())
            GTEST_SKIP() << odbcSetup().missing.toStdString();
        const Cluster& c = odbcSetup().cluster;
        db_ = openPostgres(connection_, PostgresLogin{c.host, -1, c.database, c.user, c.password});
        execAll(db_, PostgresSchema);
    }
    void TearDown() override
    {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
    static QString login(const QString& password)
    {
        return QStringLiteral("DSN=korvex_pg;UID=%1;PWD={%2}").arg(odbcSetup().cluster.user, password);
    }

    QString connection_ = QUuid::createUuid().toString();
    QSqlDatabase db_;
};

} // namespace

TEST_F(OdbcPostgresTest, ReadsWhatTheNativeReaderReads)
{
    OdbcCatalog odbc(openOdbc(login(odbcSetup().cluster.password)), Sales);
    const auto native = PostgresCatalog(db_, {Sales}).readTables();
    EXPECT_EQ(odbc.listTables(), PostgresCatalog(db_, {Sales}).listTables());
    const auto read = odbc.readTables();
    expectSameStructures(native, read);
    // The server's own type text stays.
    const ServerTable* customers = tableNamed(read, "customers");
    ASSERT_TRUE(customers);
    const FieldDefinition* price = fieldNamed(*customers, "price");
    const FieldDefinition* name = fieldNamed(*customers, "name");
    ASSERT_TRUE(price && name);
    EXPECT_EQ(price->storedType, "numeric(12,4)");
    EXPECT_EQ(name->storedType, "varchar(40)");
    // The columns of the whole schema come in one call, and those of the one table of
    // another schema that refers to it in another; indexes per table.
    EXPECT_EQ(odbc.calls().tables, 2);
    EXPECT_EQ(odbc.calls().columns, 2);
    EXPECT_EQ(odbc.calls().statistics, int(read.size()));
}

TEST_F(OdbcPostgresTest, AliasAsksThePasswordOnceAndOnlyWhenTheServerWantsOne)
{
    AliasDefinition alias;
    alias.name = QStringLiteral("Shop");
    alias.driver = AliasDefinition::OdbcDriver;
    alias.parameters = QStringList{"ODBC DSN=korvex_pg", "USER NAME=" + odbcSetup().cluster.user,
                                   "SCHEMA NAME=korvex_sales"};
    QStringList asked;
    const auto database = openOdbcAlias(alias, [&](const QString& user) {
        asked << user;
        return odbcSetup().cluster.password;
    });
    EXPECT_EQ(asked, QStringList{odbcSetup().cluster.user});
    EXPECT_TRUE(database->tableNames().contains("\"Order Lines\""));
    EXPECT_EQ(database->openTable("orders")->definition().tableType, "ODBC");

    asked.clear();
    try {
        openOdbcAlias(alias, [&](const QString& user) {
            asked << user;
            return QStringLiteral("not the password");
        });
        ADD_FAILURE() << "a wrong password opened the data source";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), result::ServerRefused);
        EXPECT_TRUE(e.message().startsWith("alias \"Shop\": ")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("password authentication failed")) << e.message().toStdString();
    }
    EXPECT_EQ(asked.size(), 1);

    // A data source that does not exist is no question of a password.
    alias.parameters = QStringList{"ODBC DSN=no_such_source"};
    asked.clear();
    EXPECT_THROW(openOdbcAlias(alias, [&](const QString& user) { return asked << user, QString(); }), EngineError);
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(OdbcPostgresTest, ConnectionDroppedMidRunIsAnErrorWithTheDriversText)
{
    OdbcCatalog odbc(openOdbc(login(odbcSetup().cluster.password)), Sales);
    EXPECT_FALSE(odbc.listTables().isEmpty());
    execAll(db_, {"select pg_terminate_backend(pid) from pg_stat_activity "
                  "where usename = current_user and pid <> pg_backend_pid()"});
    EXPECT_THROW(odbc.readTables(), ServerError);
}

TEST(OdbcConnectionString, BracesTheValuesThatNeedIt)
{
    AliasDefinition alias;
    alias.parameters = QStringList{"ODBC DSN=Sales; 2024", "USER NAME=clerk"};
    EXPECT_EQ(odbcConnectionString(alias, QStringLiteral("se}cr;et")), "DSN={Sales; 2024};UID=clerk;PWD={se}}cr;et}");
    alias.parameters = QStringList{"ODBC CONNECT=DRIVER={PostgreSQL Unicode};SERVER=db;", "ODBC DSN=ignored"};
    EXPECT_EQ(odbcConnectionString(alias, QString()), "DRIVER={PostgreSQL Unicode};SERVER=db;");
}

namespace {

class OdbcSqliteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = odbcSetup().sqlitePath;
        QFile::remove(path);
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", connection_ + u'w');
            writer.setDatabaseName(path);
            ASSERT_TRUE(writer.open());
            execAll(writer, SqliteSchema);
            writer.close();
        }
        QSqlDatabase::removeDatabase(connection_ + u'w');
        db_ = openSqlite(connection_, path);
    }
    void TearDown() override
    {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }

    QString connection_ = QUuid::createUuid().toString();
    QSqlDatabase db_;
};

} // namespace

TEST_F(OdbcSqliteTest, ReadsWhatTheNativeReaderReads)
{
#if defined(__SANITIZE_ADDRESS__)
    // SQLite's ODBC driver keeps what it allocates on connecting to the end of the process
    // (its own, not the reader's: the PostgreSQL driver's tests run the same reader with
    // the leak check on).
    const __lsan::ScopedDisabler driverAllocations;
#endif
    OdbcCatalog odbc(openOdbc(QStringLiteral("DSN=korvex_sqlite")));
    EXPECT_EQ(odbc.listTables(), SqliteCatalog(db_).listTables());
    // SQLite's driver maps declared types by its own rules (numeric as double, money and
    // no type as text), cannot see AUTOINCREMENT (in the CREATE statement only), gives
    // defaults without their quotes, every index key as ascending, and names the rowid's
    // key "sqlite_autoindex_0".
    Leave leave;
    leave.fieldTypes = QStringList{"id", "price", "cash", "anything"};
    leave.literalDefaults = true;
    leave.descending = true;
    leave.primaryIndexName = true;
    expectSameStructures(SqliteCatalog(db_).readTables(), odbc.readTables(), leave);
}
