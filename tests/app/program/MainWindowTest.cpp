#include "MainWindow.h"
#include "AboutBox.h"
#include "DirectoryListBox.h"
#include "DriveAliasBox.h"
#include "FileListBox.h"
#include "LoginDialog.h"
#include "Program.h"
#include "TableListView.h"

#include "ApplicationToolTips.h"
#include "ConfigurationDialog.h"
#include "DatabaseEngine.h"
#include "FakeServer.h"
#include "MarginsDialog.h"
#include "SettingsFile.h"
#include "TableReport.h"
#include "TestStandIns.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <deque>
#include <memory>
#include <optional>

using namespace korvex;

namespace {

using test::RecordedMessages;

const QDateTime March9 = QDateTime(QDate(1996, 3, 9), QTime(12, 0));

// A file dated March 9, 1996, the date the table list shows for it.
void writeFile(const QString& path, const QByteArray& bytes = "x")
{
    ASSERT_TRUE(test::writeFile(path, bytes)) << qPrintable(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(March9, QFileDevice::FileModificationTime);
}

// A settings folder (XDG_CONFIG_HOME) with an aliases file, a folder of tables on a volume
// of its own, another folder for an alias, and a volume that cannot be entered.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(top_).mkpath("config/korvex") && QDir(top_).mkpath("tables/sub") &&
                    QDir(top_).mkpath("other"));
        for (const char* name : {"CUSTOMER.DB", "ORDERS.DBF", "NOTES.TXT", "lower.db", ".hidden.db"})
            writeFile(tables() + '/' + name);
        writeFile(top_ + "/other/X.DBF");
        writeFile(top_ + "/config/korvex/aliases.ini",
                  "[Desk]\nPATH=" + tables().toUtf8() +
                      "\n[Ledger]\nTYPE=ODBC\nSERVER NAME=db:/ledger\n"
                      "[lower]\npath=" +
                      top_.toUtf8() + "/other\n[A very long alias name, longer than 25]\nPATH=" + tables().toUtf8() +
                      "\n");
        volumes_ = {Volume{"/", "/dev/sda1", "ext4", {}, Volume::Kind::Fixed},
                    Volume{top_, "/dev/sdb1", "ext4", "DATA", Volume::Kind::Fixed},
                    Volume{"/nonexistent-korvex/STICK", "/dev/sdc1", "vfat", {}, Volume::Kind::Removable}};
        QDir::setCurrent(tables());
        setApplicationToolTips(true);
    }
    void TearDown() override
    {
        window_.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    QString tables() const { return top_ + "/tables"; }
    QString settingsPath() const { return top_ + "/config/korvex/KORVEX20.INI"; }
    void writeSettings(const QByteArray& text) { writeFile(settingsPath(), text); }

    TForm_PrintTable& open(const QLocale& locale = QLocale::c())
    {
        window_.reset();
        window_ = std::make_unique<TForm_PrintTable>(TForm_PrintTable::Services{
            settings_, engine_, location_, {}, [this] { return VolumeList(volumes_); }, &messages_, locale});
        settle();
        return *window_;
    }
    // Lets the drive box's pending change apply.
    static void settle() { QTest::qWait(3 * TForm_PrintTable::DriveNotifyMs); }

    template <typename T>
    T* find(const char* name) const
    {
        return window_->findChild<T*>(QLatin1String(name));
    }
    TableListView* list() const { return find<TableListView>("ListViewTables"); }
    DriveAliasBox* drives() const { return find<DriveAliasBox>("DriveComboBox1"); }
    QStringList captions() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i).caption;
        return names;
    }
    void choose(const QString& entry) { drives()->setCurrentIndex(drives()->findText(entry)); }

    QTemporaryDir root_;
    QString top_ = QDir(root_.path()).canonicalPath();
    bool configured_ = qputenv("XDG_CONFIG_HOME", QFile::encodeName(top_ + "/config"));
    std::vector<Volume> volumes_;
    SettingsFile settings_; // the program's own file under XDG_CONFIG_HOME
    DatabaseEngine engine_;
    TableLocation location_;
    RecordedMessages messages_;
    std::unique_ptr<TForm_PrintTable> window_;
};

