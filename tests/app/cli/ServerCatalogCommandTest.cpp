// korvex-report and tbls-driver-korvex as installed, on a PostgreSQL database of the
// private cluster and a SQLite file: the drivers every program brings.

#include "ClusterState.h"
#include "FirebirdFiles.h"
#include "MariaDbState.h"
#include "MysqlCatalog.h"
#include "PostgresCatalog.h"
#include "ServerTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUuid>

using namespace korvex::server;
using namespace korvex::server::test;

namespace {

using Outcome = korvex::test::ProgramRun;

QJsonObject tableNamed(const QByteArray& json, const QString& name)
{
    for (const auto& table : QJsonDocument::fromJson(json).object().value("tables").toArray()) {
        if (table.toObject().value("name").toString() == name)
            return table.toObject();
    }
    return {};
}

QStringList namesOf(const QJsonArray& array, const char* key = "name")
{
    QStringList names;
    for (const auto& item : array)
        names << item.toObject().value(key).toString();
    return names;
}

class ServerCatalogCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(home_.path()).mkpath("korvex") && QDir(home_.path()).mkpath("empty"));
        {
            const QString writer = QUuid::createUuid().toString();
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", writer);
            db.setDatabaseName(home_.filePath("korvex/notes.sqlite"));
            ASSERT_TRUE(db.open());
            execAll(db, {R"sql(create table notes (id integer primary key autoincrement,
                             body text not null, created date default '2024-02-29'))sql",
                         "create table tags (note integer references notes (id) on delete cascade, tag varchar(20))"});
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(writer);
        }
        QString aliases = QStringLiteral("[Notes]\nTYPE=SQLITE\nDATABASE NAME=notes.sqlite\n"
                                         "[Lost]\nTYPE=SQLITE\nDATABASE NAME=lost.sqlite\n");
        cluster_ = readCluster(QStringLiteral(KORVEX_PG_STATE));
        if (cluster_.missing.isEmpty()) {
            const QString setup = QUuid::createUuid().toString();
            {
                QSqlDatabase db = openPostgres(setup, {cluster_.host, -1, cluster_.database, cluster_.user,
                                                       cluster_.password});
                execAll(db, {"drop schema if exists korvex_cli cascade", "create schema korvex_cli",
                             R"sql(create table korvex_cli.customers (id serial primary key,
                                 name varchar(40) not null, price numeric(12,4) check (price between 0 and 1000)))sql",
                             "create unique index customers_name on korvex_cli.customers (name desc)",
                             R"sql(create table korvex_cli.orders (id integer primary key,
                                 customer integer references korvex_cli.customers (id) on delete cascade))sql"});
            }
            QSqlDatabase::removeDatabase(setup);
            const QString pgpass = home_.filePath("pgpass");
            ASSERT_TRUE(korvex::test::writeFile(pgpass, ("*:*:*:" + cluster_.user + ':' + cluster_.password).toUtf8()));
            QFile(pgpass).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            aliases += QStringLiteral("[Shop]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=%2\nUSER NAME=%3\n"
                                      "SCHEMA NAME=korvex_cli\n"
                                      "[Nowhere]\nTYPE=POSTGRESQL\nSERVER NAME=%4\nDATABASE NAME=%2\n"
                                      "[Missing]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=no_such_db\n"
                                      "USER NAME=%3\n")
                           .arg(cluster_.host, cluster_.database, cluster_.user, home_.filePath("empty"));
        }
        ASSERT_TRUE(korvex::test::writeFile(home_.filePath("korvex/aliases.ini"), aliases.toUtf8()));
    }

    // Standard input is a pipe, closed at once: no terminal to ask a password on. PGPASSFILE
    // gives the password unless the environment says otherwise.
    Outcome run(const char* program, const QStringList& args, const QStringList& environment = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home_.path());
        env.insert("PGPASSFILE", home_.filePath("pgpass"));
        env.remove("PGSERVICE");
        return korvex::test::runProgram(QString::fromUtf8(program), args, korvex::test::withSettings(env, environment),
                                        120000);
    }
    Outcome report(const QStringList& args, const QStringList& environment = {}) const
    {
        return run(KORVEX_REPORT_EXE, args, environment);
    }
    void requireCluster() const
    {
        if (!cluster_.missing.isEmpty())
            GTEST_SKIP() << cluster_.missing.toStdString();
    }

    QTemporaryDir home_;
    QTemporaryDir out_;
    Cluster cluster_;
};

