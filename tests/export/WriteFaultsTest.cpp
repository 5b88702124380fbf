// What korvex-report and tbls-driver-korvex write when the machine is against them: a full
// or failing disk (the full-disk shim), standard output on /dev/full, symbolic links and
// crafted names in the output folder, mistyped arguments and signals. Whatever fails, what
// was there stays, nothing is left behind, and the message says what happened.

#include "DemoDatabase.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <map>

#include <csignal>

namespace {

using korvex::test::writeFile;

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

const QString Report = QStringLiteral(KORVEX_REPORT_EXE);

// Runs a program in folder with the C locale and its settings in folder/config; env adds
// variables, output sends standard output to a file.
Outcome run(const QString& program, const QStringList& args, const QString& folder, const QStringList& env = {},
            const QString& output = {})
{
    QProcess p;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    environment.insert("XDG_CONFIG_HOME", QDir(folder).filePath("config"));
    for (const auto& e : env)
        environment.insert(e.section('=', 0, 0), e.section('=', 1));
    p.setProcessEnvironment(environment);
    p.setWorkingDirectory(folder);
    if (!output.isEmpty())
        p.setStandardOutputFile(output);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// Every entry of a folder, hidden ones too, with the bytes of the files.
std::map<QString, QByteArray> entriesOf(const QString& folder)
{
    std::map<QString, QByteArray> entries;
    for (const auto& name :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        entries[name] = korvex::test::readWholeFile(QDir(folder).filePath(name));
    return entries;
}

// The shim that makes folder look full for the calls ("write", "fsync", "rename"...).
QStringList fullDisk(const QString& folder, const QString& calls, const QString& room = "0")
{
    return {"LD_PRELOAD=" FULL_DISK_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0", "KORVEX_FULL_DISK_DIR=" + folder,
            "KORVEX_FULL_DISK_CALLS=" + calls, "KORVEX_FULL_DISK_ROOM=" + room};
}

// The demo database in work/demo, made once for the suite.
class WriteFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        work_ = new QTemporaryDir;
        made_ = new QString(korvex::test::makeDemoDatabase(work_->filePath("demo")));
    }
    static void TearDownTestSuite()
    {
        delete made_;
        delete work_;
    }
    void SetUp() override { ASSERT_EQ(*made_, QString()); }
    static QString work() { return QFileInfo(work_->path()).canonicalFilePath(); }
    static QString path(const QString& name) { return QDir(work()).filePath(name); }

    // The Markdown of the demo in folder, every file then marked as the earlier one.
    static std::map<QString, QByteArray> earlierMarkdown(const QString& folder)
    {
        const Outcome first = run(Report, {"--markdown", folder, "demo"}, work());
        EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
        for (const auto& [name, bytes] : entriesOf(path(folder)))
            EXPECT_TRUE(writeFile(QDir(path(folder)).filePath(name), "earlier " + name.toUtf8()));
        return entriesOf(path(folder));
    }

    static QTemporaryDir* work_;
    static QString* made_;
};
QTemporaryDir* WriteFaults::work_ = nullptr;
QString* WriteFaults::made_ = nullptr;

// calls:count[:EIO]; for rename the count is the renames that go through before one fails.
class FullDiskMarkdown : public WriteFaults, public ::testing::WithParamInterface<const char*> {};

TEST_P(FullDiskMarkdown, AFullDiskDuringMarkdownLeavesTheEarlierDocuments)
{
    const QStringList param = QString(GetParam()).split(':');
    const QString folder = "md-" + param.join('-');
    const auto earlier = earlierMarkdown(folder);
    ASSERT_EQ(earlier.size(), 7u);
    QStringList env = fullDisk(path(folder), param[0], param[1]);
    if (param[0] == "rename")
        env << "KORVEX_FULL_DISK_RENAMES=" + param[1];
    if (param.size() > 2)
        env << "KORVEX_FULL_DISK_ERROR=" + param[2];
    const Outcome r = run(Report, {"--markdown", folder, "demo"}, work(), env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(param.size() > 2 ? "Input/output error" : "No space left on device"))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(entriesOf(path(folder)), earlier) << "the earlier set, whole, and nothing else";
}

INSTANTIATE_TEST_SUITE_P(Calls, FullDiskMarkdown,
                         ::testing::Values("write:0", "write:5000", "fsync:0", "rename:0", "rename:5", "write:0:EIO"),
                         [](const auto& c) { return QString(c.param).replace(':', '_').toStdString(); });

TEST_F(WriteFaults, MarkdownNeverWritesThroughASymbolicLinkNorOutsideItsFolder)
{
    ASSERT_TRUE(writeFile(path("victim.txt"), "victim"));
    for (const QString& target : QStringList{path("victim.txt"), path("created.txt")}) {
        const auto earlier = earlierMarkdown("md-link");
        QFile::remove(path("md-link/ORDERS.DB.md"));
        ASSERT_TRUE(QFile::link(target, path("md-link/ORDERS.DB.md")));
        const auto linked = entriesOf(path("md-link"));
        const Outcome r = run(Report, {"--markdown", "md-link", "demo"}, work());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("ORDERS.DB.md: it is a symbolic link")) << r.err.toStdString();
        EXPECT_EQ(entriesOf(path("md-link")), linked);
        EXPECT_TRUE(QFileInfo(path("md-link/ORDERS.DB.md")).isSymLink());
        ASSERT_TRUE(QDir(path("md-link")).removeRecursively());
    }
    EXPECT_EQ(korvex::test::readWholeFile(path("victim.txt")), "victim");
    EXPECT_FALSE(QFileInfo::exists(path("created.txt")));

