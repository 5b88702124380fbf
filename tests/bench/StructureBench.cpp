// Benchmarks of reading table structures: opening and reading every sample table, and the
// report's validity reads (every one of the four validity columns of every field rescans
// every check of the table).

#include "../structure/FakeFormat.h"
#include "DatabaseEngine.h"
#include "TableStructure.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <optional>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

QString identity(const QString& s)
{
    return s;
}

// Opens every table file under the samples folder and builds all its texts, as the report
// and the JSON output do.
// inRun: inside one engine run, as the command line and the print run read their tables
// (each directory listed once for the run instead of once per table).
void BM_ReadAllSamples(benchmark::State& state, QStringList suffixes, bool inRun = false)
{
    const QString dir = test::samplesDir();
    if (dir.isEmpty()) {
        state.SkipWithError("samples not found");
        return;
    }
    const QStringList tables = test::filesWithSuffix(dir, suffixes);
    DatabaseEngine engine;
    engine.RegisterPassword(QStringLiteral("123"));
    FieldDescriptorBuffer descriptors;
    for (auto _ : state) {
        std::optional<DatabaseEngine::Run> run;
        if (inRun)
            run.emplace(engine);
        int opened = 0;
        for (const auto& path : tables) {
            TableSource source(engine);
            try {
                source.open(QString(), path);
                source.refreshIndexDefinitions();
                const auto props = source.properties();
                if (!source.readFieldDescriptors(descriptors))
                    continue;
                const auto structure = TableStructure::from(path, props, source, descriptors);
                const StructureTexts texts(source, structure, identity);
                for (const auto& f : structure.fields) {
                    benchmark::DoNotOptimize(texts.ValidityText(f, ValidityValue::Minimum));
                    benchmark::DoNotOptimize(texts.PictureText(f));
                }
                ++opened;
            } catch (const EngineError&) {
            }
        }
        benchmark::DoNotOptimize(opened);
    }
    state.counters["tables"] = double(tables.size());
}

BENCHMARK_CAPTURE(BM_ReadAllSamples, paradox, QStringList{QStringLiteral(".db")})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAllSamples, dbase, QStringList{QStringLiteral(".dbf")})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAllSamples, paradox_in_one_run, QStringList{QStringLiteral(".db")}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAllSamples, dbase_in_one_run, QStringList{QStringLiteral(".dbf")}, true)
    ->Unit(benchmark::kMillisecond);

// 500 fields and 500 checks: the four validity columns of every field make 4 * f * c
// check comparisons (one million); the checks are read from the engine once.
void BM_ValidityReads500x500(benchmark::State& state)
{
    TableDefinition def;
    def.tableType = QStringLiteral("FAKE");
    for (int i = 0; i < 500; ++i) {
        FieldDefinition f;
        f.name = QStringLiteral("F%1").arg(i);
        f.type = FieldType::Integer;
        def.fields.push_back(f);
        ValidityCheck c;
        c.fieldNumber = std::uint16_t(i + 1);
        c.hasMinimum = c.hasMaximum = c.hasDefault = true;
        slot::putInt32(c.minimum, -i);
        slot::putInt32(c.maximum, i);
        slot::putInt32(c.defaultValue, 0);
        c.picture = "###";
        def.validityChecks.push_back(c);
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("wide.fak")));
    if (!file.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the table");
        return;
    }
    file.write("ok");
    file.close();

    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::make_unique<test::FakeFormat>(def));
    DatabaseEngine engine(std::move(formats));
    TableSource source(engine);
    source.open(dir.path(), QStringLiteral("wide.fak"));
    FieldDescriptorBuffer descriptors;
    source.readFieldDescriptors(descriptors);
    const auto structure = TableStructure::from(QStringLiteral("wide.fak"), source.properties(), source, descriptors);
    const StructureTexts texts(source, structure, identity);
    for (auto _ : state) {
        for (const auto& f : structure.fields) {
            benchmark::DoNotOptimize(texts.ValidityText(f, ValidityValue::Minimum));
            benchmark::DoNotOptimize(texts.ValidityText(f, ValidityValue::Maximum));
            benchmark::DoNotOptimize(texts.ValidityText(f, ValidityValue::Default));
            benchmark::DoNotOptimize(texts.PictureText(f));
        }
    }
    state.counters["reads"] = 4.0 * 500 * 500;
}

BENCHMARK(BM_ValidityReads500x500)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
