// Real sample tables printed as PDF by korvex-report, read back with pdftotext/pdfinfo.

#include "TestSupport.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QString run(const QString& program, const QStringList& args, const QString& workDir = {}, int* exitCode = nullptr)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    env.insert("XDG_CONFIG_HOME", workDir.isEmpty() ? QDir::tempPath() : workDir + "/config");
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    p.waitForFinished(180000);
    if (exitCode != nullptr)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf)
{
    for (const auto& line : run("pdfinfo", {pdf}).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QString pdfText(const QString& pdf)
{
    return run("pdftotext", {"-layout", pdf, "-"});
}

QStringList fieldNames(const QString& table)
{
    const QString out = run(QStringLiteral(KORVEX_REPORT_EXE), {"--json", table});
    QStringList names;
    const auto tables = QJsonDocument::fromJson(out.toUtf8()).object().value("tables").toArray();
    for (const auto& f : tables.at(0).toObject().value("fields").toArray())
        names << f.toObject().value("name").toString();
    return names;
}

struct Sample {
    const char* path; // below the samples folder
    int pages;        // by the page plan on A4 with Arial 10 and the grid: 47 rows on page 1, 54 later
};

} // namespace

TEST(PdfReports, SampleTablesPrintTheirInformationBlockAndEveryField)
{
    KORVEX_REQUIRE_SAMPLES();
    QTemporaryDir work;
    const Sample samples[] = {
        {"paradox/teverett+paradoxReader/src/test/resources/examples/MEMBRE.DB", 2}, // 92 fields
        {"dbase/infused+dbf/spec/fixtures/dbase_f5.dbf", 2},                         // 59 fields
        {"dbase/dbasellc+dBASEPlusGettingStarted_2_8_Samples/Data/qaid.DBF", 1},
        {"paradox/leonhad+paradoxdriver/src/test/resources/db/customer.db", 1},
    };
    QStringList args{"--out", work.filePath("pdf")};
    for (const auto& s : samples)
        args << korvex::test::samplesDir() + '/' + s.path;
    int exitCode = -1;
    run(QStringLiteral(KORVEX_REPORT_EXE), args, work.path(), &exitCode);
    ASSERT_EQ(exitCode, 0);

    for (const auto& s : samples) {
        const QString table = korvex::test::samplesDir() + '/' + s.path;
        const QString pdf = QDir(work.filePath("pdf")).filePath("Korvex - " + QFileInfo(table).fileName() + ".pdf");
        SCOPED_TRACE(pdf.toStdString());
        ASSERT_TRUE(QFile::exists(pdf));
        EXPECT_EQ(pdfPages(pdf), s.pages);
        const QString text = pdfText(pdf);
        for (const char* label : {"Name of table:", "Type of table:", "Language Driver:", "Used Fields:",
                                  "Phy. Recordsize:", "Strict integrity:", "Page: 1"})
            EXPECT_TRUE(text.contains(label)) << label;
        for (const auto& name : fieldNames(table))
            EXPECT_TRUE(text.contains(name)) << name.toStdString();
    }
}

TEST(PdfReports, TraceAndPdfAgreeOnThePages)
{
    KORVEX_REQUIRE_SAMPLES();
    QTemporaryDir work;
    const QString table = korvex::test::samplesDir() +
                          "/paradox/teverett+paradoxReader/src/test/resources/examples/MEMBRE.DB";
    int exitCode = -1;
    run(QStringLiteral(KORVEX_REPORT_EXE), {"--out", work.filePath("pdf"), table}, work.path(), &exitCode);
    ASSERT_EQ(exitCode, 0);
    run(QStringLiteral(KORVEX_REPORT_EXE), {"--trace", work.filePath("t.txt"), table}, work.path(), &exitCode);
    ASSERT_EQ(exitCode, 0);
    QFile trace(work.filePath("t.txt"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(trace.readAll()).split('\n');
    EXPECT_EQ(lines.filter(QRegularExpression("^page \\d+$")).size(),
              pdfPages(QDir(work.filePath("pdf")).filePath("Korvex - MEMBRE.DB.pdf")));
    // The second page starts with its footer's page number.
    EXPECT_TRUE(lines.contains("page 2"));
}
