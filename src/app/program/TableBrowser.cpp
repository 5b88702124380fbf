// The table browser of the main window: the drive/alias box, the directory list, the
// table-type box and the table list, and the TableLocation they keep.
//
// Volumes stand in for drive letters: the drive of a directory is the volume with the
// longest mount path that holds it, and each volume remembers the directory last shown on
// it, as each drive had its current directory.

#include "MainWindow.h"

#include "DirectoryListBox.h"
#include "FileListBox.h"

#include "AliasDatabase.h"
#include "DatabaseEngine.h"
#include "TableLocation.h"
#include "TableSource.h"
#include "UserMessages.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace korvex {

namespace {

// The hourglass while the table list is rebuilt, gone again on every way out.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

void require(EngineResult result, const DatabaseEngine& engine)
{
    if (result != result::Ok)
        throw EngineError(result, engine.lastError());
}

} // namespace

void TForm_PrintTable::buildAliasEntries()
{
    // The first use of the engine. An aliases file that cannot be read is told, and the
    // browser works on without aliases.
    if (s_.engine.loadAliases(s_.aliasesLocation) != result::Ok)
        s_.errors->showError(s_.engine.lastError());
    require(s_.engine.ListAliases(AliasNames), s_.engine);
    for (const QString& name : AliasNames)
        AliasDatabases.push_back(std::make_unique<AliasDatabase>(s_.engine, name));
    DriveComboBox1->setAliases(AliasNames);
}

void TForm_PrintTable::restoreDriveAliasSelection()
{
    const QString remembered = s_.settings.ReadText(MainWindowKeys::LastDriveAlias).left(RememberedEntryLength);
    const Volume* volume = DriveComboBox1->volumeOf(DirectoryListBox1->directory());
    const QString drive = volume ? volume->mountPath : QString();
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        if (DriveComboBox1->itemText(i) == remembered) {
            DriveComboBox1->setCurrentDrive(drive);
            DriveComboBox1->setCurrentIndex(i);
            return;
        }
    }
    DriveComboBox1->setCurrentDrive(drive);
}

AliasDatabase* TForm_PrintTable::FindAliasDatabase(const QString& aliasName) const
{
    for (const auto& database : AliasDatabases)
        if (database->aliasName() == aliasName)
            return database.get();
    return nullptr;
}

void TForm_PrintTable::DriveComboBox1Change()
{
    DriveNotifyTimer->start();
}

void TForm_PrintTable::DriveNotifyTimerTimer()
{
    DriveNotifyTimer->stop();
    ApplyDriveAliasSelection();
}

void TForm_PrintTable::ApplyDriveAliasSelection()
{
    applyEntry();
    appliedEntry_ = DriveComboBox1->currentIndex();
}

void TForm_PrintTable::applyEntry()
{
    const QString text = DriveComboBox1->currentText();
    const QString name = text.mid(1);
    // The alias's full name finds its database, however long it is; only CurrentAlias,
    // which the report prints, is cut.
    if (text.startsWith(u'>')) {
        for (const QString& alias : AliasNames) {
            if (alias.compare(name, Qt::CaseInsensitive) == 0) {
                selectAlias(alias);
                return;
            }
        }
    }
    selectDrive();
}

