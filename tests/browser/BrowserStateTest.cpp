#include "TableBrowser.h"

#include "CatalogDatabase.h"
#include "DatabaseEngine.h"
#include "FakeServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace korvex;

namespace {

const QDateTime March9 = QDateTime(QDate(1996, 3, 9), QTime(12, 0));

void writeFile(const QString& path, const QByteArray& bytes = "x")
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(bytes);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(March9, QFileDevice::FileModificationTime);
}

QStringList captions(const std::vector<TableListItem>& items)
{
    QStringList names;
    for (const TableListItem& item : items)
        names << item.caption;
    return names;
}

// The folders of the main window's tests: an aliases file, a folder of tables on a volume
// of its own, another folder for an alias, and a volume that cannot be entered.
class BrowserStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(top_).mkpath("config") && QDir(top_).mkpath("tables/sub") && QDir(top_).mkpath("other"));
        for (const char* name : {"CUSTOMER.DB", "ORDERS.DBF", "NOTES.TXT", "lower.db", ".hidden.db"})
            writeFile(tables() + '/' + name);
        writeFile(top_ + "/other/X.DBF");
        writeFile(top_ + "/config/aliases.ini",
                  "[Desk]\nPATH=" + tables().toUtf8() +
                      "\n[Ledger]\nTYPE=ODBC\nSERVER NAME=db:/ledger\n"
                      "[lower]\npath=" +
                      top_.toUtf8() + "/other\n[A very long alias name, longer than 25]\nPATH=" + tables().toUtf8() +
                      "\n");
        ASSERT_EQ(engine_.loadAliases(top_ + "/config"), result::Ok);
        browser_.readAliases();
        // Started in the tables' directory.
        browser_.setState(browser_.withDirectory(tables()));
    }

    QString tables() const { return top_ + "/tables"; }
    // Takes a change, as the window does once it has shown it.
    const BrowserState& take(BrowserState next)
    {
        browser_.setState(std::move(next));
        return browser_.state();
    }
    std::vector<TableListItem> items(QChar separator = u'/') const
    {
        return tableListItems(browser_.state(), browser_.state().tables, separator);
    }

    QTemporaryDir root_;
    QString top_ = QDir(root_.path()).canonicalPath();
    VolumeList volumes_{{Volume{"/", "/dev/sda1", "ext4", {}, Volume::Kind::Fixed},
                         Volume{top_, "/dev/sdb1", "ext4", "DATA", Volume::Kind::Fixed},
                         Volume{"/nonexistent-korvex/STICK", "/dev/sdc1", "vfat", {}, Volume::Kind::Removable}}};
    DatabaseEngine engine_;
    TableBrowser browser_{engine_, [this]() -> const VolumeList& { return volumes_; }};
};

TEST_F(BrowserStateTest, AliasesSwitchTheBrowser)
{
    EXPECT_EQ(browser_.aliasNames(),
              QStringList({"A very long alias name, longer than 25", "Desk", "Ledger", "lower"}));
    const BrowserState& state = take(browser_.withEntry(">Desk", top_));
    EXPECT_EQ(state.mode, BrowserMode::Alias);
    EXPECT_EQ(state.CurrentAlias, "Desk");
    EXPECT_EQ(state.CurrentAliasDriver, "STANDARD");
    EXPECT_EQ(state.CurrentDatabase, "DDBDesk");
    EXPECT_EQ(state.directory, tables());
    EXPECT_FALSE(state.fileListLinked);
    EXPECT_EQ(captions(items()), QStringList({"CUSTOMER.DB", "lower.db", "ORDERS.DBF"}));
    EXPECT_EQ(items()[0].dateText, "09/03/1996");

    // A server alias has no driver: the switch fails, and the state is as before.
    const int listing = state.listing;
    try {
        browser_.withEntry(">Ledger", top_);
        ADD_FAILURE() << "a server alias without a driver was chosen";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("no driver for ODBC")) << e.what();
    }
    EXPECT_EQ(state.CurrentAlias, "Desk");
    EXPECT_EQ(state.CurrentDatabase, "DDBDesk");
    EXPECT_EQ(state.listing, listing);

    // The long name is cut for the report's %ALIAS only; its database is found by the
    // full name. A lower-case "path=" is a directory too.
    take(browser_.withEntry(">A very long alias name, longer than 25", top_));
    EXPECT_EQ(state.CurrentAlias, "A very long alias name, l");
    EXPECT_EQ(state.CurrentDatabase, "DDBA very long alias name, longer than 25");
    EXPECT_EQ(state.tables.size(), 3);
    take(browser_.withEntry(">LOWER", top_)); // the box's entry names it in any case
    EXPECT_EQ(state.tables, QStringList({"X.DBF"}));
    EXPECT_EQ(state.directory, top_ + "/other");

    // Back to the volume: drive mode on the directory the alias showed, read anew.
    take(browser_.withEntry(top_ + " [data]", top_));
    EXPECT_EQ(state.mode, BrowserMode::Drive);
    EXPECT_TRUE(state.CurrentAlias.isEmpty());
    EXPECT_EQ(state.CurrentDatabase, "DDBlower"); // kept until another alias is chosen
    EXPECT_TRUE(state.fileListLinked);
    EXPECT_EQ(state.directory, top_ + "/other");
    EXPECT_EQ(state.tables, QStringList({"X.DBF"}));
}

