// A save that meets a full disk: the settings file is written by a small program with a
// preload library that makes write(), fsync() or rename() fail with ENOSPC in one folder.

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    int exitCode = -1;
    QString err;
};

// The probe writes a new header text into folder/KORVEX20.INI while the disk is full in
// fullFolder for the calls named.
ProbeRun writeWithFullDisk(const QString& folder, const QString& fullFolder, const char* calls, int room = 0)
{
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", QStringLiteral(FULL_DISK_SHIM));
    env.insert("KORVEX_FULL_DISK_DIR", fullFolder);
    env.insert("KORVEX_FULL_DISK_CALLS", calls);
    env.insert("KORVEX_FULL_DISK_ROOM", QString::number(room));
    // The sanitizers' runtime need not come first when the library is preloaded.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SETTINGS_WRITE_PROBE),
            {folder + "/KORVEX20.INI", "Options", "Main_Header_Text", QString(300, QLatin1Char('n'))});
    p.waitForFinished(30000);
    return ProbeRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

struct FullDiskCase {
    const char* name;
    const char* calls;
    int room;  // bytes that still fit
};

class SettingsFullDisk : public ::testing::TestWithParam<FullDiskCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = QFileInfo(dir.path()).canonicalFilePath();
        QFile f(folder + "/KORVEX20.INI");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    QByteArray stored() const { return korvex::test::readWholeFile(folder + "/KORVEX20.INI"); }

    const QByteArray old = "[Options]\nMain_Header_Text=old title\n[Passwords]\nPassword_0=keep me\n";
    QTemporaryDir dir;
    QString folder;
};

} // namespace

TEST_P(SettingsFullDisk, FullDiskNoLongerEmptiesTheSettingsFile)
{
    const ProbeRun run = writeWithFullDisk(folder, folder, GetParam().calls, GetParam().room);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.err.toStdString(), ("Kann nicht nach " + folder + "/KORVEX20.INI schreiben\n").toStdString());
    EXPECT_EQ(stored().toStdString(), old.toStdString());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"KORVEX20.INI"})
        << "no half-written file is left beside it";
}

INSTANTIATE_TEST_SUITE_P(Calls, SettingsFullDisk,
                         ::testing::Values(FullDiskCase{"write", "write", 0},
                                           FullDiskCase{"writeAfterSomeBytes", "write", 40},
                                           FullDiskCase{"fsync", "fsync", 0}, FullDiskCase{"rename", "rename", 0}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(SettingsFullDisk, SaveWithRoomElsewhereWritesTheFile)
{
    QTemporaryDir other;
    const ProbeRun run = writeWithFullDisk(folder, QFileInfo(other.path()).canonicalFilePath(), "write,fsync,rename");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(stored().contains("Main_Header_Text=" + QByteArray(300, 'n') + "\n"));
    EXPECT_TRUE(stored().contains("Password_0=keep me\n"));
}
