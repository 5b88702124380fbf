#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
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

// korvex-report with its settings file, and so its aliases file, in folder. A settings
// file named on the command line must exist, so an empty one is made.
Run korvexReport(const QString& folder, QStringList args)
{
    QFile settings(folder + "/KORVEX20.INI");
    if (!settings.exists() && settings.open(QIODevice::WriteOnly))
        settings.close();
    args.prepend(settings.fileName());
    args.prepend("--settings");
    QProcess p;
    p.start(QStringLiteral(KORVEX_REPORT_EXE), args);
    p.waitForFinished(60000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
               p.readAllStandardError()};
}

} // namespace

TEST(KorvexReportAliases, ListsAliasesAndOpensTablesThroughADirectoryAlias)
{
    KORVEX_REQUIRE_FIXTURES();
    QTemporaryDir folder;
    const QString tables = korvex::test::fixturesDir() + "/paradox";
    QFile file(folder.filePath("aliases.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Fixtures]\npath=" + tables.toUtf8() +
               "\n[Ledger]\nTYPE=DB2\nSERVER NAME=db:/ledger\nUSER NAME=clerk\n");
    file.close();

    const auto list = korvexReport(folder.path(), {"--list-aliases"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(list.out),
              "Fixtures\tSTANDARD\t" + tables + "\nLedger\tDB2\tSERVER NAME=db:/ledger; USER NAME=clerk\n");

    const auto json = korvexReport(folder.path(), {"--alias", "fixtures", "--json", "WideKey.DB"});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    const auto table = QJsonDocument::fromJson(json.out).object().value("tables").toArray().at(0).toObject();
    EXPECT_TRUE(table.value("ok").toBool());
    EXPECT_EQ(table.value("fieldCount").toInt(), 6);

    QTemporaryDir out;
    const auto printed = korvexReport(folder.path(),
                                      {"--alias", "Fixtures", "--trace", out.filePath("trace.txt"), "widekey.db"});
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();

    const auto server = korvexReport(folder.path(), {"--alias", "Ledger", "--json", "accounts.db"});
    EXPECT_EQ(server.exitCode, 1);
    EXPECT_TRUE(server.err.contains("no driver for DB2 databases exists in Korvex")) << server.err.toStdString();
}
