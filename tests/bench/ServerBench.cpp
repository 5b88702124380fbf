// Reading a PostgreSQL database of 1,000 tables (10 fields, 2 indexes and 1 foreign key
// each) from its catalog, and korvex-report --json over it through an alias, natively and
// through ODBC; the same tables in MariaDB and in a Firebird database file; listing the
// 10,000 tables of another schema through the engine as the browser does. Needs the
// private servers (tools/bench.sh starts and stops them):
//   sh tests/support/postgres.sh start /tmp/pg.state
//   sh tests/support/mariadb.sh start /tmp/my.state
//   KORVEX_PG_STATE=/tmp/pg.state KORVEX_MY_STATE=/tmp/my.state build/bench/tests/bench/bench_server
//   sh tests/support/mariadb.sh stop /tmp/my.state; sh tests/support/postgres.sh stop /tmp/pg.state

#include "../server/ClusterState.h"
#include "../server/FirebirdFiles.h"
#include "../server/MariaDbState.h"
#include "CatalogDatabase.h"
#include "MysqlCatalog.h"
#include "PostgresCatalog.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace korvex::server;

namespace {

constexpr int TableCount = 1000;
constexpr int ManyTableCount = 10000;

PostgresLogin login;

QSqlDatabase openCluster()
{
    const auto cluster = korvex::server::test::readCluster(QString::fromLocal8Bit(qgetenv("KORVEX_PG_STATE")));
    if (!cluster.missing.isEmpty())
        return {};
    login = {cluster.host, -1, cluster.database, cluster.user, cluster.password};
    return openPostgres(QStringLiteral("bench"), login);
}

// Each table refers to the one before it (the first to the last).
bool createTables(const QSqlDatabase& db)
{
    QStringList sql = {QStringLiteral("drop schema if exists bench cascade"), QStringLiteral("create schema bench")};
    for (int i = 0; i < TableCount; ++i) {
        sql << QStringLiteral("create table bench.t%1 (id integer primary key, ref integer, name varchar(40) not "
                              "null, price numeric(12,2) check (price >= 0), qty smallint default 1, born date, "
                              "stamp timestamp default now(), notes text, flag boolean, ratio double precision)")
                   .arg(i);
        sql << QStringLiteral("create index t%1_name on bench.t%1 (name)").arg(i);
    }
    for (int i = 0; i < TableCount; ++i)
        sql << QStringLiteral("alter table bench.t%1 add foreign key (ref) references bench.t%2 (id)")
                   .arg(i)
                   .arg((i + TableCount - 1) % TableCount);
    // Many small tables, in batches: one transaction cannot lock 10,000 new tables.
    sql << QStringLiteral("drop schema if exists bench_many cascade") << QStringLiteral("create schema bench_many");
    for (int first = 0; first < ManyTableCount; first += 500)
        sql << QStringLiteral("do $$ begin for i in %1..%2 loop execute format('create table bench_many.t%s (id "
                              "integer primary key, name varchar(20))', i); end loop; end $$")
                   .arg(first)
                   .arg(first + 499);
    QSqlQuery q(db);
    for (const QString& s : sql) {
        if (!q.exec(s)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(s), qPrintable(q.lastError().text()));
            return false;
        }
    }
    return true;
}

QSqlDatabase database;

void BM_ListTables(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PostgresCatalog(database, {QStringLiteral("bench")}).listTables());
}
BENCHMARK(BM_ListTables)->Unit(benchmark::kMillisecond);

void BM_ReadTables(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PostgresCatalog(database, {QStringLiteral("bench")}).readTables());
}
BENCHMARK(BM_ReadTables)->Unit(benchmark::kMillisecond);

// The aliases file of both schemas, and libpq's password file for the test user.
QTemporaryDir* config = nullptr;

void writeConfig()
{
    const QString aliases = QStringLiteral("[Bench]\nTYPE=POSTGRESQL\nSERVER NAME=%1\nDATABASE NAME=%2\nUSER NAME=%3\n"
                                           "SCHEMA NAME=bench\n[Many]\nTYPE=POSTGRESQL\nSERVER NAME=%1\n"
                                           "DATABASE NAME=%2\nUSER NAME=%3\nSCHEMA NAME=bench_many\n")
                                .arg(login.host, login.database, login.user);
    QDir(config->path()).mkpath(QStringLiteral("korvex"));
    QFile file(config->filePath(QStringLiteral("korvex/aliases.ini")));
    file.open(QIODevice::WriteOnly);
    file.write(aliases.toUtf8());
    file.close();
    QFile pgpass(config->filePath(QStringLiteral("pgpass")));
    pgpass.open(QIODevice::WriteOnly);
    pgpass.write(QStringLiteral("*:*:*:%1:%2\n").arg(login.user, login.password).toUtf8());
    pgpass.close();
    pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    qputenv("PGPASSFILE", QFile::encodeName(pgpass.fileName()));
}