TEST_F(MainWindowTest, FirstStartWithoutSettingsFile)
{
    ASSERT_FALSE(QFile::exists(settingsPath()));
    TForm_PrintTable& w = open();
    EXPECT_EQ(w.windowTitle(), "Korvex V3.2");
    EXPECT_EQ(w.size(), QSize(500, 330));
    // Screen readers announce it as a window, not as a filler.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&w)->role(), QAccessible::Window);
    EXPECT_EQ(list()->viewStyle(), TableListView::ViewStyle::List);
    EXPECT_TRUE(find<QAction>("ListView")->isChecked());
    EXPECT_EQ(list()->columnWidth(0), 150);
    EXPECT_EQ(list()->columnWidth(1), 100);
    EXPECT_TRUE(applicationToolTipsShown());
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 1500);
    EXPECT_FALSE(find<QToolButton>("SpeedButtonPrint")->isEnabled());
    EXPECT_EQ(find<QToolButton>("SpeedButtonPrint")->text(), "&Print Table(s)");
    EXPECT_EQ(find<QToolButton>("SpeedButtonEnde")->toolTip(), "Leave the program");
    EXPECT_EQ(find<QComboBox>("DriveComboBox1")->toolTip(), "Available drives and aliases");
    EXPECT_EQ(find<QLabel>("LabelTable")->text(), "Table(s) to print:");
    for (const char* name : {"GroupBoxTables", "LabelFilter", "FilterComboBox1", "LabelActDir", "DirectoryListBox1",
                             "LabelDriveAlias", "SpeedButtonConfig", "SpeedButtonAbout", "BDEpicture"})
        EXPECT_NE(find<QWidget>(name), nullptr) << name;
    EXPECT_TRUE(messages_.errors.isEmpty()) << qPrintable(messages_.errors.join('\n'));
    // Started in the tables' directory: its volume is chosen, its tables listed.
    EXPECT_EQ(drives()->currentText(), top_ + " [data]");
    EXPECT_EQ(location_.currentDirectory, tables());
    EXPECT_EQ(captions(), QStringList({"CUSTOMER.DB", "lower.db", "ORDERS.DBF"}));

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_EQ(w.pos(), QPoint(screen.x() + (screen.width() - 500) / 2, screen.y() + (screen.height() - 330) / 2));
    EXPECT_EQ(w.size(), QSize(500, 330));
}

TEST_F(MainWindowTest, ResizeLaysOutEveryControl)
{
    TForm_PrintTable& w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const auto at = [&](const char* name) { return find<QWidget>(name)->geometry(); };
    w.resize(QSize(600, 400));
    EXPECT_EQ(at("GroupBoxTables"), QRect(12, 7, 460, 347));
    EXPECT_EQ(at("SpeedButtonEnde"), QRect(487, 304, 92, 50));
    EXPECT_EQ(at("SpeedButtonAbout").topLeft(), QPoint(487, 251));
    EXPECT_EQ(at("SpeedButtonConfig").topLeft(), QPoint(487, 198));
    EXPECT_EQ(at("SpeedButtonPrint").topLeft(), QPoint(487, 137));
    EXPECT_EQ(at("ListViewTables"), QRect(15, 35, 207, 258));
    EXPECT_EQ(at("LabelActDir"), QRect(238, 18, 207, 13));
    EXPECT_EQ(at("DirectoryListBox1"), QRect(238, 35, 207, 258));
    EXPECT_EQ(at("LabelFilter"), QRect(15, 295, 207, 13));
    EXPECT_EQ(at("FilterComboBox1"), QRect(15, 311, 207, 21));
    EXPECT_EQ(at("LabelDriveAlias"), QRect(238, 295, 61, 13));
    EXPECT_EQ(at("DriveComboBox1"), QRect(238, 311, 207, 19));
    EXPECT_EQ(at("LabelTable"), QRect(15, 18, 207, 13));

    w.resize(QSize(300, 200)); // smaller than the minimum: refused
    EXPECT_EQ(w.size(), QSize(500, 330));
    EXPECT_EQ(at("GroupBoxTables"), QRect(12, 7, 360, 277));
    EXPECT_EQ(at("SpeedButtonEnde"), QRect(387, 234, 92, 50));
    EXPECT_EQ(at("ListViewTables"), QRect(15, 35, 157, 188));
    EXPECT_EQ(at("DirectoryListBox1"), QRect(188, 35, 157, 188));
    EXPECT_EQ(at("FilterComboBox1"), QRect(15, 241, 157, 21));
}

