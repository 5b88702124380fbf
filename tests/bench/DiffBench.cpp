// korvex-report --diff of two folders of 2,000 tables each, as a user compares two
// snapshots of a large application's data folder: half of them Paradox tables written by
// pxlib (the fixture writer), half dBASE tables written by python3-dbf, one table in a
// hundred changed between the two.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int TablesPerFormat = 1000;

int run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode();
}

// The two folders under root ("before" and "after"), each table a copy of one the writers
// wrote; answers whether every table was written.
bool writeFolders(const QDir& root)
{
    if (run(QStringLiteral(KORVEX_PARADOX_WRITER), {root.filePath("paradox")}) != 0)
        return false;
    root.mkpath("dbase");
    const QString script = QStringLiteral(R"(import dbf, sys
for name, fields in (('PLAIN', 'NAME C(20); QTY N(5,0); WHEN D; PAID L'),
                     ('WIDER', 'NAME C(30); QTY N(8,2); WHEN D; PAID L; NOTE C(40)')):
    t = dbf.Table(sys.argv[1] + '/' + name + '.DBF', fields, dbf_type='db3')
    t.open(dbf.READ_WRITE)
    t.close()
)");
    if (run(QStringLiteral("/usr/bin/python3"), {"-c", script, root.filePath("dbase")}) != 0)
        return false;
    for (const char* side : {"before", "after"}) {
        root.mkpath(side);
        const bool after = QLatin1String(side) == QLatin1String("after");
        for (int i = 0; i < TablesPerFormat; ++i) {
            const bool changed = after && i % 100 == 0;
            const QString paradox = changed ? "paradox/everytype_unkeyed.db" : "paradox/everytype_keyed.db";
            const QString dbase = changed ? "dbase/WIDER.DBF" : "dbase/PLAIN.DBF";
            const QString number = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
            if (!QFile::copy(root.filePath(paradox), root.filePath(QStringLiteral("%1/P%2.db").arg(side, number))) ||
                !QFile::copy(root.filePath(dbase), root.filePath(QStringLiteral("%1/D%2.DBF").arg(side, number))))
                return false;
        }
    }
    return true;
}

void BM_DiffOfTwoFoldersOf2000Tables(benchmark::State& state)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    if (!writeFolders(root)) {
        state.SkipWithError("the tables were not written");
        return;
    }
    for (auto _ : state) {
        // 1: the folders differ, as they should
        if (run(QStringLiteral(KORVEX_REPORT_EXE), {"--diff", root.filePath("before"), root.filePath("after")}) != 1) {
            state.SkipWithError("korvex-report --diff failed");
            return;
        }
    }
}
BENCHMARK(BM_DiffOfTwoFoldersOf2000Tables)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
