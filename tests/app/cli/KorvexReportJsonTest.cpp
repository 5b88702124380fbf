#include "Json.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run korvexReport(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(KORVEX_REPORT_EXE), args);
    p.waitForFinished(60000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
               p.readAllStandardError()};
}

QJsonArray tablesOf(const Run& run)
{
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    return doc.object().value("tables").toArray();
}

} // namespace

TEST(KorvexReportCommandLine, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(korvexReport({}).exitCode, 2);
    EXPECT_EQ(korvexReport({"--json"}).exitCode, 2);
    EXPECT_EQ(korvexReport({"--no-such-option", "x.db"}).exitCode, 2);
    const auto help = korvexReport({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--json"));
    const auto version = korvexReport({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("korvex-report "));
}

TEST(KorvexReportCommandLine, AFailedTableIsReportedInOrderAndExitsWithOne)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.db");
    const QString notATable = dir.filePath("notes.txt");
    QFile f(notATable);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello");
    f.close();

    const auto run = korvexReport({"--json", missing, notATable});
    EXPECT_EQ(run.exitCode, 1);
    const auto tables = tablesOf(run);
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0].toObject().value("file").toString(), missing);
    EXPECT_FALSE(tables[0].toObject().value("ok").toBool());
    EXPECT_EQ(tables[0].toObject().value("codeName").toString(), "NoSuchFile");
    EXPECT_TRUE(tables[0].toObject().value("error").toString().contains("missing.db"));
    EXPECT_EQ(tables[1].toObject().value("codeName").toString(), "NotATable");
}

TEST(Json, KeepsMemberOrderAndEscapes)
{
    using korvex::Json;
    const Json j(Json::Object{{"b", 1}, {"a", Json::Array{true, Json(), "x\"\\\n\x01"}}, {"e", Json::Object{}}});
    EXPECT_EQ(j.serialize(),
              "{\n  \"b\": 1,\n  \"a\": [\n    true,\n    null,\n    \"x\\\"\\\\\\n\\u0001\"\n  ],\n  \"e\": {}\n}\n");
}
