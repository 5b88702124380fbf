#include "AliasDatabase.h"
#include "AliasFile.h"
#include "DatabaseEngine.h"
#include "FakeServer.h"
#include "TableSource.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvex;
using korvex::test::writeFile;

namespace {

const AliasDefinition* named(const std::vector<AliasDefinition>& aliases, const QString& name)
{
    for (const auto& a : aliases)
        if (a.name == name)
            return &a;
    return nullptr;
}

// A 40-character name: the browser cuts what it shows to 25 characters, the lookups do not.
const QString LongName = QStringLiteral("Customer_Tables_Of_The_Northern_Regions1");

} // namespace

TEST(AliasFile, ReadsDirectoryServerAndLowerCasePathAliasesAndSkipsWhatItCannotRead)
{
    const QByteArray text = "\xEF\xBB\xBF; aliases\nstray=before any section\n"
                            "[Sales]\nPATH = /srv/sales \nDEFAULT DRIVER=PARADOX\npath=/second/path/ignored\n\n"
                            "[Ledger]\r\nTYPE=odbc\r\nSERVER NAME=db.example.org:/ledger\r\n"
                            "[lower]\npath=rel/dir\n"
                            "[broken\nPATH=/nowhere\n[]\nPATH=/nowhere\n"
                            "[sales]\nno equals sign\n=empty key\nUSER NAME=clerk\n";
    const auto aliases = AliasFile::parse(text, QStringLiteral("/etc/korvex"));
    ASSERT_EQ(aliases.size(), 3u);
    EXPECT_EQ(aliases[0].name, "Ledger");
    EXPECT_EQ(aliases[1].name, "lower");
    EXPECT_EQ(aliases[2].name, "Sales");

    const auto* sales = named(aliases, "Sales");
    EXPECT_FALSE(sales->isServer());
    EXPECT_EQ(sales->driver, "STANDARD");
    EXPECT_EQ(sales->parameterLines(), QStringList({"PATH=/srv/sales", "DEFAULT DRIVER=PARADOX", "USER NAME=clerk"}));

    const auto* ledger = named(aliases, "Ledger");
    EXPECT_TRUE(ledger->isServer());
    EXPECT_EQ(ledger->driver, "ODBC");
    EXPECT_EQ(ledger->parameterLines(), QStringList({"SERVER NAME=db.example.org:/ledger"}));

    const auto* lower = named(aliases, "lower");
    EXPECT_FALSE(lower->isServer());
    EXPECT_EQ(lower->parameterLines(), QStringList({"PATH=/etc/korvex/rel/dir"}));
}

TEST(AliasFile, AMissingFileMeansNoAliasesAndAnUnreadableOneIsAnError)
{
    QTemporaryDir dir;
    DatabaseEngine engine;
    QStringList names{"left over"};
    EXPECT_EQ(engine.loadAliases(dir.path()), result::Ok);
    EXPECT_EQ(engine.ListAliases(names), result::Ok);
    EXPECT_TRUE(names.isEmpty());

    ASSERT_TRUE(QDir(dir.path()).mkdir(AliasFile::FileName));
    EXPECT_EQ(engine.loadAliases(dir.path()), result::ReadError);
    EXPECT_TRUE(engine.lastError().contains(AliasFile::FileName));
}

TEST(AliasFile, FifoOrDeviceAsAliasesFileIsAnErrorNotAHang)
{
    QTemporaryDir dir;
    DatabaseEngine engine;
    const QByteArray path = QFile::encodeName(dir.filePath(AliasFile::FileName));
    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    EXPECT_EQ(engine.loadAliases(dir.path()), result::ReadError);
    EXPECT_TRUE(engine.lastError().endsWith("the aliases file cannot be read (it is not a regular file)"))
        << engine.lastError().toStdString();

    ASSERT_EQ(::unlink(path.constData()), 0);
    ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0);
    EXPECT_EQ(engine.loadAliases(dir.path()), result::ReadError);
}

TEST(AliasEngine, ManyAliasesAreEachFoundByNameIgnoringCase)
{
    // Found by a search over the sorted names: every one of them, and nothing between.
    QByteArray text;
    for (int i = 0; i < 500; ++i)
        text += "[Alias" + QByteArray::number(i) + "]\nPATH=/srv/" + QByteArray::number(i) + "\n";
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath(AliasFile::FileName), text));
    DatabaseEngine engine;
    ASSERT_EQ(engine.loadAliases(dir.path()), result::Ok);
    QStringList names;
    ASSERT_EQ(engine.ListAliases(names), result::Ok);
    ASSERT_EQ(names.size(), 500);
    QStringList lines;
    for (const QString& name : std::as_const(names)) {
        ASSERT_EQ(engine.ListAliasParameters(name.toUpper(), lines), result::Ok) << name.toStdString();
        EXPECT_EQ(lines, QStringList({"PATH=/srv/" + name.mid(5)}));
    }
    EXPECT_EQ(engine.ListAliasParameters("Alias4999", lines), result::NoSuchAlias);
    EXPECT_EQ(engine.ListAliasParameters("Alias", lines), result::NoSuchAlias);
}