TEST_F(MainWindowTest, StateIsSavedOnCloseAndRestored)
{
    TForm_PrintTable& w = open();
    find<QAction>("DetailsView")->trigger();
    list()->setColumnWidth(0, 180);
    list()->setColumnWidth(1, 90);
    find<DirectoryListBox>("DirectoryListBox1")->setDirectory(tables() + "/sub");
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.resize(QSize(640, 480));
    w.close();
    EXPECT_EQ(settings_.ReadText("System", "LastDirectory", {}), tables() + "/sub");
    EXPECT_EQ(settings_.ReadText("System", "LastDriveAlias", {}), top_ + " [data]");
    EXPECT_EQ(settings_.ReadNumber("System", "View_Mode", -1), 2);
    EXPECT_EQ(settings_.ReadNumber("System", "Details_Colsize_1", -1), 180);
    EXPECT_EQ(settings_.ReadNumber("System", "Details_Colsize_2", -1), 90);
    EXPECT_EQ(settings_.ReadNumber("MainWindow", "width", -1), 640);
    EXPECT_EQ(settings_.ReadNumber("MainWindow", "height", -1), 480);
    EXPECT_FALSE(settings_.ReadFlag("MainWindow", "Maximized", true));

    open().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_EQ(window_->size(), QSize(640, 480));
    EXPECT_EQ(location_.currentDirectory, tables() + "/sub");
    EXPECT_EQ(list()->viewStyle(), TableListView::ViewStyle::Details);
    EXPECT_TRUE(find<QAction>("DetailsView")->isChecked());
    EXPECT_EQ(list()->columnWidth(0), 180);

    // Closed while maximised: the maximised size is stored with the flag.
    window_->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->size() != QSize(640, 480); }));
    const QSize maximised = window_->size();
    ASSERT_NE(maximised, QSize(640, 480));
    window_->close();
    EXPECT_TRUE(settings_.ReadFlag("MainWindow", "Maximized", false));
    EXPECT_EQ(settings_.ReadNumber("MainWindow", "width", -1), maximised.width());
    open().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_TRUE(window_->isMaximized());
    window_->showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window_->size() == maximised; }));
    EXPECT_EQ(window_->size(), maximised);
    window_->close();

    // Without a width, neither height nor the maximised flag is read; "View_Mode" 7 is details.
    writeSettings("[MainWindow]\nwidth=0\nheight=222\nMaximized=1\n[System]\nView_Mode=7\n");
    open().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_FALSE(window_->isMaximized());
    EXPECT_EQ(window_->size(), QSize(500, 330));
    EXPECT_EQ(list()->viewStyle(), TableListView::ViewStyle::Details);
}

TEST_F(MainWindowTest, AliasesComeBeforeTheVolumesAndSwitchTheBrowser)
{
    open();
    QStringList entries;
    for (int i = 0; i < drives()->count(); ++i)
        entries << drives()->itemText(i);
    EXPECT_EQ(entries, QStringList({">A very long alias name, longer than 25", ">Desk", ">Ledger", ">lower", "/",
                                    top_ + " [data]", "/nonexistent-korvex/STICK"}));

    choose(">Desk");
    settle();
    EXPECT_EQ(location_.CurrentAlias, "Desk");
    EXPECT_EQ(location_.CurrentAliasDriver, "STANDARD");
    EXPECT_EQ(location_.CurrentDatabase, "DDBDesk");
    EXPECT_EQ(location_.currentDirectory, tables());
    EXPECT_FALSE(window_->isFileListLinked());
    EXPECT_FALSE(find<QWidget>("DirectoryListBox1")->isEnabled());
    EXPECT_FALSE(find<QWidget>("FilterComboBox1")->isEnabled());
    EXPECT_EQ(captions(), QStringList({"CUSTOMER.DB", "lower.db", "ORDERS.DBF"}));
    EXPECT_EQ(list()->item(0).dateText, "09/03/1996");

    // A server alias has no driver: the error is shown and the browser is as before.
    list()->setSelected(2, true);
    choose(">Ledger");
    settle();
    ASSERT_EQ(messages_.errors.size(), 1);
    EXPECT_TRUE(messages_.errors[0].contains("no driver for ODBC")) << qPrintable(messages_.errors[0]);
    EXPECT_EQ(location_.CurrentAlias, "Desk");
    EXPECT_EQ(location_.CurrentDatabase, "DDBDesk");
    EXPECT_EQ(drives()->currentText(), ">Desk");
    EXPECT_EQ(find<DirectoryLabel>("LabelActDir")->fullText(), tables());
    EXPECT_TRUE(find<DirectoryListBox>("DirectoryListBox1")->hasEntries());
    EXPECT_TRUE(list()->isSelected(2));

    // The long name and the lower-case "path=": BrowserStateTest.AliasesSwitchTheBrowser.
    choose(">lower");
    settle();
    EXPECT_EQ(captions(), QStringList({"X.DBF"}));
    EXPECT_EQ(location_.currentDirectory, top_ + "/other");

    // Back to the volume: drive mode on the directory the alias showed, read anew.
    choose(top_ + " [data]");
    settle();
    EXPECT_TRUE(location_.CurrentAlias.isEmpty());
    EXPECT_EQ(location_.CurrentDatabase, "DDBlower"); // kept until another alias is chosen
    EXPECT_TRUE(window_->isFileListLinked());
    EXPECT_TRUE(find<QWidget>("DirectoryListBox1")->isEnabled());
    EXPECT_EQ(location_.currentDirectory, top_ + "/other");
    EXPECT_EQ(messages_.errors.size(), 1);
}

