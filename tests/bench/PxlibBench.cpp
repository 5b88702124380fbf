// pxlib (an independent Paradox library) reading the same headers as our engine, for
// comparison with BM_ReadAllSamples/paradox.

extern "C" {
#include <paradox.h>
}

#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void quiet(pxdoc_t*, int, const char*, void*)
{}

void BM_PxlibReadParadoxHeaders(benchmark::State& state)
{
    const QString dir = korvex::test::samplesDir();
    if (dir.isEmpty()) {
        state.SkipWithError("samples not found");
        return;
    }
    const QStringList tables = korvex::test::filesWithSuffix(dir, {QStringLiteral(".db")});
    PX_boot();
    for (auto _ : state) {
        int fields = 0;
        for (const auto& path : tables) {
            std::FILE* fp = std::fopen(path.toLocal8Bit().constData(), "rb");
            if (fp == nullptr)
                continue;
            pxdoc_t* doc = PX_new2(quiet, nullptr, nullptr, nullptr);
            if (PX_open_fp(doc, fp) == 0) {
                const int n = PX_get_num_fields(doc);
                pxfield_t* f = PX_get_fields(doc);
                for (int i = 0; i < n; ++i)
                    benchmark::DoNotOptimize(f[i].px_fname);
                fields += n;
                PX_close(doc);
            }
            PX_delete(doc);
            std::fclose(fp);
        }
        benchmark::DoNotOptimize(fields);
    }
    PX_shutdown();
    state.counters["tables"] = double(tables.size());
}

BENCHMARK(BM_PxlibReadParadoxHeaders)->Unit(benchmark::kMillisecond);

} // namespace