TEST(AliasEngine, ListsTheTablesOfADirectoryAliasByNameIgnoringCase)
{
    QTemporaryDir dir;
    const QDir tables(dir.filePath("tables"));
    ASSERT_TRUE(tables.mkpath("."));
    ASSERT_TRUE(tables.mkdir("folder.db"));
    for (const char* name : {"CUSTOMER.DB", "orders.dbf", "Zeta.DBF", "mixed.Db", "NOTES.TXT", "CUSTOMER.PX",
                             "orders.dbt", ".hidden.db", "db", "backup.db.bak"})
        ASSERT_TRUE(writeFile(tables.filePath(name), "x"));
    ASSERT_TRUE(
        writeFile(dir.filePath("aliases.ini"), "[Sales]\nPATH=tables\n[Ledger]\nTYPE=ODBC\nSERVER NAME=h:/l\n"));

    DatabaseEngine engine;
    ASSERT_EQ(engine.loadAliases(dir.filePath("aliases.ini")), result::Ok);
    QStringList lines;
    ASSERT_EQ(engine.ListAliasParameters("SALES", lines), result::Ok);
    EXPECT_EQ(lines, QStringList({"PATH=" + tables.absolutePath()}));
    QString driver;
    ASSERT_EQ(engine.GetAliasDriver("sales", driver), result::Ok);
    EXPECT_EQ(driver, "STANDARD");
    EXPECT_EQ(engine.GetAliasDriver("Purchases", driver), result::NoSuchAlias);
    EXPECT_EQ(engine.ListAliasParameters("Purchases", lines), result::NoSuchAlias);

    AliasDatabase sales(engine, "Sales");
    EXPECT_EQ(sales.databaseName(), "DDBSales");
    EXPECT_FALSE(sales.isConnected());
    QStringList names;
    ASSERT_EQ(sales.listTables(names), result::Ok) << engine.lastError().toStdString();
    EXPECT_EQ(names, QStringList({"CUSTOMER.DB", "mixed.Db", "orders.dbf", "Zeta.DBF"}));
    EXPECT_TRUE(sales.isConnected());

    // A server alias has no directory, and Korvex has no server drivers.
    AliasDatabase ledger(engine, "Ledger");
    EXPECT_EQ(ledger.listTables(names), result::NoDriver);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(ledger.isConnected());
    EXPECT_TRUE(engine.lastError().contains("no driver for ODBC databases exists in Korvex"));
}

TEST(AliasEngine, OpensATableThroughTheDatabaseOfALongAliasName)
{
    KORVEX_REQUIRE_FIXTURES();
    QTemporaryDir dir;
    const QString tables = test::fixturesDir() + "/paradox";
    ASSERT_TRUE(writeFile(dir.filePath("aliases.ini"), "[" + LongName.toUtf8() + "]\nPATH=" + tables.toUtf8() + "\n"));
    DatabaseEngine engine;
    ASSERT_EQ(engine.loadAliases(dir.path()), result::Ok);

    AliasDatabase database(engine, LongName);
    TableSource source(engine);
    source.open(database, "WIDEKEY");
    EXPECT_TRUE(database.isConnected());
    EXPECT_EQ(source.fieldCount(), 6);
    EXPECT_EQ(source.tablePath(), tables + "/widekey.db");
    source.close();

    // The report opens by database name; the name means nothing once disconnected.
    TableHandle handle = 0;
    ASSERT_EQ(engine.OpenTable(database.databaseName(), "widekey.db", handle), result::Ok);
    engine.CloseTable(handle);
    database.disconnect();
    EXPECT_EQ(engine.OpenTable(database.databaseName(), "widekey.db", handle), result::NoSuchFile);

    // Without keep-connection each use connects and disconnects; a failure keeps its message.
    database.setKeepConnection(false);
    source.open(database, "widekey");
    EXPECT_FALSE(database.isConnected());
    EXPECT_THROW(source.open(database, "missing.db"), EngineError);
    EXPECT_TRUE(engine.lastError().contains("missing.db"));
}

