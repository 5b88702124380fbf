#pragma once

#include "DriveAliasBox.h"
#include "GrayedForm.h"
#include "MainWindowLayout.h"
#include "MessageBoxMessages.h"
#include "PrintRun.h"
#include "TableListView.h"

#include "TableBrowser.h"

#include "ServerLogin.h"
#include "SettingsFile.h"

#include <QLocale>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;

namespace korvex {

class DatabaseEngine;
class DirectoryLabel;
class DirectoryListBox;
class FileListBox;
class TForm_PrnTabCfg;
class UserMessages;
struct TableLocation;

// A path given as a local path or as a file:// URI, as a local path; anything else as it is.
QString localPathOf(const QString& argument);

// Makes the main window speak to screen readers as a window (a frame), not as a filler.
// The program calls it before it makes any window: the first message about a window to a
// screen reader makes and keeps its accessible interface. Safe to call again.
void installMainWindowAccessible();

// The application's hints appear after the pointer has rested this long on a control.
void setApplicationHintDelay(int milliseconds);

// The keys the main window restores at start and writes when it closes.
struct MainWindowKeys {
    static inline const TextKey LastDirectory{SettingsSection::System, QStringLiteral("LastDirectory"), QString()};
    static inline const TextKey LastDriveAlias{SettingsSection::System, QStringLiteral("LastDriveAlias"), QString()};
    static inline const NumberKey View_Mode{SettingsSection::System, QStringLiteral("View_Mode"), 1};
    static inline const NumberKey Details_Colsize_1{SettingsSection::System, QStringLiteral("Details_Colsize_1"), 150};
    static inline const NumberKey Details_Colsize_2{SettingsSection::System, QStringLiteral("Details_Colsize_2"), 100};
    static inline const NumberKey width{SettingsSection::MainWindow, QStringLiteral("width"), 0};
    static inline const NumberKey height{SettingsSection::MainWindow, QStringLiteral("height"), 330};
    static inline const FlagKey Maximized{SettingsSection::MainWindow, QStringLiteral("Maximized"), false};
};

// The main window: the table browser on the left (a drive or alias, a directory, a table
// type, and the tables to print in one of three views), the print, configure, about and
// exit buttons on the right. Closing it ends the program.
//
// The browser's state is a TableBrowser's, which computes every change without widgets;
// the window shows each new state, and keeps the shared TableLocation up to date with it:
// the directory it shows and, in alias mode, the alias, its driver and its database's name.
// In drive mode (no alias) the table list shows the files of the directory that match the
// table type; in alias mode it shows the alias's tables, and the directory controls are
// disabled.
//
// Sizes are the window's inside (client) sizes, never counting the frame a window manager
// puts around it: the first start, the minimum size 500 x 330, the layout and the stored
// size all mean the inside, so that a stored size comes back as it was.
class TForm_PrintTable : public QWidget, public TGrayedForm {
    Q_OBJECT
public:
    static inline const QString Title = ApplicationTitle;
    static constexpr int HintDelayMs = 1500;
    static constexpr int DriveNotifyMs = 50;
    static constexpr int AliasNameLength = TableBrowser::AliasNameLength;
    static constexpr int RememberedEntryLength = 20;
    static inline const QString RemoteDatabaseCaption = QStringLiteral("Remote driven database");
    static inline const QString TableTypeFilter = QStringLiteral(
        "Paradox / DBase|*.db;*.dbf|ASCII|*.txt|All Files|*.*");

    // What the window works with, owned by the program for the whole run.
    struct Services {
        SettingsFile& settings;
        DatabaseEngine& engine;
        TableLocation& location;
        // The folder of the aliases file (or the file itself).
        QString aliasesLocation;
        // The mounted volumes offered in place of drives.
        DriveAliasBox::VolumeSource volumes = [] { return VolumeList::read(); };
        // The application's error display; none: an error box after the system's beep.
        UserMessages* errors = nullptr;
        // The regional settings the table list's dates follow.
        QLocale locale = QLocale::system();
        // Asks for the password of a server alias; none: a login dialog over this window,
        // asked once per alias and run, since the engine keeps the connection.
        ServerLogin* login = nullptr;
    };

