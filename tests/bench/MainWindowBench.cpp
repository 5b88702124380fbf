// Benchmarks of the application's window: starting the program with 100 aliases until its
// main window is on the screen, and rebuilding the table list of a directory with 10,000
// tables (reading the directory, the dates of every file, and laying out the list).

#include "FileListBox.h"
#include "Program.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace korvex;
using korvex::test::writeFile;

namespace {

// A settings folder whose aliases file holds 100 aliases, directory and server aliases
// alternating; the program's own settings file lives there too.
void BM_StartUpWith100Aliases(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray aliases;
    for (int i = 0; i < 100; ++i)
        aliases += i % 2 ? QStringLiteral("[Server %1]\nTYPE=ODBC\nSERVER NAME=db%1:/data\n").arg(i).toUtf8()
                         : QStringLiteral("[Tables %1]\nPATH=%2\n").arg(i).arg(dir.path()).toUtf8();
    writeFile(dir.filePath("aliases.ini"), aliases);
    Program::Options options;
    options.settingsPath = dir.filePath("KORVEX20.INI");
    options.pdfFolder = dir.filePath("pdf");
    for (auto _ : state) {
        Program program(options);
        program.mainWindow().show();
        if (!QTest::qWaitForWindowExposed(&program.mainWindow()) || program.mainWindow().aliasNames().size() != 100) {
            state.SkipWithError("the window did not come up with its aliases");
            return;
        }
        QCoreApplication::processEvents();
        state.PauseTiming();
        program.mainWindow().close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpWith100Aliases)->Unit(benchmark::kMillisecond)->Iterations(5);

// 10,000 tables, half Paradox, half dBASE, in the directory the program starts in.
void BM_RebuildTableListOf10000(benchmark::State& state)
{
    QTemporaryDir dir;
    const QDir tables(dir.filePath("tables"));
    tables.mkpath(".");
    for (int i = 0; i < 10000; ++i)
        writeFile(
            tables.filePath(
                QStringLiteral("TABLE%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(QLatin1String(i % 2 ? "DB" : "dbf"))),
            {});
    writeFile(dir.filePath("KORVEX20.INI"), "[System]\nLastDirectory=" + tables.path().toUtf8() + "\n");
    Program::Options options;
    options.settingsPath = dir.filePath("KORVEX20.INI");
    options.pdfFolder = dir.filePath("pdf");
    Program program(options);
    program.mainWindow().show();
    if (!QTest::qWaitForWindowExposed(&program.mainWindow())) {
        state.SkipWithError("no window");
        return;
    }
    auto* files = program.mainWindow().findChild<FileListBox*>("FileListBox1");
    auto* list = program.mainWindow().findChild<TableListView*>("ListViewTables");
    for (auto _ : state) {
        files->read();                     // the directory anew, then the table list
        QCoreApplication::processEvents(); // the view lays the entries out
        if (list->count() != 10000) {
            state.SkipWithError("the tables were not listed");
            return;
        }
    }
    program.mainWindow().close();
}
BENCHMARK(BM_RebuildTableListOf10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Program::prepareApplication();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