TEST(AliasFile, ServerAliasesGiveTheirAddressDatabaseAndUserInAnyCase)
{
    const auto aliases = AliasFile::parse("[Shop]\nType=postgresql\nserver name=db.example.org:5433\n"
                                          "Database Name=shop\nUSER NAME=clerk\nschema name=sales\n"
                                          "[Socket]\nTYPE=POSTGRESQL\nSERVER NAME=/run/postgresql\n"
                                          "[Six]\nTYPE=POSTGRESQL\nSERVER NAME=[::1]:6000\n"
                                          "[Notes]\nTYPE=SQLITE\nDATABASE NAME=data/../notes.sqlite\n"
                                          "[Abs]\nTYPE=SQLITE\nDATABASE NAME=/srv/abs.sqlite\n",
                                          "/etc/korvex");
    const AliasDefinition* shop = named(aliases, "Shop");
    ASSERT_NE(shop, nullptr);
    EXPECT_EQ(shop->driver, AliasDefinition::PostgresDriver);
    EXPECT_TRUE(shop->isServer());
    EXPECT_EQ(shop->serverAddress().host, "db.example.org");
    EXPECT_EQ(shop->serverAddress().port, 5433);
    EXPECT_EQ(shop->databaseName(), "shop");
    EXPECT_EQ(shop->userName(), "clerk");
    EXPECT_EQ(shop->schemaName(), "sales");
    EXPECT_EQ(named(aliases, "Socket")->serverAddress().host, "/run/postgresql");
    EXPECT_EQ(named(aliases, "Socket")->serverAddress().port, -1);
    EXPECT_TRUE(named(aliases, "Socket")->schemaName().isEmpty());
    EXPECT_EQ(named(aliases, "Six")->serverAddress().host, "::1");
    EXPECT_EQ(named(aliases, "Six")->serverAddress().port, 6000);
    EXPECT_EQ(named(aliases, "Notes")->databaseFile(), "/etc/korvex/notes.sqlite");
    EXPECT_EQ(named(aliases, "Abs")->databaseFile(), "/srv/abs.sqlite");
}

// The registered driver of a server alias: connected once and kept for the run, the
// password asked once, asked again after a refusal, a cancel that stops the login.
class ServerAliasEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(folder_.filePath("aliases.ini"),
                  "[Shop]\nTYPE=FAKESQL\nSERVER NAME=db\nUSER NAME=clerk\n[Ledger]\nTYPE=ODBC\nSERVER NAME=x\n");
        ASSERT_EQ(engine_.loadAliases(folder_.path()), result::Ok);
        engine_.registerServerDriver("fakesql", server_.opener());
        engine_.setPasswordPrompt([this](const QString& alias, const QString& user) -> std::optional<QString> {
            asked_ << alias + '/' + user;
            if (answers_.isEmpty())
                return std::nullopt;
            return answers_.takeFirst();
        });
    }

    QTemporaryDir folder_;
    test::FakeServer server_;
    DatabaseEngine engine_;
    QStringList answers_;
    QStringList asked_;
};

TEST_F(ServerAliasEngine, ConnectsOnceAndAsksThePasswordOncePerRun)
{
    EXPECT_TRUE(engine_.hasServerDriver("FakeSql"));
    answers_ = {"secret"};
    for (int i = 0; i < 2; ++i) {
        AliasDatabase database(engine_, "shop");
        QStringList tables;
        ASSERT_EQ(database.listTables(tables), result::Ok) << engine_.lastError().toStdString();
        EXPECT_EQ(tables, test::FakeServerDatabase::names());
        TableHandle table = 0;
        ASSERT_EQ(engine_.OpenTable(database.databaseName(), "sales.orders", table), result::Ok);
        EXPECT_EQ(engine_.CloseTable(table), result::Ok);
    }
    EXPECT_EQ(server_.connections, 1);
    EXPECT_EQ(asked_, QStringList{"Shop/clerk"});
}

TEST_F(ServerAliasEngine, ARefusalIsToldAWrongPasswordAskedAgainAndACancelStopsTheLogin)
{
    AliasDatabase database(engine_, "Shop");
    server_.refusal = "could not connect to server: Connection refused";
    EXPECT_EQ(database.connect(), result::ServerRefused);
    EXPECT_EQ(engine_.lastError(), "alias \"Shop\": could not connect to server: Connection refused");
    server_.refusal.clear();
    answers_ = {"wrong"};
    EXPECT_EQ(database.connect(), result::ServerRefused);
    EXPECT_TRUE(engine_.lastError().contains("password authentication failed for user \"clerk\""));
    EXPECT_EQ(database.connect(), result::LoginCancelled);
    EXPECT_TRUE(engine_.lastError().contains("the login as clerk was cancelled")) << engine_.lastError().toStdString();
    answers_ = {"secret"};
    EXPECT_EQ(database.connect(), result::Ok);
    EXPECT_EQ(asked_.size(), 3);
    // A server without a registered driver is refused as before.
    AliasDatabase ledger(engine_, "Ledger");
    EXPECT_EQ(ledger.connect(), result::NoDriver);
}