void TForm_PrintTable::selectAlias(const QString& aliasName)
{
    // A switch that fails puts the browser back as it was before it, and then the error
    // is shown.
    struct Snapshot {
        TableLocation location;
        AliasDatabase* database;
        QString directory;
        bool directoryShown;
        QString label;
        bool labelIsDirectory;
        bool linked;
        QString fileListDirectory;
        QStringList fileListEntries;
        bool controlsEnabled;
        int entry;
        int builds;
        std::vector<TableListItem> items;
        std::vector<int> selected;
    };
    Snapshot before{s_.location,
                    currentDatabase_,
                    DirectoryListBox1->directory(),
                    DirectoryListBox1->hasEntries(),
                    LabelActDir->fullText(),
                    LabelActDir->isDirectory(),
                    fileListLinked_,
                    FileListBox1->directory(),
                    FileListBox1->entries(),
                    DirectoryListBox1->isEnabled(),
                    appliedEntry_,
                    tableListBuilds_,
                    {},
                    {}};
    for (int i = 0; i < ListViewTables->count(); ++i) {
        before.items.push_back(ListViewTables->item(i));
        if (ListViewTables->isSelected(i))
            before.selected.push_back(i);
    }

    try {
        s_.location.CurrentAlias = aliasName.left(AliasNameLength);
        require(s_.engine.ListAliasParameters(aliasName, AliasParams), s_.engine);
        if (AliasParams.isEmpty())
            throw EngineError(result::InvalidValue, QStringLiteral("alias \"%1\" has no parameters").arg(aliasName));
        const QString& first = AliasParams.first();
        if (first.left(5).toUpper() == QLatin1String("PATH=")) {
            const QString path = first.mid(first.indexOf(u'=') + 1);
            if (const Volume* volume = DriveComboBox1->volumeOf(path))
                setDirectoryListDrive(volume->mountPath);
            fileListLinked_ = false;
            enterDirectory(path);
        } else {
            DirectoryListBox1->clearEntries();
            LabelActDir->setCaption(RemoteDatabaseCaption);
        }
        currentDatabase_ = FindAliasDatabase(aliasName);
        if (!currentDatabase_)
            return;
        s_.location.CurrentDatabase = currentDatabase_->databaseName();
        QStringList tables;
        require(currentDatabase_->listTables(tables), s_.engine);
        FileListBox1->setEntries(tables);
        QString driver;
        require(s_.engine.GetAliasDriver(aliasName, driver), s_.engine);
        s_.location.CurrentAliasDriver = driver.left(AliasNameLength);
        FileListBox1Change();
        DisableDirectoryControls();
    } catch (...) {
        s_.location = before.location;
        currentDatabase_ = before.database;
        fileListLinked_ = false; // putting the directory back reads nothing
        if (!before.directory.isEmpty() && DirectoryListBox1->directory() != before.directory) {
            try {
                DirectoryListBox1->setDirectory(before.directory);
            } catch (const DirectoryError&) {
                // Gone meanwhile: the directory list stays where the switch left it.
            }
        }
        s_.location.currentDirectory = before.location.currentDirectory;
        if (before.directoryShown)
            DirectoryListBox1->showEntries();
        else
            DirectoryListBox1->clearEntries();
        if (before.labelIsDirectory)
            LabelActDir->setDirectory(before.label);
        else
            LabelActDir->setCaption(before.label);
        fileListLinked_ = before.linked;
        FileListBox1->assign(before.fileListDirectory, before.fileListEntries);
        if (before.controlsEnabled)
            EnableDirectoryControls();
        else
            DisableDirectoryControls();
        if (tableListBuilds_ != before.builds) {
            ListViewTables->setItems(std::move(before.items));
            for (int i : before.selected)
                ListViewTables->setSelected(i, true);
        }
        {
            const QSignalBlocker quiet(DriveComboBox1);
            const Volume* volume = DriveComboBox1->volumeOf(DirectoryListBox1->directory());
            if (before.entry >= 0)
                DriveComboBox1->setCurrentIndex(before.entry);
            else if (volume)
                DriveComboBox1->setCurrentDrive(volume->mountPath);
        }
        throw;
    }
}

void TForm_PrintTable::selectDrive()
{
    // Coming from an alias the table list shows the alias's tables, and after a server
    // alias the directory list is empty: both are read anew from the directory.
    const bool fromAlias = !s_.location.CurrentAlias.isEmpty() || !fileListLinked_ || !DirectoryListBox1->hasEntries();
    EnableDirectoryControls();
    s_.location.CurrentAlias.clear();
    s_.location.CurrentAliasDriver.clear();
    fileListLinked_ = true;
    const QString remembered = DirectoryListBox1->directory();
    const QString drive = DriveComboBox1->currentDrive();
    const Volume* current = DriveComboBox1->volumeOf(remembered);
    try {
        if (!drive.isEmpty() && (!current || current->mountPath != drive))
            setDirectoryListDrive(drive);
        else if (fromAlias && !remembered.isEmpty()) {
            enterDirectory(remembered);
            FileListBox1->setDirectory(remembered);
        }
    } catch (const DirectoryError&) {
        // A volume that cannot be entered: back quietly to the directory and volume shown
        // before.
        if (!remembered.isEmpty()) {
            enterDirectory(remembered);
            if (fromAlias)
                FileListBox1->setDirectory(remembered);
            if (const Volume* volume = DriveComboBox1->volumeOf(DirectoryListBox1->directory()))
                DriveComboBox1->setCurrentDrive(volume->mountPath);
        }
    }
}

void TForm_PrintTable::setDirectoryListDrive(const QString& mountPath)
{
    const Volume* current = DriveComboBox1->volumeOf(DirectoryListBox1->directory());
    if (current && current->mountPath == mountPath)
        return;
    // The directory last shown on that volume; the volume's top when it is gone.
    const QString last = volumeDirectories_.value(mountPath, mountPath);
    try {
        enterDirectory(last);
    } catch (const DirectoryError&) {
        if (last == mountPath)
            throw;
        enterDirectory(mountPath);
    }
}

void TForm_PrintTable::enterDirectory(const QString& directory)
{
    DirectoryListBox1->setDirectory(directory);
    LabelActDir->setDirectory(DirectoryListBox1->directory());
}

void TForm_PrintTable::directoryChanged(const QString& directory)
{
    s_.location.currentDirectory = directory;
    LabelActDir->setDirectory(directory);
    if (const Volume* volume = DriveComboBox1->volumeOf(directory)) {
        volumeDirectories_.insert(volume->mountPath, directory);
        // Unlike a drive, a volume can be left through the directory list (up to the root,
        // or down into a volume mounted below): in drive mode the box follows, so that the
        // drive it shows and stores is the directory's.
        if (s_.location.CurrentAlias.isEmpty() && volume->mountPath != DriveComboBox1->currentDrive()) {
            const QSignalBlocker quiet(DriveComboBox1);
            DriveComboBox1->setCurrentDrive(volume->mountPath);
            appliedEntry_ = DriveComboBox1->currentIndex();
        }
    }
    if (fileListLinked_)
        FileListBox1->setDirectory(directory);
}