// Answers each login dialog in turn: types the password and presses Enter, or Escape for
// none; records "title|alias|user|echo off" of each.
struct LoginAnswers {
    std::deque<std::optional<QString>> passwords;
    QStringList shown;

    void watch()
    {
        QTimer::singleShot(10, [this] {
            if (auto* dialog = qobject_cast<LoginDialog*>(QApplication::activeModalWidget())) {
                auto* password = dialog->findChild<QLineEdit*>("LoginPassword");
                shown << QStringList{dialog->windowTitle(), dialog->findChild<QLabel*>("LoginAlias")->text(),
                                     dialog->findChild<QLineEdit*>("LoginUserName")->text(),
                                     QString::number(password->echoMode() == QLineEdit::Password)}
                             .join('|');
                if (passwords.front())
                    QTest::keyClicks(password, *passwords.front());
                QTest::keyClick(password, passwords.front() ? Qt::Key_Return : Qt::Key_Escape);
                passwords.pop_front();
            }
            if (!passwords.empty())
                watch();
        });
    }
};

TEST_F(MainWindowTest, ServerAliasLogsInOnceAndListsItsTablesWithoutDates)
{
    writeFile(top_ + "/config/korvex/aliases.ini",
              "[Desk]\nPATH=" + tables().toUtf8() + "\n[Shop]\nTYPE=FAKESQL\nSERVER NAME=db\nUSER NAME=clerk\n");
    test::FakeServer server;
    engine_.registerServerDriver(test::FakeServer::Driver, server.opener());
    open();
    choose(">Desk");
    settle();

    // A wrong password and a cancel: the server's text in the error box, the browser as before.
    LoginAnswers login{{QStringLiteral("wrong"), std::nullopt, QStringLiteral("secret")}, {}};
    login.watch();
    choose(">Shop");
    settle();
    ASSERT_EQ(messages_.errors.size(), 1);
    EXPECT_TRUE(messages_.errors[0].contains("password authentication failed for user \"clerk\""))
        << qPrintable(messages_.errors[0]);
    EXPECT_EQ(location_.CurrentAlias, "Desk");
    EXPECT_EQ(drives()->currentText(), ">Desk");
    choose(">Shop");
    settle();
    ASSERT_EQ(messages_.errors.size(), 2);
    EXPECT_TRUE(messages_.errors[1].contains("cancelled")) << qPrintable(messages_.errors[1]);

    choose(">Shop");
    settle();
    EXPECT_EQ(messages_.errors.size(), 2);
    EXPECT_EQ(login.shown, QStringList(3, "Database Login|Shop|clerk|1"));
    EXPECT_EQ(location_.CurrentAlias, "Shop");
    EXPECT_EQ(location_.CurrentAliasDriver, "FAKESQL");
    EXPECT_EQ(location_.CurrentDatabase, "DDBShop");
    EXPECT_EQ(find<DirectoryLabel>("LabelActDir")->fullText(), "Remote driven database");
    EXPECT_FALSE(find<DirectoryListBox>("DirectoryListBox1")->hasEntries());
    EXPECT_FALSE(find<QWidget>("FilterComboBox1")->isEnabled());
    EXPECT_EQ(captions(), test::FakeServerDatabase::names());
    EXPECT_EQ(list()->item(0).dateText, "?");
    EXPECT_EQ(list()->item(1).imageIndex, 0);

    // Away and back: no second login in the run.
    choose(">Desk");
    settle();
    choose(">Shop");
    settle();
    EXPECT_EQ(login.shown.size(), 3);
    EXPECT_EQ(server.connections, 1);
}

TEST_F(MainWindowTest, OnlyTheLastOfQuickChangesApplies)
{
    open();
    choose(">Ledger"); // would show an error if it were applied
    QTest::qWait(10);
    choose(">lower");
    QTest::qWait(10);
    choose(">Desk");
    EXPECT_TRUE(find<QTimer>("DriveNotifyTimer")->isActive());
    EXPECT_TRUE(location_.CurrentAlias.isEmpty());
    settle();
    EXPECT_FALSE(find<QTimer>("DriveNotifyTimer")->isActive());
    EXPECT_EQ(location_.CurrentAlias, "Desk");
    EXPECT_TRUE(messages_.errors.isEmpty());
}