TEST_F(ServerCatalogCommand, PostgresAliasInEveryForm)
{
    requireCluster();
    const auto json = report({"--alias", "Shop", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject customers = tableNamed(json.out, "customers");
    EXPECT_EQ(customers.value("tableType").toString(), "POSTGRESQL") << json.out.toStdString();
    EXPECT_EQ(namesOf(customers.value("fields").toArray()), QStringList({"id", "name", "price"}));
    const QJsonObject price = customers.value("fields").toArray().at(2).toObject();
    EXPECT_EQ(price.value("typeName").toString(), "BCD");
    EXPECT_EQ(price.value("max").toString().toDouble(), 1000.0);
    EXPECT_EQ(customers.value("indexCount").toInt(), 2);
    EXPECT_EQ(tableNamed(json.out, "orders").value("fieldCount").toInt(), 2);

    const auto tbls = report({"--alias", "shop", "--format", "tbls"});
    ASSERT_EQ(tbls.exitCode, 0) << tbls.err.toStdString();
    const QJsonObject schema = QJsonDocument::fromJson(tbls.out).object();
    EXPECT_EQ(namesOf(schema.value("tables").toArray()), QStringList({"customers", "orders"}));
    const QJsonObject tblsCustomers = schema.value("tables").toArray()[0].toObject();
    EXPECT_EQ(namesOf(tblsCustomers.value("columns").toArray()), QStringList({"id", "name", "price"}));
    EXPECT_EQ(tblsCustomers.value("indexes").toArray().size(), 2);

    const auto driver = run(KORVEX_TBLS_EXE, {}, {"TBLS_DSN=korvex://alias/Shop"});
    ASSERT_EQ(driver.exitCode, 0) << driver.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(driver.out).object().value("tables").toArray().size(), 2);

    const auto markdown = report({"--alias", "Shop", "--markdown", out_.filePath("md")});
    ASSERT_EQ(markdown.exitCode, 0) << markdown.err.toStdString();
    QByteArray pages;
    for (const QString& file : QDir(out_.filePath("md")).entryList(QDir::Files))
        pages += korvex::test::readWholeFile(out_.filePath("md/" + file));
    EXPECT_TRUE(pages.contains("customers") && pages.contains("price")) << pages.toStdString();

    const auto printed = report({"--alias", "Shop", "--trace", out_.filePath("trace.txt"), "orders"});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    const QByteArray trace = korvex::test::readWholeFile(out_.filePath("trace.txt"));
    EXPECT_TRUE(trace.contains("orders") && trace.contains("customer")) << trace.left(2000).toStdString();
}

TEST_F(ServerCatalogCommand, SqliteAliasReadsTheFileBesideTheAliasesFile)
{
    const auto json = report({"--alias", "Notes", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject notes = tableNamed(json.out, "notes");
    EXPECT_EQ(notes.value("tableType").toString(), "SQLITE") << json.out.toStdString();
    EXPECT_EQ(notes.value("fields").toArray().at(0).toObject().value("typeName").toString(), "Auto-Inc");
    EXPECT_TRUE(notes.value("fields").toArray().at(1).toObject().value("required").toBool());
    EXPECT_EQ(notes.value("fields").toArray().at(2).toObject().value("typeName").toString(), "Date");

    const auto tbls = report({"--alias", "Notes", "--format", "tbls"});
    ASSERT_EQ(tbls.exitCode, 0) << tbls.err.toStdString();
    const QJsonArray tables = QJsonDocument::fromJson(tbls.out).object().value("tables").toArray();
    EXPECT_EQ(namesOf(tables), QStringList({"notes", "tags"}));
    EXPECT_EQ(tables[1].toObject().value("columns").toArray().size(), 2);
}

TEST_F(ServerCatalogCommand, FailuresExitWithOneAndSayWhy)
{
    const auto lost = report({"--alias", "Lost", "--json"});
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.err.contains("lost.sqlite: no such database file")) << lost.err.toStdString();
    EXPECT_FALSE(QFile::exists(home_.filePath("korvex/lost.sqlite")));

    requireCluster();
    // No password file and no terminal: the message names where libpq looks for one.
    const auto asked = report({"--alias", "Shop", "--json"}, {"PGPASSFILE=" + home_.filePath("none")});
    EXPECT_EQ(asked.exitCode, 1);
    for (const char* source : {"~/.pgpass", "PGPASSFILE", "PGSERVICE"})
        EXPECT_TRUE(asked.err.contains(source)) << asked.err.toStdString();

    const auto nowhere = report({"--alias", "Nowhere", "--json"});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_TRUE(nowhere.err.contains("alias \"Nowhere\"") && nowhere.err.contains(".s.PGSQL"))
        << nowhere.err.toStdString();
    const auto missing = report({"--alias", "Missing", "--trace", out_.filePath("t.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("\"no_such_db\" does not exist")) << missing.err.toStdString();
}

// A TYPE=MYSQL alias on the private MariaDB server, its password in the user's ~/.my.cnf.
TEST_F(ServerCatalogCommand, MysqlAliasAsJsonTblsAndThroughTheTblsDriver)
{
    const MariaDb server = readMariaDb(QStringLiteral(KORVEX_MY_STATE));
    if (!server.missing.isEmpty())
        GTEST_SKIP() << server.missing.toStdString();
    const QString setup = QUuid::createUuid().toString();
    {
        QSqlDatabase db = openMysql(setup, {server.socket, -1, server.database, server.admin, {}});
        execAll(db, {"drop database if exists korvex_cli", "create database korvex_cli", "use korvex_cli",
                     R"sql(create table customers (id int auto_increment primary key, name varchar(40) not null,
                         price decimal(12,4) check (price between 0 and 1000), unique key customers_name (name desc)))sql",
                     R"sql(create table orders (id int primary key, customer int,
                         foreign key (customer) references customers (id) on delete cascade))sql",
                     "grant select on korvex_cli.* to '" + server.user + "'@'localhost'"});
    }
    QSqlDatabase::removeDatabase(setup);
    const QString aliases = QString::fromUtf8(korvex::test::readWholeFile(home_.filePath("korvex/aliases.ini"))) +
                            QStringLiteral(
                                "[Maria]\nTYPE=MYSQL\nSERVER NAME=%1\nDATABASE NAME=korvex_cli\nUSER NAME=%2\n")
                                .arg(server.socket, server.user);
    ASSERT_TRUE(korvex::test::writeFile(home_.filePath("korvex/aliases.ini"), aliases.toUtf8()));
    ASSERT_TRUE(korvex::test::writeFile(home_.filePath(".my.cnf"), ("[client]\npassword=" + server.password).toUtf8()));
    const QStringList env = {"HOME=" + home_.path()};

    const auto json = report({"--alias", "Maria", "--json"}, env);
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject customers = tableNamed(json.out, "customers");
    EXPECT_EQ(customers.value("tableType").toString(), "MYSQL") << json.out.toStdString();
    EXPECT_EQ(namesOf(customers.value("fields").toArray()), QStringList({"id", "name", "price"}));
    EXPECT_EQ(customers.value("fields").toArray().at(0).toObject().value("typeName").toString(), "Auto-Inc");
    EXPECT_EQ(customers.value("fields").toArray().at(2).toObject().value("max").toString().toDouble(), 1000.0);
    EXPECT_EQ(customers.value("indexCount").toInt(), 2);

    const auto tbls = report({"--alias", "maria", "--format", "tbls"}, env);
    ASSERT_EQ(tbls.exitCode, 0) << tbls.err.toStdString();
    const QJsonArray tables = QJsonDocument::fromJson(tbls.out).object().value("tables").toArray();
    EXPECT_EQ(namesOf(tables), QStringList({"customers", "orders"}));
    const auto driver = run(KORVEX_TBLS_EXE, {}, {"TBLS_DSN=korvex://alias/Maria", "HOME=" + home_.path()});
    ASSERT_EQ(driver.exitCode, 0) << driver.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(driver.out).object().value("tables").toArray().size(), 2);

    // Without the option file the server refuses the login, and no terminal can ask.
    ASSERT_TRUE(QFile::remove(home_.filePath(".my.cnf")));
    const auto refused = report({"--alias", "Maria", "--json"}, env);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("alias \"Maria\"")) << refused.err.toStdString();
}