void TForm_PrintTable::tableTypeChosen(int index)
{
    FileListBox1->setMask(FilterComboBox1->itemData(index).toString());
}

void TForm_PrintTable::FileListBox1Change()
{
    const BusyCursor busy;
    const bool aliasMode = !s_.location.CurrentAlias.isEmpty();
    const bool noDates = aliasMode && s_.location.CurrentAliasDriver != AliasDefinition::StandardDriver;
    const QDir directory(DirectoryListBox1->directory());
    std::vector<TableListItem> items;
    items.reserve(std::size_t(FileListBox1->entries().size()));
    for (const QString& name : FileListBox1->entries())
        items.push_back({name, tableImageIndex(name, aliasMode),
                         noDates ? QStringLiteral("?") : fileDateText(directory.filePath(name), dateSeparator_)});
    ListViewTables->setItems(std::move(items));
    ++tableListBuilds_;
}

void TForm_PrintTable::DisableDirectoryControls()
{
    DirectoryListBox1->setEnabled(false);
    QPalette palette = DirectoryListBox1->palette();
    palette.setColor(QPalette::Text, palette.color(QPalette::Disabled, QPalette::Text));
    DirectoryListBox1->setPalette(palette);
    FilterComboBox1->setEnabled(false);
}

void TForm_PrintTable::EnableDirectoryControls()
{
    DirectoryListBox1->setEnabled(true);
    // The system's text colour: black, unless the user's colours say otherwise.
    DirectoryListBox1->setPalette(QPalette());
    FilterComboBox1->setEnabled(true);
}

void TForm_PrintTable::IconViewClick()
{
    ListViewTables->setViewStyle(TableListView::ViewStyle::Icon);
    IconView->setChecked(true);
}

void TForm_PrintTable::ListViewClick()
{
    ListViewTables->setViewStyle(TableListView::ViewStyle::List);
    ListView->setChecked(true);
}

void TForm_PrintTable::DetailsViewClick()
{
    ListViewTables->setViewStyle(TableListView::ViewStyle::Details);
    DetailsView->setChecked(true);
}

void TForm_PrintTable::SelectAllFilesClick()
{
    ListViewTables->selectAll();
}

void TForm_PrintTable::ClearFilesClick()
{
    ListViewTables->clearSelection();
}

QString localPathOf(const QString& argument)
{
    // What a desktop's file manager passes (a desktop entry's %U): file:///path, with
    // its special characters percent-encoded.
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return argument;
}

void TForm_PrintTable::openTableFile(const QString& path)
{
    openPaths({path});
}

void TForm_PrintTable::openPaths(const QStringList& arguments)
{
    // The first path that is there decides the directory: a directory is opened itself, a
    // file's directory is opened with the files of it that were given selected.
    QString directory;
    QStringList names;
    QStringList missing;
    for (const QString& argument : arguments) {
        const QFileInfo info(QDir(startDirectory_).absoluteFilePath(localPathOf(argument)));
        if (!info.exists()) {
            missing << QDir::toNativeSeparators(info.absoluteFilePath());
            continue;
        }
        const QString parent = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
        if (directory.isEmpty())
            directory = parent;
        if (!info.isDir() && info.absolutePath() == directory)
            names << info.fileName();
    }
    // Only missing files: their directory, where it is there, shows what is left.
    if (directory.isEmpty() && !arguments.isEmpty()) {
        const QFileInfo first(QDir(startDirectory_).absoluteFilePath(localPathOf(arguments.first())));
        if (QFileInfo(first.absolutePath()).isDir())
            directory = first.absolutePath();
    }
    if (!directory.isEmpty()) {
        requireEnterableDirectory(directory);
        DriveNotifyTimer->stop();
        if (const Volume* volume = DriveComboBox1->volumeOf(directory)) {
            const QSignalBlocker quiet(DriveComboBox1);
            DriveComboBox1->setCurrentDrive(volume->mountPath);
        }
        ApplyDriveAliasSelection();
        enterDirectory(directory);
        selectTables(names);
    }
    if (!missing.isEmpty())
        throw DirectoryError(QStringLiteral("%1: no such file").arg(missing.join(QStringLiteral(", "))));
}

void TForm_PrintTable::selectTables(const QStringList& names)
{
    const auto find = [&](const QString& name) {
        for (int i = 0; i < ListViewTables->count(); ++i)
            if (ListViewTables->item(i).caption == name)
                return i;
        return -1;
    };
    // A file of another type shows with "All Files".
    if (std::any_of(names.begin(), names.end(), [&](const QString& name) { return find(name) < 0; }))
        FilterComboBox1->setCurrentIndex(FilterComboBox1->count() - 1);
    ListViewTables->clearSelection();
    bool first = true;
    for (const QString& name : names) {
        const int position = find(name);
        if (position < 0)
            continue;
        ListViewTables->setSelected(position, true);
        if (std::exchange(first, false))
            ListViewTables->currentView()->scrollTo(ListViewTables->currentView()->model()->index(position, 0));
    }
}

} // namespace korvex