    // An alias's table named with a path out of the alias's folder.
    ASSERT_TRUE(QDir().mkpath(path("config/korvex")));
    ASSERT_TRUE(writeFile(path("config/korvex/aliases.ini"), ("[Demo]\nPATH=" + path("demo") + "\n").toUtf8()));
    const Outcome out = run(Report, {"--alias", "Demo", "--markdown", "md-alias", "../victim/ORDERS.DB"}, work());
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_TRUE(out.err.contains("not a table name of the alias Demo")) << out.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("md-alias")));
}

TEST_F(WriteFaults, AMistypedArgumentLeavesTheBookAndTheReadmeAsTheyWere)
{
    ASSERT_EQ(run(Report, {"--book", "good.pdf", "demo"}, work()).exitCode, 0);
    const QByteArray good = korvex::test::readWholeFile(path("good.pdf"));
    const auto earlier = earlierMarkdown("md-typo");
    ASSERT_TRUE(QDir().mkpath(path("empty")));
    ASSERT_TRUE(QDir().mkpath(path("junk")));
    ASSERT_TRUE(writeFile(path("junk/NOTES.DB"), "not a table at all"));
    for (const QString& argument : QStringList{"demoo", "empty", "junk"}) {
        const Outcome book = run(Report, {"--book", "good.pdf", argument}, work());
        EXPECT_EQ(book.exitCode, 1) << argument.toStdString();
        EXPECT_EQ(korvex::test::readWholeFile(path("good.pdf")), good) << argument.toStdString();
        const Outcome md = run(Report, {"--markdown", "md-typo", argument}, work());
        EXPECT_EQ(md.exitCode, 1) << argument.toStdString();
        EXPECT_EQ(entriesOf(path("md-typo")), earlier) << argument.toStdString();
        EXPECT_TRUE(md.out.isEmpty());
    }
    EXPECT_TRUE(run(Report, {"--book", "x.pdf", "demoo"}, work()).err.contains("demoo: no such file or directory"));

    // A book that could not be written is found out before the tables are printed.
    ASSERT_TRUE(writeFile(path("plain"), "a file"));
    const Outcome nowhere = run(Report, {"--book", "plain/book.pdf", "demo"}, work());
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_TRUE(nowhere.err.contains("plain")) << nowhere.err.toStdString();
    const Outcome unnamed = run(Report, {"--markdown", "", "demo"}, work());
    EXPECT_EQ(unnamed.exitCode, 2);
    EXPECT_FALSE(unnamed.err.contains("QDir")) << unnamed.err.toStdString();
}

TEST_F(WriteFaults, StandardOutputThatCannotBeWrittenIsAnError)
{
    for (const QStringList& args :
         {QStringList{"--json", "demo"}, QStringList{"--format", "tbls", "demo"},
          QStringList{"--markdown", "md-full-out", "demo"}, QStringList{"--ddl", "postgresql", "demo"},
          QStringList{"--ddl", "sqlite", "demo"}}) {
        const Outcome r = run(Report, args, work(), {}, "/dev/full");
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("korvex-report: standard output cannot be written: No space left on device"))
            << r.err.toStdString();
    }
    const Outcome driver = run(TBLS_DRIVER_EXE, {}, work(), {"TBLS_DSN=korvex://" + path("demo")}, "/dev/full");
    EXPECT_EQ(driver.exitCode, 1);
    EXPECT_TRUE(driver.err.contains("tbls-driver-korvex: standard output cannot be written"))
        << driver.err.toStdString();

    // tbls runs its driver without arguments; one it does not know is a mistake.
    EXPECT_EQ(run(TBLS_DRIVER_EXE, {"--verbose"}, work()).exitCode, 2);
    EXPECT_EQ(run(TBLS_DRIVER_EXE, {"--help"}, work()).exitCode, 0);
}