TEST(FirebirdCatalogCommand, FirebirdAliasAsJsonAndTbls)
{
    if (const QString missing = firebirdMissing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("korvex"));
    const QString made =
        makeFirebirdDatabase(home.filePath("korvex/shop.fdb"),
                             {"CREATE TABLE CUSTOMERS (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                              "NAME VARCHAR(40) NOT NULL, PRICE NUMERIC(12,4) CHECK (PRICE BETWEEN 0 AND 1000))",
                              "CREATE TABLE ORDERS (ID INTEGER NOT NULL PRIMARY KEY, "
                              "CUSTOMER INTEGER REFERENCES CUSTOMERS (ID) ON DELETE CASCADE)"});
    ASSERT_TRUE(made.isEmpty()) << made.toStdString();
    ASSERT_TRUE(korvex::test::writeFile(home.filePath("korvex/aliases.ini"),
                                        "[Ledger]\nTYPE=FIREBIRD\nDATABASE NAME=shop.fdb\n"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    // The leak check at the end of a sanitized program stops the embedded engine's threads
    // to look at them, and one of them takes it down; the engine's own memory is no leak of
    // Korvex's (the in-process Firebird tests keep the check on).
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    const auto run = [&](const char* program, const QStringList& args, const QStringList& more = {}) {
        return korvex::test::runProgram(QString::fromUtf8(program), args, korvex::test::withSettings(env, more),
                                        120000);
    };
    const auto json = run(KORVEX_REPORT_EXE, {"--alias", "Ledger", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject customers = tableNamed(json.out, "CUSTOMERS");
    EXPECT_EQ(customers.value("tableType").toString(), "FIREBIRD") << json.out.toStdString();
    EXPECT_EQ(namesOf(customers.value("fields").toArray()), QStringList({"ID", "NAME", "PRICE"}));
    EXPECT_EQ(customers.value("fields").toArray().at(0).toObject().value("typeName").toString(), "Auto-Inc");
    EXPECT_EQ(customers.value("fields").toArray().at(2).toObject().value("max").toString().toDouble(), 1000.0);

    const auto tbls = run(KORVEX_REPORT_EXE, {"--alias", "Ledger", "--format", "tbls"});
    ASSERT_EQ(tbls.exitCode, 0) << tbls.err.toStdString();
    EXPECT_EQ(namesOf(QJsonDocument::fromJson(tbls.out).object().value("tables").toArray()),
              QStringList({"CUSTOMERS", "ORDERS"}));
    const auto driver = run(KORVEX_TBLS_EXE, {}, {"TBLS_DSN=korvex://alias/Ledger"});
    ASSERT_EQ(driver.exitCode, 0) << driver.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(driver.out).object().value("relations").toArray().size(), 1)
        << driver.out.toStdString();
}

TEST_F(ServerCatalogCommand, OdbcAliasesByDataSourceAndByConnectionString)
{
    requireCluster();
    const char* const postgresDriver = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";
    const char* const sqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
    if (!QFile::exists(postgresDriver) || !QFile::exists(sqliteDriver))
        GTEST_SKIP() << "the ODBC drivers (odbc-postgresql, libsqliteodbc) are not installed";
    // A private unixODBC configuration whose data source gives the password itself.
    ASSERT_TRUE(
        korvex::test::writeFile(home_.filePath("odbcinst.ini"),
                                QStringLiteral("[KorvexPostgreSQL]\nDriver=%1\n").arg(postgresDriver).toUtf8()));
    ASSERT_TRUE(korvex::test::writeFile(home_.filePath("odbc.ini"),
                                        QStringLiteral("[shop]\nDriver=KorvexPostgreSQL\nServername=%1\nPort=5432\n"
                                                       "Database=%2\nUsername=%3\nPassword=%4\n")
                                            .arg(cluster_.host, cluster_.database, cluster_.user, cluster_.password)
                                            .toUtf8()));
    QFile aliases(home_.filePath("korvex/aliases.ini"));
    ASSERT_TRUE(aliases.open(QIODevice::Append));
    aliases.write(QStringLiteral("[OdbcShop]\nTYPE=ODBC\nODBC DSN=shop\nSCHEMA NAME=korvex_cli\n"
                                 "[OdbcNotes]\nTYPE=ODBC\nODBC CONNECT=DRIVER=%1;Database=%2\n")
                      .arg(sqliteDriver, home_.filePath("korvex/notes.sqlite"))
                      .toUtf8());
    aliases.close();
    const QStringList environment = {"ODBCSYSINI=" + home_.path(), "ODBCINI=" + home_.filePath("odbc.ini")};

    const auto json = report({"--alias", "OdbcShop", "--json"}, environment);
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject customers = tableNamed(json.out, "customers");
    EXPECT_EQ(customers.value("tableType").toString(), "ODBC") << json.out.toStdString();
    EXPECT_EQ(namesOf(customers.value("fields").toArray()), QStringList({"id", "name", "price"}));
    EXPECT_EQ(customers.value("fields").toArray().at(0).toObject().value("typeName").toString(), "Auto-Inc");
    EXPECT_EQ(customers.value("indexCount").toInt(), 2);
    EXPECT_EQ(customers.value("checksNote").toString(), "CHECK constraints are not available through ODBC");
    EXPECT_EQ(namesOf(tableNamed(json.out, "orders").value("links").toArray(), "relatedTable"),
              QStringList{"customers"});

    const auto printed = report({"--alias", "OdbcShop", "--trace", out_.filePath("odbc.txt"), "orders"}, environment);
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(korvex::test::readWholeFile(out_.filePath("odbc.txt"))
                    .contains("CHECK constraints are not available through ODBC"));

    const auto tbls = report({"--alias", "OdbcNotes", "--format", "tbls"}, environment);
    ASSERT_EQ(tbls.exitCode, 0) << tbls.err.toStdString();
    const QJsonArray tables = QJsonDocument::fromJson(tbls.out).object().value("tables").toArray();
    EXPECT_EQ(namesOf(tables), QStringList({"notes", "tags"}));
    EXPECT_TRUE(tables[0].toObject().value("comment").toString().contains("not available through ODBC"));
}

} // namespace
