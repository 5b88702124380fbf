// korvex-report is two programs: the command itself, which dumps structures with Qt Core
// alone, and korvex-report-print, which it runs in its place to print.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args, const QString& workDir, const QStringList& extraEnv = {})
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", workDir + "/config");
    env.insert("LC_ALL", "C");
    for (const auto& setting : extraEnv)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(program, args);
    p.waitForFinished(120000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError())};
}

// The shared libraries the dynamic loader initialised, one path each.
QStringList loadedLibraries(const QString& loaderTrace)
{
    QStringList libraries;
    for (const auto& line : loaderTrace.split('\n'))
        if (const auto at = line.indexOf(QLatin1String("calling init: ")); at >= 0)
            libraries << line.mid(at + 14).trimmed();
    return libraries;
}

QString fixtureTable()
{
    return korvex::test::fixturesDir() + "/dbase/db3_types.dbf";
}

} // namespace

TEST(ReportPrograms, TheStructureDumpLoadsQtCoreOnly)
{
    KORVEX_REQUIRE_FIXTURES();
    QTemporaryDir work;
    const auto dump = run(KORVEX_REPORT_EXE, {"--json", fixtureTable()}, work.path(), {"LD_DEBUG=libs"});
    ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    EXPECT_TRUE(dump.out.contains("\"fieldCount\""));
    const QStringList libraries = loadedLibraries(dump.err);
    EXPECT_EQ(libraries.filter("libQt6Core").size(), 1) << libraries.join('\n').toStdString();
    for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libQt6PrintSupport", "libQt6DBus", "libcups"})
        EXPECT_TRUE(libraries.filter(gui).isEmpty()) << gui << " loaded:\n" << libraries.join('\n').toStdString();

    // printing goes to the printing program, which does load them
    const auto print = run(KORVEX_REPORT_EXE, {"--trace", "t.txt", fixtureTable()}, work.path(), {"LD_DEBUG=libs"});
    ASSERT_EQ(print.exitCode, 0) << print.err.toStdString();
    EXPECT_FALSE(loadedLibraries(print.err).filter("libQt6PrintSupport").isEmpty());
}

TEST(ReportPrograms, WithoutThePrintingProgramPrintingFailsAndSaysWhy)
{
    KORVEX_REQUIRE_FIXTURES();
    QTemporaryDir work;
    const QString alone = work.filePath("bin/korvex-report");
    ASSERT_TRUE(QDir().mkpath(work.filePath("bin")));
    ASSERT_TRUE(QFile::copy(KORVEX_REPORT_EXE, alone));

    const auto print = run(alone, {"--out", "pdfs", fixtureTable()}, work.path());
    EXPECT_EQ(print.exitCode, 1);
    EXPECT_TRUE(print.err.contains("korvex-report-print")) << print.err.toStdString();
    EXPECT_FALSE(QDir(work.filePath("pdfs")).exists());
    // the structure dump needs nothing beside the program
    EXPECT_EQ(run(alone, {"--json", fixtureTable()}, work.path()).exitCode, 0);
}

TEST(ReportPrograms, AnInstalledTreePrintsFromWhereverItIs)
{
    KORVEX_REQUIRE_FIXTURES();
    QTemporaryDir work;
    const auto install = run(CMAKE_COMMAND, {"--install", KORVEX_BUILD_DIR, "--prefix", work.filePath("prefix")},
                             work.path());
    ASSERT_EQ(install.exitCode, 0) << install.out.toStdString() << install.err.toStdString();
    // moved after installing: the printing program is found relative to the command
    ASSERT_TRUE(QDir().rename(work.filePath("prefix"), work.filePath("moved")));
    const auto print = run(work.filePath("moved/bin/korvex-report"), {"--out", "pdfs", fixtureTable()}, work.path());
    ASSERT_EQ(print.exitCode, 0) << print.err.toStdString();
    EXPECT_TRUE(QFile::exists(work.filePath("pdfs/Korvex - db3_types.dbf.pdf"))) << print.out.toStdString();
}
