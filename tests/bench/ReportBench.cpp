// Benchmarks of whole structure reports printed to PDF: a table of 500 fields with 500
// validity checks (every validity cell rescans every check), and every sample table.

#include "../structure/FakeFormat.h"
#include "QtPrinterDevice.h"
#include "ReportServices.h"
#include "TableFormat.h"
#include "TableReport.h"
#include "TestStandIns.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>

using namespace korvex;

namespace {

// Prints each table of tables (paths) with an engine over formats (knowing the samples'
// password) to PDF files in a fresh folder; answers the pages. With behind, the jobs are
// finished behind on as many threads as there are cores, as korvex-report prints them.
void printAll(benchmark::State& state, std::vector<std::unique_ptr<TableFormat>> formats, const QStringList& tables,
              bool behind = false)
{
    QTemporaryDir out;
    ReportServices services(out.filePath(QStringLiteral("KORVEX20.INI")), std::move(formats));
    services.engine().RegisterPassword(QStringLiteral("123"));
    QtPrinterDevice printer(out.filePath(QStringLiteral("pdf")));
    printer.selectPdfPrinter(out.filePath(QStringLiteral("pdf")));
    test::RecordedMessages messages;
    test::RecordedProgress progress;
    TableLocation& location = services.location();
    TableReporter reporter(services, printer, messages, progress);
    if (behind)
        printer.finishJobsBehind(std::max(QThread::idealThreadCount(), 1));
    int printed = 0;
    for (auto _ : state) {
        for (const auto& path : tables) {
            const QFileInfo info(path);
            location.currentDirectory = info.absolutePath();
            if (reporter.PrintTableReport(info.fileName()) && !behind) {
                ++printed;
                QFile::remove(printer.lastOutputFile());
            }
        }
        for (const FinishedJob& job : printer.takeFinishedJobs(true)) {
            printed += job.error.isEmpty() ? 1 : 0;
            QFile::remove(job.outputFile);
        }
    }
    state.counters["tables"] = double(tables.size());
    state.counters["printed"] = benchmark::Counter(double(printed), benchmark::Counter::kAvgIterations);
}

void BM_Report500Fields500Checks(benchmark::State& state)
{
    TableDefinition def;
    def.tableType = QStringLiteral("PARADOX");
    def.level = 7;
    for (int i = 0; i < 500; ++i) {
        FieldDefinition f;
        f.name = QStringLiteral("Field_%1").arg(i + 1);
        f.type = FieldType::Integer;
        f.key = i < 2;
        def.fields.push_back(f);
        ValidityCheck c;
        c.fieldNumber = std::uint16_t(i + 1);
        c.hasMinimum = c.hasMaximum = c.hasDefault = true;
        slot::putInt32(c.minimum, -i);
        slot::putInt32(c.maximum, i * 1000);
        slot::putInt32(c.defaultValue, i);
        c.picture = "#####";
        def.validityChecks.push_back(c);
    }
    QTemporaryDir dir;
    QFile table(dir.filePath(QStringLiteral("WIDE.FAK")));
    if (!table.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the table");
        return;
    }
    table.write("ok");
    table.close();
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::make_unique<test::FakeFormat>(def));
    printAll(state, std::move(formats), {table.fileName()});
}

BENCHMARK(BM_Report500Fields500Checks)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReportEverySample(benchmark::State& state)
{
    const QString dir = test::samplesDir();
    if (dir.isEmpty()) {
        state.SkipWithError("samples not found");
        return;
    }
    printAll(state, builtInTableFormats(), test::filesWithSuffix(dir, {QStringLiteral(".db"), QStringLiteral(".dbf")}),
             state.range(0) != 0);
}

// Wall time: with jobs finished behind, the main thread's processor time leaves out the
// painting.
BENCHMARK(BM_ReportEverySample)
    ->ArgName("behind")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
