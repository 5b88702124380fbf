#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// korvex-report with a settings folder of its own and the C locale (A4 paper).
Run korvexReport(const QStringList& args, const QString& workDir)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", workDir + "/config");
    env.insert("LC_ALL", "C");
    env.remove("QT_QPA_PLATFORM"); // the command line must choose offscreen by itself
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(KORVEX_REPORT_EXE), args);
    p.waitForFinished(120000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError())};
}

int pdfPages(const QString& pdf)
{
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(30000);
    for (const auto& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

class PrintCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        table_ = korvex::test::fixturesDir() + "/dbase/db3_types.dbf";
    }
    QTemporaryDir work_;
    QString table_;
};

} // namespace

TEST_F(PrintCommand, TraceRecordsOneJobPerTableOnThePdfPrintersPages)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString trace = work_.filePath("trace.txt");
    const auto run = korvexReport({"--trace", trace, table_, korvex::test::fixturesDir() + "/dbase/vfp_types.dbf"},
                                  work_.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile f(trace);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "job-begin \"Korvex : db3_types.dbf\"");
    // The PDF printer's A4 page at 600 dpi with a 100-dot border.
    EXPECT_EQ(lines[1], "caps page=4758x6817 mm=202x289 physical=4958x7017 offset=100,100");
    EXPECT_EQ(lines[2], "orientation portrait");
    EXPECT_EQ(lines[3], "page 1");
    EXPECT_EQ(lines.count("job-end"), 2);
    EXPECT_TRUE(lines.contains("job-begin \"Korvex : vfp_types.dbf\""));
    EXPECT_EQ(lines.last(), "job-end");
    // Real fonts: Arial is measured as the printer measures Liberation Sans.
    EXPECT_TRUE(lines.contains("font \"Arial\" 7 color=#000000"));
}

TEST_F(PrintCommand, PdfPerTableAndAFailedTableExitsWithOne)
{
    KORVEX_REQUIRE_FIXTURES();
    const auto run = korvexReport({"--out", "pdfs", table_, "missing.dbf"}, work_.path());
    EXPECT_EQ(run.exitCode, 1);
    const QString pdf = QDir(work_.filePath("pdfs")).filePath("Korvex - db3_types.dbf.pdf");
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(run.out.contains(pdf)) << run.out.toStdString();
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_TRUE(run.err.contains("missing.dbf: Error opening table to print!")) << run.err.toStdString();
    EXPECT_EQ(QDir(work_.filePath("pdfs")).entryList(QDir::Files).size(), 1);
}

TEST_F(PrintCommand, SettingsFileChoosesTheOrientation)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString ini = work_.filePath("mine.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Options]\nPortrait=0\n");
    f.close();
    const QString trace = work_.filePath("t.txt");
    const auto run = korvexReport({"--settings", ini, "--trace", trace, table_}, work_.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile t(trace);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(t.readAll());
    EXPECT_TRUE(text.contains("orientation landscape"));
    EXPECT_TRUE(text.contains("caps page=6817x4758"));
    // The report wrote its hand-edited keys into the file it was given.
    f.open(QIODevice::ReadOnly);
    EXPECT_TRUE(f.readAll().contains("IndexChar=*"));
}

TEST_F(PrintCommand, PrinterAndOutExcludeEachOther)
{
    EXPECT_EQ(korvexReport({"--printer", "x", "--out", "y", "t.dbf"}, work_.path()).exitCode, 2);
    EXPECT_EQ(korvexReport({"--json", "--out", "y", "t.dbf"}, work_.path()).exitCode, 2);
}

TEST_F(PrintCommand, PrintingFailureSaysWhyBesideTheFixedText)
{
    KORVEX_REQUIRE_FIXTURES();
    QFile(work_.filePath("file")).open(QIODevice::WriteOnly);
    const QString err = korvexReport({"--out", "file/pdfs", table_}, work_.path()).err; // no folder inside a file
    EXPECT_TRUE(err.contains("Error printing table structure! (") && err.contains("cannot be created: Not a directory"))
        << err.toStdString();
}

// A .VAL written for an earlier state of the table silently removed every validity check.
// The table still prints without them, and says so: in the JSON entry's warnings, and on
// standard error when it is printed.
TEST_F(PrintCommand, StaleValIsWarnedAboutInTheJsonAndOnStandardError)
{
    KORVEX_REQUIRE_SAMPLES();
    const QString areas = korvex::test::samplesDir() + "/paradox/leonhad+paradoxdriver/src/test/resources/areas/";
    for (const char* name : {"ZIPCODES.DB", "ZIPCODES.VAL"}) {
        ASSERT_TRUE(QFile::copy(areas + name, work_.filePath(name)));
        QFile(work_.filePath(name)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QFile val(work_.filePath("ZIPCODES.VAL"));
    ASSERT_TRUE(val.open(QIODevice::ReadWrite));
    val.write("\x85", 1); // the table's change counter is 0x84
    val.close();

    const auto json = korvexReport({"--json", "ZIPCODES.DB"}, work_.path());
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const auto entry = QJsonDocument::fromJson(json.out.toUtf8()).object().value("tables").toArray().at(0).toObject();
    EXPECT_EQ(entry.value("validityCheckCount").toInt(), 0);
    const auto warnings = entry.value("warnings").toArray();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].toString().startsWith("ZIPCODES.VAL: written for an earlier state of the table"))
        << warnings[0].toString().toStdString();

    const auto printed = korvexReport({"--trace", work_.filePath("t.txt"), "ZIPCODES.DB"}, work_.path());
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(printed.err.contains("korvex-report: ZIPCODES.DB: warning: " + warnings[0].toString() + "\n"))
        << printed.err.toStdString();
}