// Regression: an alias whose directory is gone left the browser half switched.
TEST_F(BrowserStateTest, AliasWhoseDirectoryIsGoneChangesNothing)
{
    ASSERT_TRUE(QDir(top_ + "/other").removeRecursively());
    EXPECT_THROW(browser_.withAlias("lower"), DirectoryError);
    EXPECT_EQ(browser_.state().mode, BrowserMode::Drive);
    EXPECT_TRUE(browser_.state().CurrentAlias.isEmpty());
    EXPECT_EQ(browser_.state().directory, tables());
}

TEST_F(BrowserStateTest, DrivesAndDirectories)
{
    // Choosing the volume shown changes nothing, not even the table list's reading.
    const int listing = browser_.state().listing;
    EXPECT_EQ(browser_.withDrive(top_).listing, listing);
    // A volume that cannot be entered: quietly back on the directory shown before.
    const BrowserState stick = browser_.withDrive("/nonexistent-korvex/STICK");
    EXPECT_EQ(stick.directory, tables());
    EXPECT_EQ(stick.listing, listing);

    // Each volume goes back to the directory last shown on it.
    take(browser_.withDirectory(tables() + "/sub/.."));
    EXPECT_EQ(browser_.state().directory, tables());
    take(browser_.withDirectory(tables() + "/sub"));
    EXPECT_TRUE(browser_.state().tables.isEmpty());
    EXPECT_EQ(take(browser_.withDrive("/")).directory, "/");
    EXPECT_EQ(take(browser_.withDrive(top_)).directory, tables() + "/sub");
    EXPECT_THROW(browser_.withDirectory(top_ + "/gone"), DirectoryError);
}

TEST_F(BrowserStateTest, TableTypesAndRegionalDates)
{
    take(browser_.withTableType("*.txt"));
    EXPECT_EQ(captions(items()), QStringList({"NOTES.TXT"}));
    EXPECT_EQ(items()[0].imageIndex, 1);
    EXPECT_EQ(items(dateSeparator(QLocale(QLocale::German, QLocale::Germany)))[0].dateText, "09.03.1996");
    take(browser_.withTableType("*.*"));
    EXPECT_EQ(captions(items()), QStringList({"CUSTOMER.DB", "lower.db", "NOTES.TXT", "ORDERS.DBF"}));
    EXPECT_EQ(items()[0].imageIndex, 0);
    EXPECT_EQ(items()[3].imageIndex, 0);

    // In alias mode every entry is a table; a server driver has no dates.
    BrowserState server = browser_.state();
    server.mode = BrowserMode::ServerAlias;
    server.CurrentAlias = "Ledger";
    server.CurrentAliasDriver = "ODBC";
    const std::vector<TableListItem> serverItems = tableListItems(server, server.tables, u'/');
    EXPECT_EQ(serverItems[2].imageIndex, 0);
    EXPECT_EQ(serverItems[2].dateText, "?");
}

// A server alias whose driver is registered: no directory shown, the server's tables with
// "?" for dates, one connection however often it is chosen.
TEST_F(BrowserStateTest, ServerAliasListsTheServersTablesWithoutDates)
{
    test::FakeServer server;
    server.password.clear();
    engine_.registerServerDriver(test::FakeServer::Driver, server.opener());
    writeFile(top_ + "/config/aliases.ini",
              "[Desk]\nPATH=" + tables().toUtf8() + "\n[Shop]\nTYPE=FAKESQL\nSERVER NAME=db\n");
    ASSERT_EQ(engine_.loadAliases(top_ + "/config"), result::Ok);
    browser_.readAliases();
    const BrowserState& state = take(browser_.withEntry(">shop", top_));
    EXPECT_EQ(state.mode, BrowserMode::ServerAlias);
    EXPECT_EQ(state.CurrentAliasDriver, "FAKESQL");
    EXPECT_EQ(state.CurrentDatabase, "DDBShop");
    EXPECT_EQ(state.directory, tables()); // kept, not shown
    EXPECT_EQ(captions(items()), test::FakeServerDatabase::names());
    EXPECT_EQ(items()[1].dateText, "?");
    take(browser_.withEntry(">Desk", top_));
    browser_.readAliases(); // the window's databases made anew
    take(browser_.withEntry(">Shop", top_));
    EXPECT_EQ(server.connections, 1);
}

// A SQLite file beside the aliases file, through the driver the programs bring: its tables
// listed as the server's, with "?" for dates, and no directory shown.
TEST_F(BrowserStateTest, SqliteAliasListsTheFilesTables)
{
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "browser-writer");
        writer.setDatabaseName(top_ + "/config/notes.sqlite");
        ASSERT_TRUE(writer.open());
        QSqlQuery q(writer);
        ASSERT_TRUE(q.exec("create table \"Zebra Notes\" (id integer primary key)"));
        ASSERT_TRUE(q.exec("create table alpha (id integer primary key)"));
    }
    QSqlDatabase::removeDatabase("browser-writer");
    engine_.registerServerDriver(AliasDefinition::SqliteDriver, [](const AliasDefinition& alias, const LoginPassword&) {
        return server::openSqliteAlias(alias);
    });
    writeFile(top_ + "/config/aliases.ini", "[Notes]\nTYPE=SQLITE\nDATABASE NAME=notes.sqlite\n");
    ASSERT_EQ(engine_.loadAliases(top_ + "/config"), result::Ok);
    browser_.readAliases();
    const BrowserState& state = take(browser_.withEntry(">Notes", top_));
    EXPECT_EQ(state.mode, BrowserMode::ServerAlias);
    EXPECT_EQ(state.CurrentAliasDriver, "SQLITE");
    EXPECT_EQ(captions(items()), QStringList({"alpha", "\"Zebra Notes\""}));
    EXPECT_EQ(items()[0].dateText, "?");
    EXPECT_EQ(items()[1].dateText, "?");
}

} // namespace