TEST_F(MainWindowTest, VolumeThatCannotBeEnteredFallsBackQuietly)
{
    open();
    choose("/nonexistent-korvex/STICK");
    settle();
    EXPECT_TRUE(messages_.errors.isEmpty());
    EXPECT_EQ(location_.currentDirectory, tables());
    EXPECT_EQ(drives()->currentText(), top_ + " [data]");
    EXPECT_EQ(drives()->currentDrive(), top_);
    // Leaving the volume through the directory list takes the box along, at once.
    find<DirectoryListBox>("DirectoryListBox1")->setDirectory("/");
    EXPECT_EQ(drives()->currentText(), "/");
    EXPECT_FALSE(find<QTimer>("DriveNotifyTimer")->isActive());
    find<DirectoryListBox>("DirectoryListBox1")->setDirectory(tables());
    // A remembered directory that is gone starts the browser at its nearest parent.
    window_->close();
    writeSettings("[System]\nLastDirectory=" + tables().toUtf8() + "/gone/deeper\n");
    open();
    EXPECT_EQ(location_.currentDirectory, tables());
    EXPECT_TRUE(messages_.errors.isEmpty());
}

TEST(TableListText, DatesAndPictures)
{
    const QDateTime march9(QDate(1996, 3, 9), QTime(23, 59));
    EXPECT_EQ(tableDateText(march9, u'/'), "09/03/1996");
    EXPECT_EQ(tableDateText(march9, u'.'), "09.03.1996");
    EXPECT_EQ(tableDateText(QDateTime(), u'/'), "?");
    EXPECT_EQ(dateSeparator(QLocale(QLocale::German, QLocale::Germany)), u'.');
    EXPECT_EQ(dateSeparator(QLocale(QLocale::English, QLocale::UnitedStates)), u'/');
    EXPECT_EQ(dateSeparator(QLocale(QLocale::Swedish, QLocale::Sweden)), u'-');
    EXPECT_EQ(fileDateText(QDir::tempPath(), u'/'), "?");
    EXPECT_EQ(fileDateText(QDir::tempPath() + "/no-such-korvex-file", u'/'), "?");
    EXPECT_EQ(tableImageIndex("NOTES.TXT", false), 1);
    EXPECT_EQ(tableImageIndex("CUSTOMER.DB", false), 0);
    EXPECT_EQ(tableImageIndex("orders.dbf", false), 0);
    EXPECT_EQ(tableImageIndex("NOTES.TXT", true), 0);
    EXPECT_EQ(shortenDirectory("/home/anna/tables/sales", 100, [](const QString& s) { return int(s.size()) * 10; }),
              "/.../sales");
}

TEST_F(MainWindowTest, TableTypesAndRegionalDates)
{
    open(QLocale(QLocale::German, QLocale::Germany));
    auto* types = find<QComboBox>("FilterComboBox1");
    ASSERT_EQ(types->count(), 3);
    EXPECT_EQ(types->itemText(0), "Paradox / DBase");
    types->setCurrentIndex(1);
    EXPECT_EQ(captions(), QStringList({"NOTES.TXT"}));
    EXPECT_EQ(list()->item(0).imageIndex, 1);
    EXPECT_EQ(list()->item(0).dateText, "09.03.1996");
    types->setCurrentIndex(2);
    EXPECT_EQ(captions(), QStringList({"CUSTOMER.DB", "lower.db", "NOTES.TXT", "ORDERS.DBF"}));
    EXPECT_EQ(list()->item(0).imageIndex, 0);
    EXPECT_EQ(list()->item(3).imageIndex, 0);
    // Alias mode and a server's driver: BrowserStateTest.TableTypesAndRegionalDates.
}

// The print run over CUSTOMER.DB, lower.db, ORDERS.DBF with scripted outcomes and answers.
struct PrintRunCase {
    const char* name;
    std::vector<int> selected;
    QStringList failing;
    std::deque<ContinueAnswer> answers;
    QStringList printed;
    int questions;
};

class PrintRunTest : public MainWindowTest, public ::testing::WithParamInterface<PrintRunCase> {};

