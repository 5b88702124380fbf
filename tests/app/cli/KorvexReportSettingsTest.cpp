// korvex-report and the settings file it is given: translations, the file's name, and a
// file that cannot be written.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using korvex::test::readWholeFile;
using korvex::test::writeFile;

namespace {

struct ReportRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// korvex-report in a work folder with a settings folder of its own there.
class ReportSettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        QDir(folder_).mkpath("config/korvex");
    }
    QString pathOf(const QString& name) const { return folder_ + '/' + name; }
    ReportRun report(const QStringList& args, QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) const
    {
        env.insert("XDG_CONFIG_HOME", folder_ + "/config");
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder_);
        p.start(QStringLiteral(KORVEX_REPORT_EXE), args + QStringList{table_});
        p.waitForFinished(120000);
        return ReportRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                         QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir work_;
    const QString folder_ = QFileInfo(work_.path()).canonicalFilePath();
    const QString table_ = korvex::test::fixturesDir() + "/dbase/db3_types.dbf";
};

} // namespace

TEST_F(ReportSettingsFile, ReportLabelTranslationsArePrinted)
{
    KORVEX_REQUIRE_FIXTURES();
    ASSERT_TRUE(writeFile(pathOf("labels.ini"),
                          "[Languages]\nCurrent=3\n[Language_2]\nString=Zeichen\nFloat=\nPage:=Seite:\n"));
    const auto json = report({"--settings", "labels.ini", "--json"});
    EXPECT_TRUE(json.out.contains("\"typeName\": \"Zeichen\"")) << json.out.toStdString();
    EXPECT_TRUE(json.out.contains("\"typeName\": \"\"")) << "an empty translation prints empty";

    EXPECT_EQ(report({"--settings", "labels.ini", "--trace", "trace.txt"}).exitCode, 0);
    EXPECT_TRUE(readWholeFile(pathOf("trace.txt")).contains("\"Seite: 1\""));
}

TEST_F(ReportSettingsFile, NamedSettingsFileIsNeverLookedForNorMadeInTheSettingsFolder)
{
    KORVEX_REQUIRE_FIXTURES();
    ASSERT_TRUE(
        writeFile(pathOf("config/korvex/mine.ini"), "[Languages]\nCurrent=2\n[Language_1]\nString=wrong file\n"));
    const auto missing = report({"--settings", "mine.ini", "--json"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("mine.ini does not exist")) << missing.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder_ + "/mine.ini"));

    ASSERT_TRUE(writeFile(pathOf("mine.ini"), "[Languages]\nCurrent=2\n[Language_1]\nString=right file\n"));
    EXPECT_TRUE(report({"--settings", "mine.ini", "--json"}).out.contains("right file"));
    EXPECT_EQ(report({"--settings", "config", "--json"}).exitCode, 2) << "a folder is no settings file";
}

// The disk is full for one call (write, fsync, rename), or after some bytes were written.
class FullDiskReport : public ReportSettingsFile, public ::testing::WithParamInterface<const char*> {};

TEST_P(FullDiskReport, FullDiskNoLongerEmptiesTheSettingsFile)
{
    KORVEX_REQUIRE_FIXTURES();
    // Printing writes OffsetFirstField and IndexChar back: a settings save.
    const QByteArray old = "[Options]\nPortrait=1\n[Passwords]\nPassword_0=keep me\n";
    ASSERT_TRUE(writeFile(pathOf("config/korvex/KORVEX20.INI"), old));
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", QStringLiteral(FULL_DISK_SHIM));
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    env.insert("KORVEX_FULL_DISK_DIR", folder_ + "/config/korvex");
    env.insert("KORVEX_FULL_DISK_CALLS", QString(GetParam()).section(':', 0, 0));
    env.insert("KORVEX_FULL_DISK_ROOM", QString(GetParam()).section(':', 1));
    const auto run = report({"--trace", "trace.txt"}, env);
    // The print goes on with the values read, and says once why they were not written.
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString warning = "korvex-report: warning: Kann nicht nach " + folder_ +
                            "/config/korvex/KORVEX20.INI schreiben (No space";
    EXPECT_EQ(run.err.count(warning), 1) << run.err.toStdString();
    EXPECT_EQ(readWholeFile(pathOf("config/korvex/KORVEX20.INI")).toStdString(), old.toStdString());
    EXPECT_EQ(QDir(folder_ + "/config/korvex").entryList(QDir::Files | QDir::Hidden), QStringList{"KORVEX20.INI"});
}

INSTANTIATE_TEST_SUITE_P(Calls, FullDiskReport, ::testing::Values("write:0", "write:40", "fsync:0", "rename:0"),
                         [](const auto& c) { return QString(c.param).replace(':', '_').toStdString(); });
