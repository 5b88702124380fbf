// Benchmarks of the alias operations the table browser runs: listing the tables of a
// directory alias with 10,000 tables, and reading an aliases file of 100 aliases with the
// database objects made for them, as at start-up; and korvex-report --list-aliases over
// 10,000 aliases.

#include "AliasDatabase.h"
#include "DatabaseEngine.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

using namespace korvex;
using korvex::test::writeFile;

namespace {

// 10,000 tables (half Paradox, half dBASE, mixed case) among 2,000 companion files.
void BM_ListTablesOf10000(benchmark::State& state)
{
    QTemporaryDir dir;
    const QDir tables(dir.filePath("tables"));
    tables.mkpath(".");
    for (int i = 0; i < 10000; ++i)
        writeFile(
            tables.filePath(
                QStringLiteral("TABLE%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(QLatin1String(i % 2 ? "DB" : "dbf"))),
            {});
    for (int i = 0; i < 2000; ++i)
        writeFile(tables.filePath(QStringLiteral("TABLE%1.PX").arg(i, 5, 10, QLatin1Char('0'))), {});
    writeFile(dir.filePath("aliases.ini"), "[Tables]\nPATH=tables\n");
    DatabaseEngine engine;
    engine.loadAliases(dir.path());
    AliasDatabase database(engine, QStringLiteral("Tables"));
    QStringList names;
    for (auto _ : state) {
        if (database.listTables(names) != result::Ok || names.size() != 10000) {
            state.SkipWithError("the tables were not listed");
            return;
        }
        benchmark::DoNotOptimize(names);
    }
}
BENCHMARK(BM_ListTablesOf10000)->Unit(benchmark::kMillisecond);

// Reading 100 aliases (directory and server aliases alternating) and making each one's
// parameters, driver and database object, as the main window does when it starts.
void BM_LoadAliasesOf100(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 100; ++i)
        text += i % 2 ? QStringLiteral("[Server Alias %1]\nTYPE=ODBC\nSERVER NAME=db%1:/data/x\nUSER NAME=clerk\n")
                            .arg(i)
                            .toUtf8()
                      : QStringLiteral("[Directory Alias %1]\nPATH=/srv/tables/%1\n").arg(i).toUtf8();
    writeFile(dir.filePath("aliases.ini"), text);
    DatabaseEngine engine;
    for (auto _ : state) {
        engine.loadAliases(dir.path());
        QStringList names;
        engine.ListAliases(names);
        std::vector<std::unique_ptr<AliasDatabase>> databases;
        for (const auto& name : names) {
            QStringList parameters;
            QString driver;
            engine.ListAliasParameters(name, parameters);
            engine.GetAliasDriver(name, driver);
            databases.push_back(std::make_unique<AliasDatabase>(engine, name));
        }
        if (databases.size() != 100) {
            state.SkipWithError("the aliases were not read");
            return;
        }
        benchmark::DoNotOptimize(databases);
    }
}
BENCHMARK(BM_LoadAliasesOf100)->Unit(benchmark::kMicrosecond);

// What korvex-report --list-aliases does with an aliases file of 10,000 aliases: each
// alias's driver and parameters looked up by its name.
void BM_ListAliasesOf10000(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("[Alias%1]\nPATH=/srv/tables/%1\n").arg(i, 5, 10, QLatin1Char('0')).toUtf8();
    writeFile(dir.filePath("aliases.ini"), text);
    DatabaseEngine engine;
    engine.loadAliases(dir.path());
    for (auto _ : state) {
        QStringList names;
        engine.ListAliases(names);
        qsizetype found = 0;
        for (const auto& name : names) {
            QStringList parameters;
            QString driver;
            if (engine.GetAliasDriver(name, driver) == result::Ok &&
                engine.ListAliasParameters(name, parameters) == result::Ok)
                ++found;
        }
        if (found != 10000) {
            state.SkipWithError("the aliases were not found");
            return;
        }
    }
}
BENCHMARK(BM_ListAliasesOf10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