TEST_P(PrintRunTest, AsksBeforeEachTableAfterAFailure)
{
    const PrintRunCase& c = GetParam();
    open();
    QStringList printed;
    int questions = 0;
    std::deque<ContinueAnswer> answers = c.answers;
    window_->setPartners({nullptr,
                          nullptr,
                          [&](const QString& name) {
                              printed << name;
                              return !c.failing.contains(name);
                          },
                          {},
                          [&](QWidget*) {
                              ++questions;
                              const ContinueAnswer a = answers.empty() ? ContinueAnswer::Yes : answers.front();
                              if (!answers.empty())
                                  answers.pop_front();
                              return a;
                          }});
    for (int i : c.selected)
        list()->setSelected(i, true);
    auto* print = find<QToolButton>("SpeedButtonPrint");
    EXPECT_EQ(print->isEnabled(), !c.selected.empty());
    window_->SpeedButtonPrintClick();
    EXPECT_EQ(printed, c.printed);
    EXPECT_EQ(questions, c.questions);
    EXPECT_TRUE(messages_.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, PrintRunTest,
    ::testing::Values(PrintRunCase{"FirstFailsThenYes",
                                   {0, 1, 2},
                                   {"CUSTOMER.DB"},
                                   {ContinueAnswer::Yes, ContinueAnswer::Yes},
                                   {"CUSTOMER.DB", "lower.db", "ORDERS.DBF"},
                                   2},
                      PrintRunCase{"All",
                                   {0, 1, 2},
                                   {"CUSTOMER.DB", "lower.db"},
                                   {ContinueAnswer::All},
                                   {"CUSTOMER.DB", "lower.db", "ORDERS.DBF"},
                                   1},
                      PrintRunCase{"No", {0, 1, 2}, {"CUSTOMER.DB"}, {ContinueAnswer::No}, {"CUSTOMER.DB"}, 1},
                      PrintRunCase{"LastFails", {0, 2}, {"ORDERS.DBF"}, {}, {"CUSTOMER.DB", "ORDERS.DBF"}, 0},
                      PrintRunCase{"OnlyUnselectedAfterAFailure", {0}, {"CUSTOMER.DB"}, {}, {"CUSTOMER.DB"}, 0},
                      PrintRunCase{"NothingSelected", {}, {}, {}, {}, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(MainWindowTest, PrintButtonFollowsTheSelectionAndErrorsEndTheRun)
{
    open();
    auto* print = find<QToolButton>("SpeedButtonPrint");
    list()->setSelected(1, true);
    EXPECT_TRUE(print->isEnabled());
    list()->setSelected(1, false);
    EXPECT_FALSE(print->isEnabled());
    find<QAction>("SelectAllFiles")->trigger();
    EXPECT_EQ(list()->selectedCount(), 3);
    EXPECT_TRUE(print->isEnabled());

    // An error the report does not catch ends the run at once and is shown.
    QStringList printed;
    window_->setPartners({nullptr,
                          nullptr,
                          [&](const QString& name) -> bool {
                              printed << name;
                              throw SettingsValueError("Options", "Main_Header_FontSize", "big");
                          },
                          {}});
    print->click();
    EXPECT_EQ(printed, QStringList({"CUSTOMER.DB"}));
    ASSERT_EQ(messages_.errors.size(), 1);
    EXPECT_TRUE(messages_.errors[0].contains("Main_Header_FontSize")) << qPrintable(messages_.errors[0]);

    find<QAction>("ClearFiles")->trigger();
    EXPECT_EQ(list()->selectedCount(), 0);
    EXPECT_FALSE(print->isEnabled());

    // A table file to open: drive mode on its directory, the table selected.
    choose(">Desk");
    settle();
    window_->openTableFile(top_ + "/other/X.DBF");
    settle();
    EXPECT_TRUE(location_.CurrentAlias.isEmpty());
    EXPECT_EQ(captions(), QStringList({"X.DBF"}));
    EXPECT_TRUE(list()->isSelected(0));
}

// Regression: "korvex ARG" was silent on a missing file, opened a directory's parent and
// took a file:// URI for a relative path.
TEST_F(MainWindowTest, PathsAndUrisOpenWhatTheyName)
{
    open();
    window_->openPaths({QUrl::fromLocalFile(top_ + "/other").toString()});
    EXPECT_EQ(location_.currentDirectory, top_ + "/other");
    EXPECT_EQ(list()->selectedCount(), 0);

    // Dropped files: their directory, every one of them selected.
    window_->openPaths({QUrl::fromLocalFile(tables() + "/ORDERS.DBF").toString(), tables() + "/CUSTOMER.DB"});
    EXPECT_EQ(location_.currentDirectory, tables());
    EXPECT_EQ(list()->selectedCount(), 2);

    try {
        window_->openPaths({top_ + "/other/GONE.DB"});
        ADD_FAILURE() << "a missing file is not told";
    } catch (const DirectoryError& e) {
        EXPECT_EQ(e.message(), top_ + "/other/GONE.DB: no such file");
    }
    EXPECT_EQ(location_.currentDirectory, top_ + "/other");
    EXPECT_EQ(localPathOf("file:///tmp/a%20b.db"), "/tmp/a b.db");
    EXPECT_EQ(localPathOf("relative/x.db"), "relative/x.db");
}

// Regression: only a Menu key opened the table list's menu; laptops have Shift+F10.
TEST_F(MainWindowTest, ShiftF10OpensTheTableListsMenu)
{
    TForm_PrintTable& w = open();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    list()->currentView()->setFocus();
    auto* menu = find<QMenu>("PopupMenuFiles");
    QTest::keyClick(list()->currentView(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
    menu->close();
}

// The whole program: its windows, the configure button's password round, and PDF files
// told once.
TEST_F(MainWindowTest, ProgramPrintsToPdfAndTellsTheFolderOnce)
{
    KORVEX_REQUIRE_FIXTURES();
    const QString table = test::fixturesDir() + "/dbase/db3_nomemo.dbf";
    QStringList told;
    Program::Options options;
    options.startFile = table;
    options.pdfFolder = top_ + "/pdf";
    options.tellPdfFolder = [&](const QString& folder) {
        told << folder;
        return false;
    };
    options.volumes = [this] { return VolumeList(volumes_); };
    options.errors = &messages_;
    Program program(options);
    ASSERT_TRUE(program.printer().isPdfPrinter());
    EXPECT_EQ(program.configurationDialog().parentWidget(), &program.mainWindow());
    EXPECT_FALSE(program.progressWindow().isVisible());
    auto* list = program.mainWindow().findChild<TableListView*>("ListViewTables");
    ASSERT_EQ(list->selectedCount(), 1);

    // From the keyboard: the list, every table in it, and the print button's accelerator.
    TForm_PrintTable& w = program.mainWindow();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    list->setFocus();
    QTest::keyClick(list->currentView(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedCount(), list->count());
    for (int i = 0; i < list->count(); ++i)
        list->setSelected(i, list->item(i).caption == "db3_nomemo.dbf");
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier); // the button is pressed for a moment
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(top_ + "/pdf/Korvex - db3_nomemo.dbf.pdf"); }));
    program.mainWindow().SpeedButtonPrintClick();
    EXPECT_TRUE(QFile::exists(top_ + "/pdf/Korvex - db3_nomemo.dbf (2).pdf"));
    EXPECT_EQ(told, QStringList({top_ + "/pdf"}));
    // Titles are the windows' own, with nothing appended.
    EXPECT_NE(QGuiApplication::applicationDisplayName(), "Korvex V3.2");
    EXPECT_EQ(program.configurationDialog().windowTitle(), "Korvex V3.2 - Configuration");
    EXPECT_EQ(program.aboutBox().windowTitle(), "About Korvex");

    // Configure: grey while the dialog is up; afterwards the stored passwords reach the engine.
    bool greyedMeanwhile = false;
    QTimer::singleShot(50, [&] {
        greyedMeanwhile = program.mainWindow().isGreyed();
        SettingsFile(SettingsFile::settingsDirectory() + "/KORVEX20.INI").WriteText("Passwords", "Password_0", "kiwi");
        program.configurationDialog().reject();
    });
    program.mainWindow().SpeedButtonConfigClick();
    EXPECT_TRUE(greyedMeanwhile);
    EXPECT_FALSE(program.mainWindow().isGreyed());
    EXPECT_EQ(program.configurationDialog().passwords(), QStringList({"kiwi"}));
    EXPECT_TRUE(messages_.errors.isEmpty()) << qPrintable(messages_.errors.join('\n'));
}

// The note on the PDF folder comes after a run, once per run, until the user checks "Do
// not show this again", which the settings file keeps for later runs.
TEST_F(MainWindowTest, PdfFolderNoteUntilTheUserAsksForNoMore)
{
    KORVEX_REQUIRE_FIXTURES();
    int told = 0;
    bool never = false;
    Program::Options options;
    options.startFile = test::fixturesDir() + "/dbase/db3_nomemo.dbf";
    options.pdfFolder = top_ + "/pdf";
    options.tellPdfFolder = [&](const QString&) {
        ++told;
        return never;
    };
    options.volumes = [this] { return VolumeList(volumes_); };
    options.errors = &messages_;
    for (int run = 0; run < 3; ++run) {
        never = run == 1;
        Program program(options);
        ASSERT_TRUE(program.printTable("db3_nomemo.dbf"));
        program.printRunEnded();
        ASSERT_TRUE(program.printTable("db3_nomemo.dbf"));
        program.printRunEnded();
    }
    EXPECT_EQ(told, 2);
    EXPECT_FALSE(settings_.ReadFlag(Program::ShowPdfFolderNote));
}

// Under a real window manager (korvex_window_manager_test.sh runs this on Xvfb with
// openbox): the minimum size and the layout count the inside, whatever the frame.
TEST_F(MainWindowTest, UnderAWindowManagerTheInsideIsTheSize)
{
    if (QGuiApplication::platformName() != "xcb" || qEnvironmentVariableIsEmpty("KORVEX_WINDOW_MANAGER"))
        GTEST_SKIP() << "needs an X server with a window manager (korvex_window_manager_test.sh)";
    const auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    const auto xdotool = [&](const QStringList& arguments) { return run("xdotool", arguments); };
    TForm_PrintTable& w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QString id = QString::number(w.winId());
    // The window manager tells the frame it drew around the window in _NET_FRAME_EXTENTS.
    // Asked of the X server, not of Qt, which may have taken the margins before the frame
    // came; a slow build (sanitizers) can take seconds to get there.
    const auto framed = [&] {
        const QString extents = run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
        return extents.contains('=') && !extents.endsWith("= 0, 0, 0, 0");
    };
    ASSERT_TRUE(QTest::qWaitFor(framed, 30000)) << "no frame";
    EXPECT_EQ(w.size(), QSize(500, 330));
    EXPECT_EQ(xdotool({"getwindowname", id}), "Korvex V3.2");

    xdotool({"windowsize", "--sync", id, "300", "200"});
    QTest::qWait(300);
    EXPECT_EQ(w.size(), QSize(500, 330));
    xdotool({"windowsize", "--sync", id, "600", "400"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.size() == QSize(600, 400); }, 20000)) << w.width() << "x" << w.height();
    EXPECT_EQ(find<QWidget>("GroupBoxTables")->geometry(), QRect(12, 7, 460, 347));
    EXPECT_EQ(find<QWidget>("SpeedButtonEnde")->geometry(), QRect(487, 304, 92, 50));
    EXPECT_EQ(find<QWidget>("ListViewTables")->height(), 258);

    // The dialogs' titles stand alone.
    TForm_Margins margins(&w);
    AboutBox about(settingsPath(), {}, {}, &w);
    for (QWidget* dialog : {static_cast<QWidget*>(&margins), static_cast<QWidget*>(&about)}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_EQ(xdotool({"getwindowname", QString::number(dialog->winId())}), dialog->windowTitle());
        dialog->hide();
    }
    EXPECT_EQ(margins.windowTitle(), "Margins");
}

// Regressions: a 224-character name ran out of the list view without "…", and the first
// Down after the list took the focus selected the second table.
TEST(TableListViewTest, LongNamesStayInTheViewAndTheFirstArrowSelectsTheFirst)
{
    TableListView view;
    view.resize(164, 195);
    const QString name = QString(220, u'N') + ".DB";
    view.setItems({{name, 0, "?"}, {"B.DB", 0, "?"}});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QListView* list = view.listView();
    const QModelIndex first = list->model()->index(0, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->visualRect(first).isValid(); }));
    EXPECT_LE(list->visualRect(first).width(), list->viewport()->width());
    EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
    EXPECT_EQ(first.data(Qt::ToolTipRole).toString(), name);
    EXPECT_EQ(first.data(Qt::AccessibleTextRole).toString(), name);

    view.activateWindow();
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(view.isSelected(0));
    EXPECT_FALSE(view.isSelected(1));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(view.isSelected(1));
}

