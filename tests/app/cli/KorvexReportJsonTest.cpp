#include "../structure/FakeFormat.h"
#include "FileNames.h"
#include "Json.h"
#include "Streams.h"
#include "StructureDump.h"
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

// A name with DEL or a C1 control (U+009B starts a terminal command) came out raw.
TEST(Json, EscapesDeleteAndC1ControlsThatATerminalWouldActOn)
{
    using korvex::Json;
    EXPECT_EQ(Json(QStringLiteral("a\u007f\u0085\u009b\u00a0")).serialize(),
              QStringLiteral("\"a\\u007f\\u0085\\u009b\u00a0\"\n"));
    EXPECT_EQ(korvex::visibleText(QStringLiteral("\x1b]0;t\x07\n\t\u009b")), QStringLiteral("\\x1b]0;t\\x07\n\t\\x9b"));
}

// Plain text is copied in runs between the characters that need escaping; a run cut at the
// wrong place loses or repeats a character. A part written alone must read as it does in
// its document, since a run's JSON is put together from its tables' parts.
TEST(Json, EscapesAtTheEdgesOfPlainRunsAndPartsReadAsInTheirDocument)
{
    using korvex::Json;
    const QString name = korvex::decodeFileName(QByteArray("\x01"
                                                           "CAF\xC9.DB\""));
    const Json table(Json::Object{{QStringLiteral("k\"ey"), name}, {"n", Json::Array{1, "\t"}}});
    const QByteArray expected =
        "{\n  \"k\\\"ey\": \"\\u0001CAF\\\\xC9.DB\\\"\",\n  \"n\": [\n    1,\n    \"\\t\"\n  ]\n}";
    EXPECT_EQ(table.serialize().toUtf8(), expected + "\n");
    EXPECT_EQ("{\n  \"tables\": [\n    " + table.nestedUtf8(4) + "\n  ]\n}\n",
              Json(Json::Object{{"tables", Json::Array{table}}}).serialize().toUtf8());
}

// The links read as the printed report reads them: the whole 32-bit modify rule, and a
// related table stored with a Windows path found beside the table, its fields named.
TEST(StructureDump, LinksFindTheRelatedTableWhereTheReportFindsIt)
{
    using namespace korvex;
    QTemporaryDir dir;
    for (const char* name : {"T.FAK", "orders.fak"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ok");
    }
    TableDefinition def;
    def.tableType = "PARADOX";
    def.level = 7;
    for (const char* name : {"Id", "Customer"}) {
        FieldDefinition f;
        f.name = name;
        f.type = FieldType::Integer;
        def.fields.push_back(f);
    }
    auto format = std::make_unique<test::FakeFormat>(def);
    format->links = {{"Win", IntegrityDescriptor::Kind::Master, "C:\\DATA\\ORDERS.FAK", true, {{2, 1}}},
                     {"Gone", IntegrityDescriptor::Kind::Dependent, "C:\\DATA\\GONE.FAK", false, {{1, 2}}}};
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::move(format));
    DatabaseEngine engine(std::move(formats));
    FieldDescriptorBuffer descriptors;
    const auto dump = dumpTableStructure(
        engine, descriptors, "T.FAK", [](const QString& t) { return t; }, dir.path());
    ASSERT_TRUE(dump.ok);
    const auto links = QJsonDocument::fromJson(dump.json.serialize().toUtf8()).object().value("links").toArray();
    ASSERT_EQ(links.size(), 2);
    const auto win = links[0].toObject();
    EXPECT_EQ(win.value("relatedTable").toString(), "orders.fak");
    EXPECT_EQ(win.value("rule").toString(), "cascade");
    EXPECT_EQ(win.value("pairs").toArray()[0].toArray(), (QJsonArray{"Customer", "Id"}));
    const auto gone = links[1].toObject();
    EXPECT_EQ(gone.value("kind").toString(), "dependent");
    EXPECT_EQ(gone.value("relatedTable").toString(), "C:\\DATA\\GONE.FAK");
    EXPECT_EQ(gone.value("pairs").toArray()[0].toArray(), (QJsonArray{"Id", ""}));
}