// korvex-report --json over the alias, as a user starts it, once per iteration; every one
// of the 1,000 tables must read.
void reportJsonOverAlias(benchmark::State& state, const QProcessEnvironment& env, const QString& alias)
{
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVEX_REPORT_EXE), {QStringLiteral("--alias"), alias, QStringLiteral("--json")});
        p.waitForFinished(-1);
        const QByteArray out = p.readAllStandardOutput();
        if (p.exitCode() != 0 || out.count("\"ok\": true") != TableCount) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
    }
}

// A run of the program as a user starts it: connecting, listing, reading and writing the
// JSON of all 1,000 tables.
void BM_ReportJsonOverAlias(benchmark::State& state)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config->path());
    reportJsonOverAlias(state, env, QStringLiteral("Bench"));
}
BENCHMARK(BM_ReportJsonOverAlias)->Unit(benchmark::kMillisecond)->UseRealTime();

// Choosing the alias in the browser: connecting and listing the 10,000 tables.
void BM_EngineListsManyTables(benchmark::State& state)
{
    for (auto _ : state) {
        korvex::DatabaseEngine engine;
        engine.loadAliases(config->filePath(QStringLiteral("korvex")));
        engine.registerServerDriver(korvex::AliasDefinition::PostgresDriver, openPostgresAlias);
        QStringList names;
        if (engine.openDatabase(QStringLiteral("DDBMany"), QStringLiteral("Many")) != korvex::result::Ok ||
            engine.ListTables(QStringLiteral("DDBMany"), names) != korvex::result::Ok ||
            names.size() != ManyTableCount) {
            state.SkipWithError(qPrintable(engine.lastError()));
            break;
        }
    }
}
BENCHMARK(BM_EngineListsManyTables)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        database = openCluster();
    } catch (const ServerError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (!database.isOpen()) {
        std::fprintf(stderr, "set KORVEX_PG_STATE to the state file of tests/support/postgres.sh\n");
        return 1;
    }
    if (!createTables(database))
        return 1;
    QTemporaryDir configDir;
    config = &configDir;
    writeConfig();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    database = QSqlDatabase();
    return 0;
}

