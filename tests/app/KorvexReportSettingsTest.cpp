// korvex-report and the settings file it is given: translations, the file's name, and a
// settings file that cannot be written.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ReportRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ReportSettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        folder = QFileInfo(work.path()).canonicalFilePath();
        table = korvex::test::fixturesDir() + "/dbase/db3_types.dbf";
    }
    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(QDir(folder).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // korvex-report run in the work folder, with a settings folder of its own there.
    ReportRun report(const QStringList& args, QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) const
    {
        env.insert("XDG_CONFIG_HOME", folder + "/config");
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(QStringLiteral(KORVEX_REPORT_EXE), args);
        p.waitForFinished(120000);
        return ReportRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                   QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir work;
    QString folder;
    QString table;
};

} // namespace

TEST_F(ReportSettingsFile, ReportLabelTranslationsArePrinted)
{
    KORVEX_REQUIRE_FIXTURES();
    writeFile("labels.ini", "[Languages]\nCurrent=3\n[Language_2]\nString=Zeichen\nFloat=\nPage:=Seite:\n");
    const ReportRun json = report({"--settings", "labels.ini", "--json", table});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains("\"typeName\": \"Zeichen\"")) << json.out.toStdString();
    EXPECT_TRUE(json.out.contains("\"typeName\": \"\"")) << "an empty translation prints empty";
    EXPECT_FALSE(json.out.contains("\"typeName\": \"String\""));

    const ReportRun print = report({"--settings", "labels.ini", "--trace", "trace.txt", table});
    ASSERT_EQ(print.exitCode, 0) << print.err.toStdString();
    const QString trace = QString::fromUtf8(korvex::test::readWholeFile(folder + "/trace.txt"));
    EXPECT_TRUE(trace.contains("\"Seite: 1\"")) << trace.toStdString();
    EXPECT_TRUE(trace.contains("\"Zeichen\""));
}

TEST_F(ReportSettingsFile, NamedSettingsFileIsNeverLookedForNorMadeInTheSettingsFolder)
{
    KORVEX_REQUIRE_FIXTURES();
    QDir(folder).mkpath("config/korvex");
    writeFile("config/korvex/mine.ini", "[Languages]\nCurrent=2\n[Language_1]\nString=wrong file\n");
    const ReportRun missing = report({"--settings", "mine.ini", "--json", table});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("mine.ini does not exist")) << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder + "/mine.ini"));
    EXPECT_EQ(QDir(folder + "/config/korvex").entryList(QDir::Files), QStringList{"mine.ini"});

    writeFile("mine.ini", "[Languages]\nCurrent=2\n[Language_1]\nString=right file\n");
    const ReportRun present = report({"--settings", "mine.ini", "--json", table});
    EXPECT_EQ(present.exitCode, 0) << present.err.toStdString();
    EXPECT_TRUE(present.out.contains("right file"));
    EXPECT_EQ(report({"--settings", "config", "--json", table}).exitCode, 2) << "a folder is no settings file";
}

TEST_F(ReportSettingsFile, SettingsFileOnAFullDiskFailsThePrintAndStaysWhole)
{
    KORVEX_REQUIRE_FIXTURES();
    QDir(folder).mkdir("full");
    const QByteArray old = "[Options]\nPortrait=1\n[Passwords]\nPassword_0=keep me\n";
    writeFile("full/KORVEX20.INI", old);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", QStringLiteral(FULL_DISK_SHIM));
    env.insert("KORVEX_FULL_DISK_DIR", folder + "/full");
    env.insert("KORVEX_FULL_DISK_CALLS", "write");
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    // Printing writes OffsetFirstField and IndexChar back into the file.
    const ReportRun run = report({"--settings", "full/KORVEX20.INI", "--trace", "trace.txt", table}, env);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Kann nicht nach " + folder + "/full/KORVEX20.INI schreiben")) << run.err.toStdString();
    EXPECT_EQ(korvex::test::readWholeFile(folder + "/full/KORVEX20.INI"), old);
}