TEST_F(WriteFaults, AFullTemporaryFolderIsNoChangedTableAndLeavesNothing)
{
    ASSERT_TRUE(QDir().mkpath(path("tmp-full")));
    const Outcome r = run(Report, {"--book", "full.pdf", "demo"}, work(),
                          fullDisk(path("tmp-full"), "write") << "TMPDIR=" + path("tmp-full"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.contains("changed while")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no space is left in the folder")) << r.err.toStdString();
    EXPECT_TRUE(entriesOf(path("tmp-full")).empty());
    EXPECT_FALSE(QFileInfo::exists(path("full.pdf")));
}

// A full target gave "Unknown error", and a PDF per table came out cut.
TEST_F(WriteFaults, AFullTargetKeepsTheEarlierBookAndSaysTheDiskIsFull)
{
    ASSERT_TRUE(QDir().mkpath(path("full-target")));
    ASSERT_EQ(run(Report, {"--book", "full-target/book.pdf", "demo"}, work()).exitCode, 0);
    const auto earlier = entriesOf(path("full-target"));
    const Outcome book = run(Report, {"--book", "full-target/book.pdf", "demo"}, work(),
                             fullDisk(path("full-target"), "write", "20000"));
    EXPECT_EQ(book.exitCode, 1);
    EXPECT_TRUE(book.err.contains("book.pdf\": No space left on device")) << book.err.toStdString();
    EXPECT_EQ(entriesOf(path("full-target")), earlier);

    // The job fails behind while the next table is read: what it says still comes first.
    const Outcome pdf = run(Report, {"--out", "full-target", "demo/ORDERS.DB", "missing.dbf"}, work(),
                            fullDisk(path("full-target"), "write", "20000"));
    EXPECT_EQ(pdf.exitCode, 1);
    const qsizetype full = pdf.err.indexOf("demo/ORDERS.DB: Error printing table structure!");
    EXPECT_GE(full, 0) << pdf.err.toStdString();
    EXPECT_TRUE(pdf.err.contains("no space is left in the folder")) << pdf.err.toStdString();
    EXPECT_GT(pdf.err.indexOf("missing.dbf: Error opening table to print!"), full) << pdf.err.toStdString();
    EXPECT_EQ(entriesOf(path("full-target")), earlier);
}

TEST_F(WriteFaults, AnInterruptedBookLeavesNeitherTheBookNorItsSpoolFiles)
{
    ASSERT_TRUE(QDir().mkpath(path("tmp-stop")));
    QProcess p;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", path("config-stop"));
    environment.insert("TMPDIR", path("tmp-stop"));
    p.setProcessEnvironment(environment);
    p.setWorkingDirectory(work());
    p.start(Report, {"--book", "stopped.pdf", "demo", "demo", "demo", "demo", "demo", "demo"});
    ASSERT_TRUE(p.waitForStarted());
    // Once the book's job spools, the run is well under way.
    const auto spooling = [&] {
        for (const auto& folder : QDir(path("tmp-stop")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (!QDir(path("tmp-stop/" + folder)).entryList({".korvex-spool-*"}, QDir::Files | QDir::Hidden).isEmpty())
                return true;
        return false;
    };
    while (!spooling() && p.state() == QProcess::Running)
        p.waitForFinished(5);
    ASSERT_EQ(p.state(), QProcess::Running) << "the book was done before it could be stopped";
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 128 + SIGTERM);
    EXPECT_TRUE(p.readAllStandardError().contains("stopped by SIGTERM; the book was not written"));
    EXPECT_TRUE(entriesOf(path("tmp-stop")).empty());
    EXPECT_FALSE(QFileInfo::exists(path("stopped.pdf")));
}

TEST_F(WriteFaults, NamesShowTheirControlCharactersVisibly)
{
    ASSERT_TRUE(QDir().mkpath(path("config-names/korvex")));
    ASSERT_TRUE(writeFile(path("config-names/korvex/aliases.ini"), "[Evil\x1b[2J\x07]\nPATH=/x\xc2\x9b"
                                                                   "2J\n"));
    const Outcome list = run(Report, {"--list-aliases"}, work(), {"XDG_CONFIG_HOME=" + path("config-names")});
    EXPECT_FALSE(list.out.contains('\x1b') || list.out.contains('\x07') || list.out.contains("\xc2\x9b"))
        << list.out.toStdString();
    EXPECT_TRUE(list.out.contains("Evil\\x1b[2J\\x07\tSTANDARD\t/x\\x9b2J")) << list.out.toStdString();

    ASSERT_TRUE(QDir().mkpath(path("names")));
    ASSERT_TRUE(writeFile(path("names/bad\x1b[2J.db"), "not a table"));
    const Outcome tbls = run(Report, {"--format", "tbls", "names/bad\x1b[2J.db"}, work());
    EXPECT_FALSE(tbls.err.contains('\x1b')) << tbls.err.toStdString();
    EXPECT_TRUE(tbls.err.contains("bad\\x1b[2J.db")) << tbls.err.toStdString();
}

// Progress on standard error when it is a terminal (script(1) gives the run one), and
// nowhere else.
TEST_F(WriteFaults, ProgressShowsOnATerminalOnly)
{
    if (QStandardPaths::findExecutable("script").isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    for (const QString& form : {QString("--json"), QString("--book terminal.pdf")}) {
        const Outcome terminal = run("script", {"-qec", Report + ' ' + form + " demo", "/dev/null"}, work());
        EXPECT_EQ(terminal.exitCode, 0) << form.toStdString();
        EXPECT_TRUE(terminal.out.contains("\r[4/6] ORDERS.DB\x1b[K")) << terminal.out.toStdString();
        EXPECT_FALSE(run(Report, form.split(' ') << "demo", work()).err.contains("[4/6]")) << form.toStdString();
    }
}

} // namespace