// korvex-report --json over a TYPE=MYSQL alias of 1,000 tables like the PostgreSQL ones,
// on the private MariaDB server of tests/support/mariadb.sh (KORVEX_MY_STATE names its
// state file); skipped without it.
namespace {

struct MariaDbBench {
    QString missing;
    QTemporaryDir home; // the aliases file and the reader's ~/.my.cnf
};

// Each table refers to the one before it (the first to the last).
MariaDbBench* mariaDbBench()
{
    static MariaDbBench* bench = [] {
        auto* b = new MariaDbBench;
        const auto server = korvex::server::test::readMariaDb(QString::fromLocal8Bit(qgetenv("KORVEX_MY_STATE")));
        const QString socket = server.socket;
        if (!server.missing.isEmpty()) {
            b->missing = QStringLiteral("set KORVEX_MY_STATE to the state file of tests/support/mariadb.sh");
            return b;
        }
        const QString user = server.user;
        try {
            QSqlDatabase db = openMysql(QStringLiteral("bench-mariadb"),
                                        {socket, -1, QString(), server.admin, QString()});
            QStringList sql = {QStringLiteral("drop database if exists bench"), QStringLiteral("create database bench"),
                               QStringLiteral("use bench"), QStringLiteral("set foreign_key_checks = 0"),
                               QStringLiteral("grant select on bench.* to '%1'@'localhost'").arg(user)};
            for (int i = 0; i < TableCount; ++i)
                sql << QStringLiteral("create table t%1 (id int primary key, ref int, name varchar(40) not null, "
                                      "price decimal(12,2) check (price >= 0), qty smallint default 1, born date, "
                                      "stamp datetime default current_timestamp, notes text, flag boolean, ratio "
                                      "double, key t%1_name (name), foreign key (ref) references t%2 (id))")
                           .arg(i)
                           .arg((i + TableCount - 1) % TableCount);
            QSqlQuery q(db);
            for (const QString& s : sql) {
                if (!q.exec(s)) {
                    b->missing = s + QStringLiteral(": ") + q.lastError().text();
                    break;
                }
            }
        } catch (const ServerError& e) {
            b->missing = e.message();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-mariadb"));
        QDir(b->home.path()).mkpath(QStringLiteral("korvex"));
        QFile aliases(b->home.filePath(QStringLiteral("korvex/aliases.ini")));
        aliases.open(QIODevice::WriteOnly);
        aliases.write(QStringLiteral("[MariaBench]\nTYPE=MYSQL\nSERVER NAME=%1\nDATABASE NAME=bench\nUSER NAME=%2\n")
                          .arg(socket, user)
                          .toUtf8());
        aliases.close();
        QFile options(b->home.filePath(QStringLiteral(".my.cnf")));
        options.open(QIODevice::WriteOnly);
        options.write("[client]\npassword=" + server.password.toUtf8() + '\n');
        return b;
    }();
    return bench;
}

void BM_ReportJsonOverMysqlAlias(benchmark::State& state)
{
    MariaDbBench* bench = mariaDbBench();
    if (!bench->missing.isEmpty()) {
        state.SkipWithError(qPrintable(bench->missing));
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), bench->home.path());
    env.insert(QStringLiteral("HOME"), bench->home.path());
    reportJsonOverAlias(state, env, QStringLiteral("MariaBench"));
}
BENCHMARK(BM_ReportJsonOverMysqlAlias)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

// Firebird: the same 1,000 tables in a database file that isql-fb makes with the embedded
// engine (about a minute to make), and korvex-report --json over an alias of it (which
// reads a copy of the file). Needs isql-fb and the embedded engine, not the cluster.
namespace {

using korvex::server::test::firebirdMissing;
using korvex::server::test::makeFirebirdDatabase;

QString firebirdHome; // the configuration folder of the Firebird alias; empty until made
QString firebirdMissingText;

void makeFirebirdBench()
{
    static QTemporaryDir home;
    if (!firebirdHome.isEmpty() || !firebirdMissingText.isEmpty())
        return;
    firebirdMissingText = firebirdMissing();
    if (!firebirdMissingText.isEmpty())
        return;
    QStringList sql;
    for (int i = 0; i < TableCount; ++i) {
        sql << QStringLiteral("CREATE TABLE T%1 (ID INTEGER NOT NULL PRIMARY KEY, REF INTEGER, NAME VARCHAR(40) NOT "
                              "NULL, PRICE NUMERIC(12,2) CHECK (PRICE >= 0), QTY SMALLINT DEFAULT 1, BORN DATE, "
                              "STAMP TIMESTAMP DEFAULT CURRENT_TIMESTAMP, NOTES BLOB SUB_TYPE TEXT, FLAG BOOLEAN, "
                              "RATIO DOUBLE PRECISION)")
                   .arg(i);
        sql << QStringLiteral("CREATE INDEX T%1_NAME ON T%1 (NAME)").arg(i);
    }
    sql << QStringLiteral("COMMIT");
    for (int i = 0; i < TableCount; ++i)
        sql << QStringLiteral("ALTER TABLE T%1 ADD FOREIGN KEY (REF) REFERENCES T%2 (ID)")
                   .arg(i)
                   .arg((i + TableCount - 1) % TableCount);
    QDir(home.path()).mkpath(QStringLiteral("korvex"));
    firebirdMissingText = makeFirebirdDatabase(home.filePath(QStringLiteral("korvex/bench.fdb")), sql, 900000);
    if (!firebirdMissingText.isEmpty())
        return;
    QFile file(home.filePath(QStringLiteral("korvex/aliases.ini")));
    file.open(QIODevice::WriteOnly);
    file.write("[Bench]\nTYPE=FIREBIRD\nDATABASE NAME=bench.fdb\n");
    file.close();
    firebirdHome = home.path();
}

void BM_ReportJsonOverFirebirdAlias(benchmark::State& state)
{
    makeFirebirdBench();
    if (firebirdHome.isEmpty()) {
        state.SkipWithError(qPrintable(firebirdMissingText));
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), firebirdHome);
    reportJsonOverAlias(state, env, QStringLiteral("Bench"));
}
BENCHMARK(BM_ReportJsonOverFirebirdAlias)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

// korvex-report --json over the same 1,000 tables through Debian's PostgreSQL ODBC driver
// (a TYPE=ODBC alias on a data source of a private unixODBC configuration), to set beside
// BM_ReportJsonOverAlias.
void BM_ReportJsonOverOdbcAlias(benchmark::State& state)
{
    const QString driver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so");
    if (!QFile::exists(driver)) {
        state.SkipWithError("the PostgreSQL ODBC driver (odbc-postgresql) is not installed");
        return;
    }
    const QString folder = config->path();
    QFile odbcinst(folder + QStringLiteral("/odbcinst.ini"));
    QFile odbc(folder + QStringLiteral("/odbc.ini"));
    QFile aliases(config->filePath(QStringLiteral("korvex/aliases.ini")));
    if (!odbcinst.open(QIODevice::WriteOnly) || !odbc.open(QIODevice::WriteOnly) || !aliases.open(QIODevice::Append)) {
        state.SkipWithError("the unixODBC configuration could not be written");
        return;
    }
    odbcinst.write(QStringLiteral("[KorvexPostgreSQL]\nDriver=%1\n").arg(driver).toUtf8());
    odbc.write(QStringLiteral("[bench]\nDriver=KorvexPostgreSQL\nServername=%1\nPort=5432\nDatabase=%2\n"
                              "Username=%3\nPassword=%4\n")
                   .arg(login.host, login.database, login.user, login.password)
                   .toUtf8());
    aliases.write("[OdbcBench]\nTYPE=ODBC\nODBC DSN=bench\nSCHEMA NAME=bench\n");
    odbcinst.close();
    odbc.close();
    aliases.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
    env.insert(QStringLiteral("ODBCSYSINI"), folder);
    env.insert(QStringLiteral("ODBCINI"), odbc.fileName());
    reportJsonOverAlias(state, env, QStringLiteral("OdbcBench"));
}
BENCHMARK(BM_ReportJsonOverOdbcAlias)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
