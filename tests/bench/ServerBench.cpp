// Reading a PostgreSQL database of 1,000 tables (10 fields, 2 indexes and 1 foreign key
// each) from its catalog. Needs the private cluster:
//   sh tests/support/postgres.sh start /tmp/pg.state
//   KORVEX_PG_STATE=/tmp/pg.state build/bench/tests/bench/bench_server
//   sh tests/support/postgres.sh stop /tmp/pg.state

#include "PostgresCatalog.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>

using namespace korvex::server;

namespace {

constexpr int TableCount = 1000;

QSqlDatabase openCluster()
{
    QFile file(QString::fromLocal8Bit(qgetenv("KORVEX_PG_STATE")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    PostgresLogin login;
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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    database = QSqlDatabase();
    return 0;
}
