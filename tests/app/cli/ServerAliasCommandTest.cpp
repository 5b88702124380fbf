// korvex-report and tbls-driver-korvex on a server alias, through the in-memory server
// driver that FakeServerPrograms.cpp adds to them.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

using Outcome = korvex::test::ProgramRun;

class ServerAliasCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(home_.path()).mkpath("korvex"));
        korvex::test::writeFile(home_.filePath("korvex/aliases.ini"),
                                "[Shop]\nTYPE=FAKESQL\nSERVER NAME=db\nUSER NAME=clerk\n");
    }

    // Standard input is a pipe, closed at once: no terminal to ask a password on.
    Outcome run(const char* program, const QStringList& args, const QStringList& environment = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home_.path());
        env.insert("FAKE_SERVER_PASSWORD", "");
        return korvex::test::runProgram(QString::fromUtf8(program), args, korvex::test::withSettings(env, environment),
                                        60000);
    }
    Outcome report(const QStringList& args, const QStringList& environment = {}) const
    {
        return run(FAKE_SERVER_REPORT, args, environment);
    }
    static QStringList tableNames(const QByteArray& json)
    {
        QStringList names;
        for (const auto& table : QJsonDocument::fromJson(json).object().value("tables").toArray())
            names << table.toObject().value("name").toString();
        return names;
    }

    QTemporaryDir home_;
    QTemporaryDir out_;
};

TEST_F(ServerAliasCommand, EveryFormReadsTheServersTables)
{
    const auto list = report({"--list-aliases"});
    EXPECT_EQ(QString::fromUtf8(list.out), "Shop\tFAKESQL\tSERVER NAME=db; USER NAME=clerk\n");

    const auto json = report({"--alias", "shop", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const auto orders = QJsonDocument::fromJson(json.out).object().value("tables").toArray().at(1).toObject();
    EXPECT_EQ(orders.value("fieldCount").toInt(), 2) << json.out.toStdString();

    const auto tbls = report({"--alias", "Shop", "--format", "tbls"});
    ASSERT_EQ(tbls.exitCode, 0) << tbls.err.toStdString();
    EXPECT_EQ(tableNames(tbls.out), QStringList({"customers", "sales.orders"}));
    const auto driver = run(FAKE_SERVER_TBLS, {}, {"TBLS_DSN=korvex://alias/Shop"});
    ASSERT_EQ(driver.exitCode, 0) << driver.err.toStdString();
    EXPECT_EQ(tableNames(driver.out), QStringList({"customers", "sales.orders"}));

    const auto markdown = report({"--alias", "Shop", "--markdown", out_.filePath("md")});
    EXPECT_EQ(markdown.exitCode, 0) << markdown.err.toStdString();
    EXPECT_FALSE(QDir(out_.filePath("md")).entryList(QDir::Files).isEmpty());

    const auto printed = report({"--alias", "Shop", "--trace", out_.filePath("trace.txt"), "sales.orders"});
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(korvex::test::readWholeFile(out_.filePath("trace.txt")).contains("sales.orders"));

    const auto book = report({"--alias", "Shop", "--book", out_.filePath("shop.pdf")});
    EXPECT_EQ(book.exitCode, 0) << book.err.toStdString();
    EXPECT_TRUE(QFile::exists(out_.filePath("shop.pdf")));
}

TEST_F(ServerAliasCommand, FailuresAreToldWithExitStatusOne)
{
    // A password wanted, and no terminal to ask it on: the driver's own sources are named.
    const auto asked = report({"--alias", "Shop", "--json"}, {"FAKE_SERVER_PASSWORD=secret"});
    EXPECT_EQ(asked.exitCode, 1);
    EXPECT_TRUE(asked.err.contains("standard input is no terminal") && asked.err.contains("~/.pgpass"))
        << asked.err.toStdString();
    const auto driver = run(FAKE_SERVER_TBLS, {}, {"FAKE_SERVER_PASSWORD=secret", "TBLS_DSN=korvex://alias/Shop"});
    EXPECT_EQ(driver.exitCode, 1);
    EXPECT_TRUE(driver.err.contains("PGPASSFILE")) << driver.err.toStdString();

    const QString refused = "FAKE_SERVER_REFUSAL=could not connect to server: Connection refused";
    for (const QStringList& form : {QStringList{"--json"}, QStringList{"--trace", out_.filePath("t.txt")}}) {
        const auto r = report(QStringList{"--alias", "Shop"} + form, {refused});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("alias \"Shop\": could not connect to server: Connection refused"))
            << r.err.toStdString();
    }
}

} // namespace