// Escape while a table prints ends the run after that table.
TEST_F(MainWindowTest, EscapeEndsTheRunAfterTheCurrentTable)
{
    open();
    find<QAction>("SelectAllFiles")->trigger();
    QStringList printed;
    window_->setPartners({nullptr,
                          nullptr,
                          [&](const QString& name) {
                              printed << name;
                              QTest::keyClick(list()->currentView(), Qt::Key_Escape);
                              return true;
                          },
                          {}});
    window_->SpeedButtonPrintClick();
    EXPECT_EQ(printed, QStringList({"CUSTOMER.DB"}));
    // The next run starts afresh.
    window_->SpeedButtonPrintClick();
    EXPECT_EQ(printed.size(), 2);
}

// Regression: a volume unmounted while shown left an alias selected, which was stored.
TEST_F(MainWindowTest, AVanishedVolumeGivesWayToTheVolumeHoldingIt)
{
    volumes_.push_back(Volume{tables(), "tmpfs", "tmpfs", "SCRATCH", Volume::Kind::Ram});
    open();
    ASSERT_EQ(drives()->currentDrive(), tables());
    volumes_.pop_back();
    drives()->refreshVolumes();
    EXPECT_EQ(drives()->currentText(), top_ + " [data]");
    EXPECT_EQ(drives()->currentDrive(), top_);
    window_->close();
    EXPECT_EQ(settings_.ReadText("System", "LastDriveAlias", {}), top_ + " [data]");
}

// Ctrl+L in the directory list: a line to type a directory into; Enter goes there.
TEST_F(MainWindowTest, CtrlLTakesATypedDirectory)
{
    TForm_PrintTable& w = open();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* directories = find<DirectoryListBox>("DirectoryListBox1");
    directories->setFocus();
    QTest::keyClick(directories, Qt::Key_L, Qt::ControlModifier);
    QLineEdit* line = directories->pathLine();
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), tables());
    line->setText("../other");
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(location_.currentDirectory, top_ + "/other");
    EXPECT_EQ(captions(), QStringList({"X.DBF"}));
}

} // namespace
