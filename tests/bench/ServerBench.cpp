// Reading a PostgreSQL database of 1,000 tables (10 fields, 2 indexes and 1 foreign key
// each) from its catalog, and korvex-report --json over it through an alias; listing the
// 10,000 tables of another schema through the engine as the browser does. Needs the
// private cluster:
//   sh tests/support/postgres.sh start /tmp/pg.state
//   KORVEX_PG_STATE=/tmp/pg.state build/bench/tests/bench/bench_server
//   sh tests/support/postgres.sh stop /tmp/pg.state

#include "CatalogDatabase.h"
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
    QFile file(QString::fromLocal8Bit(qgetenv("KORVEX_PG_STATE")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).remove(u'\'');
        const QString key = text.section(u'=', 0, 0);
        const QString value = text.section(u'=', 1);
        if (key == u"KORVEX_PG_HOST")
            login.host = value;
        else if (key == u"KORVEX_PG_DATABASE")
            login.database = value;
        else if (key == u"KORVEX_PG_USER")
            login.user = value;
        else if (key == u"KORVEX_PG_PASSWORD")
            login.password = value;
    }
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

// A run of the program as a user starts it: connecting, listing, reading and writing the
// JSON of all 1,000 tables.
void BM_ReportJsonOverAlias(benchmark::State& state)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config->path());
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVEX_REPORT_EXE),
                {QStringLiteral("--alias"), QStringLiteral("Bench"), QStringLiteral("--json")});
        p.waitForFinished(-1);
        const QByteArray out = p.readAllStandardOutput();
        if (p.exitCode() != 0 || out.count("\"ok\": true") != TableCount) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
    }
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
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVEX_REPORT_EXE),
                {QStringLiteral("--alias"), QStringLiteral("OdbcBench"), QStringLiteral("--json")});
        p.waitForFinished(-1);
        const QByteArray out = p.readAllStandardOutput();
        if (p.exitCode() != 0 || out.count("\"ok\": true") != TableCount) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
    }
}
BENCHMARK(BM_ReportJsonOverOdbcAlias)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
