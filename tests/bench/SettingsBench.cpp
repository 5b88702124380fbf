// Benchmarks of the settings file with a [Passwords] section of 20,000 keys: the password
// list loaded as at start-up, and the option reads of one printed table.

#include "PasswordList.h"
#include "ReportSettings.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

class PasswordFile {
public:
    PasswordFile()
    {
        QByteArray text = "[Options]\nOffsetFirstField=0\nIndexChar=*\n\n[Passwords]\n";
        for (int i = 0; i < 20000; ++i)
            text += "Password_" + QByteArray::number(i) + "=secret" + QByteArray::number(i) + "\n";
        QFile f(dir_.filePath("KORVEX20.INI"));
        ok_ = f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    }
    bool ok() const { return ok_; }
    QString path() const { return dir_.filePath("KORVEX20.INI"); }

private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

void BM_LoadPasswordsFrom20000Keys(benchmark::State& state)
{
    const PasswordFile file;
    const SettingsFile settings(file.path());
    for (auto _ : state) {
        const QStringList passwords = loadPasswordList(settings);
        if (!file.ok() || passwords.isEmpty()) {
            state.SkipWithError("no passwords were read");
            return;
        }
        benchmark::DoNotOptimize(passwords);
    }
}
BENCHMARK(BM_LoadPasswordsFrom20000Keys)->Unit(benchmark::kMillisecond);

void BM_ReportSettingsBeside20000Passwords(benchmark::State& state)
{
    const PasswordFile file;
    SettingsFile settings(file.path());
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadReportSettings(settings));
}
BENCHMARK(BM_ReportSettingsBeside20000Passwords)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