    // What is made after the main window and reached through it.
    struct Partners {
        TForm_PrnTabCfg* configuration = nullptr;
        QDialog* about = nullptr;
        PrintTableFunction printTable;
        std::function<void()> closePrintedTables;
        ContinueQuestion continueQuestion = askContinuePrinting;
        // The popup's "Print preview..." and "Export...", with the selected tables' names.
        std::function<void(const QStringList& tables)> previewTables = nullptr;
        std::function<void(const QStringList& tables)> exportTables = nullptr;
        // After every print run.
        std::function<void()> printRunEnded = nullptr;
    };

    // Makes the controls and runs FormCreate; an error there is shown, the remaining steps
    // are skipped, and the window stays usable.
    explicit TForm_PrintTable(Services services, QWidget* parent = nullptr);
    ~TForm_PrintTable() override;

    void setPartners(Partners partners);

    // Opens the browser on the directory of a table file in drive mode, with that table
    // selected (the program started to open a file).
    void openTableFile(const QString& path);
    // Opens paths or file:// URIs (given on the command line or dropped on the window): a
    // directory shows itself; files show their directory with them selected (the ones in
    // the directory of the first path that is there). Paths that are not there are told
    // with DirectoryError after the rest is shown.
    void openPaths(const QStringList& arguments);

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void FormResize();
    void SpeedButtonPrintClick();
    void SpeedButtonConfigClick();
    void SpeedButtonAboutClick();
    void SpeedButtonEndeClick();
    void ListViewTablesChange();

    // The table browser.
    void DriveComboBox1Change();
    void DriveNotifyTimerTimer();
    void ApplyDriveAliasSelection();
    void FileListBox1Change();
    void DisableDirectoryControls();
    void EnableDirectoryControls();
    void IconViewClick();
    void ListViewClick();
    void DetailsViewClick();
    void SelectAllFilesClick();
    void ClearFilesClick();
    void printPreviewClick();
    void exportTablesClick();

    // The names of the selected tables, in list order.
    QStringList selectedTables() const;

    const TableBrowser& browser() const { return browser_; }
    const QStringList& aliasNames() const { return browser_.aliasNames(); }
    const TableLocation& location() const { return s_.location; }
    bool isFileListLinked() const { return browser_.state().fileListLinked; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Table files or a folder dropped on the window are shown and selected.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void makeControls();
    void makePopupMenu();
    void connectHandlers();
    // Runs a handler; its error is shown and the program goes on.
    void guarded(const std::function<void()>& handler);

    // The table browser's parts.
    void buildAliasEntries();
    void restoreDriveAliasSelection();
    void enterDirectory(const QString& directory);
    void directoryListChanged(const QString& directory);
    void tableTypeChosen(int index);
    // Shows a state of the browser and takes it as the browser's; a directory that cannot
    // be entered any more stops it before anything is shown.
    void showState(BrowserState state);
    // The directory list, its label, the table-type box and, in drive mode, the drive box.
    void showDirectoryControls(const BrowserState& shown);
    // The drive/alias box back on the entry of the state shown, after a failed switch.
    void showAppliedEntry();
    void selectTables(const QStringList& names);

    void centreOnScreen();

    Services s_;
    Partners partners_;
    std::unique_ptr<UserMessages> ownErrors_;
    std::unique_ptr<ServerLogin> ownLogin_;
    QString startDirectory_;
    bool destroyed_ = false;

    // Controls.
    QGroupBox* GroupBoxTables;
    QLabel* LabelTable;
    TableListView* ListViewTables;
    QLabel* LabelFilter;
    QComboBox* FilterComboBox1;
    DirectoryLabel* LabelActDir;
    DirectoryListBox* DirectoryListBox1;
    QLabel* LabelDriveAlias;
    DriveAliasBox* DriveComboBox1;
    QToolButton* SpeedButtonPrint;
    QToolButton* SpeedButtonConfig;
    QToolButton* SpeedButtonAbout;
    QToolButton* SpeedButtonEnde;
    FileListBox* FileListBox1;
    QLabel* BDEpicture;
    QMenu* PopupMenuFiles;
    QMenu* View1;
    QAction* IconView;
    QAction* ListView;
    QAction* DetailsView;
    QAction* SelectAllFiles;
    QAction* ClearFiles;
    QAction* printPreview_;
    QAction* exportTables_;
    QTimer* DriveNotifyTimer;
    MainWindowLayout layout_;

    // The browser's state; the controls above show it.
    TableBrowser browser_;
    int appliedEntry_ = -1; // the drive/alias box's entry the browser shows
    QChar dateSeparator_;

    bool shownOnce_ = false;
};

} // namespace korvex
