// The main window as a whole: its controls and their layout, start-up and the state it
// saves, the configure, about and exit buttons, and the table browser's controls, which
// show the TableBrowser's state. The print run is in PrintRun.cpp.

#include "MainWindow.h"

#include "DirectoryListBox.h"
#include "FileListBox.h"
#include "HandlerErrors.h"
#include "LoginDialog.h"
#include "Pictures.h"

#include "AliasDatabase.h"
#include "ApplicationToolTips.h"
#include "ConfigurationDialog.h"
#include "ContextMenuKey.h"
#include "DatabaseEngine.h"
#include "DialogFont.h"
#include "MessageBoxMessages.h"
#include "TableLocation.h"
#include "UserMessages.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProxyStyle>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyleFactory>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace korvex {

namespace {

// The application's style with the hint delay of the program.
class HintDelayStyle : public QProxyStyle {
public:
    HintDelayStyle(QStyle* base, int delay) : QProxyStyle(base), delay_(delay) {}
    void setDelay(int delay) { delay_ = delay; }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return delay_;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    int delay_;
};

// The main window is a plain widget, which screen readers would take for a filler inside
// some other window: it says it is a window (a frame), so that it is announced as one.
QAccessibleInterface* mainWindowAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(TForm_PrintTable::staticMetaObject.className()) && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

// A caption's text as a screen reader says it: without the accelerator marks.
QString withoutAccelerator(QString caption)
{
    return caption.remove(u'&');
}

// The window's own font: "System", 13 pixels.
QFont windowFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("System"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(13);
    return font;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

// A push button with its picture above the caption.
QToolButton* pictureButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                           ButtonPicture picture)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setAccessibleName(withoutAccelerator(caption));
    button->setAccessibleDescription(hint);
    button->setIcon(buttonIcon(picture));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFont(dialogFont());
    return button;
}

} // namespace

void installMainWindowAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(mainWindowAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

void setApplicationHintDelay(int milliseconds)
{
    if (auto* style = dynamic_cast<HintDelayStyle*>(QApplication::style())) {
        style->setDelay(milliseconds);
        return;
    }
    // The proxy owns its base, the application its style: the base is a new copy.
    QApplication::setStyle(new HintDelayStyle(QStyleFactory::create(QApplication::style()->name()), milliseconds));
}

TForm_PrintTable::TForm_PrintTable(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window), TGrayedForm(this), s_(std::move(services)), startDirectory_(QDir::currentPath()),
      browser_(s_.engine, [this]() -> const VolumeList& { return DriveComboBox1->volumes(); })
{
    if (!s_.errors) {
        ownErrors_ = std::make_unique<MessageBoxMessages>(this);
        s_.errors = ownErrors_.get();
    }
    if (!s_.login) {
        ownLogin_ = std::make_unique<DialogLogin>(this);
        s_.login = ownLogin_.get();
    }
    askPasswordsThrough(s_.engine, *s_.login);
    if (s_.aliasesLocation.isEmpty())
        s_.aliasesLocation = QFileInfo(s_.settings.path()).absolutePath();
    setObjectName(QStringLiteral("Form_PrintTable"));
    setFont(windowFont());
    setAcceptDrops(true);
    installContextMenuKey();
    installMainWindowAccessible();
    makeControls();
    makePopupMenu();
    connectHandlers();
    resize(MainWindowLayout::DesignSize);
    setMinimumSize(MainWindowLayout::DesignSize);
    guarded([this] { FormCreate(); });
    FormResize();
}

TForm_PrintTable::~TForm_PrintTable()
{
    if (!destroyed_)
        guarded([this] { FormDestroy(); });
    // The engine outlives the window; its logins are no longer asked over it.
    s_.engine.setPasswordPrompt({});
}

void TForm_PrintTable::setPartners(Partners partners)
{
    partners_ = std::move(partners);
}

void TForm_PrintTable::guarded(const std::function<void()>& handler)
{
    runHandler(*s_.errors, handler);
}

void TForm_PrintTable::makeControls()
{
    GroupBoxTables = new QGroupBox(this);
    GroupBoxTables->setObjectName(QStringLiteral("GroupBoxTables"));
    GroupBoxTables->setFont(dialogFont());
    GroupBoxTables->setAccessibleName(QStringLiteral("Tables"));
    QWidget* box = GroupBoxTables;

    LabelTable = label(box, "LabelTable", QStringLiteral("Table(s) to print:"));
    ListViewTables = new TableListView(box);
    LabelTable->setBuddy(ListViewTables);

    LabelFilter = label(box, "LabelFilter", QStringLiteral("Tabletype:"));
    FilterComboBox1 = new QComboBox(box);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->setToolTip(QStringLiteral("Filter for files"));
    FilterComboBox1->setAccessibleName(QStringLiteral("Tabletype"));
    FilterComboBox1->setAccessibleDescription(QStringLiteral("Filter for files"));
    // "Description|mask|Description|mask|...": one entry per pair.
    const QStringList filter = TableTypeFilter.split(u'|');
    for (qsizetype i = 0; i + 1 < filter.size(); i += 2)
        FilterComboBox1->addItem(filter[i], filter[i + 1]);
    LabelFilter->setBuddy(FilterComboBox1);

    LabelActDir = new DirectoryLabel(box);
    DirectoryListBox1 = new DirectoryListBox(box);
    DirectoryListBox1->setToolTip(QStringLiteral("Directories at the selected drive/alias"));
    DirectoryListBox1->setAccessibleName(QStringLiteral("Directories at the selected drive/alias"));

    LabelDriveAlias = label(box, "LabelDriveAlias", QStringLiteral("Drive / Alias:"));
    DriveComboBox1 = new DriveAliasBox(s_.volumes, box);
    DriveComboBox1->setToolTip(QStringLiteral("Available drives and aliases"));
    DriveComboBox1->setAccessibleName(QStringLiteral("Drive / Alias"));
    DriveComboBox1->setAccessibleDescription(QStringLiteral("Available drives and aliases"));
    LabelDriveAlias->setBuddy(DriveComboBox1);

    for (QWidget* child : box->findChildren<QWidget*>())
        child->setFont(dialogFont());

    SpeedButtonPrint = pictureButton(this, "SpeedButtonPrint", QStringLiteral("&Print Table(s)"),
                                     QStringLiteral("Print selected table(s)"), ButtonPicture::Print);
    SpeedButtonPrint->setEnabled(false);
    SpeedButtonConfig = pictureButton(this, "SpeedButtonConfig", QStringLiteral("&Configure"),
                                      QStringLiteral("Configurations"), ButtonPicture::Configure);
    SpeedButtonAbout = pictureButton(this, "SpeedButtonAbout", QStringLiteral("&About"), QStringLiteral("About Korvex"),
                                     ButtonPicture::About);
    SpeedButtonEnde = pictureButton(this, "SpeedButtonEnde", QStringLiteral("E&xit"),
                                    QStringLiteral("Leave the program"), ButtonPicture::Exit);

    // The file list has no window: it stands at its design place with no height.
    FileListBox1 = new FileListBox(this);
    BDEpicture = label(this, "BDEpicture", QString());
    BDEpicture->setPixmap(aliasPicture());
    BDEpicture->setAccessibleName(QStringLiteral("Alias picture"));
    BDEpicture->setGeometry(108, 24, 16, 11);
    BDEpicture->hide();

    DriveNotifyTimer = new QTimer(this);
    DriveNotifyTimer->setObjectName(QStringLiteral("DriveNotifyTimer"));
    DriveNotifyTimer->setInterval(DriveNotifyMs);
    DriveNotifyTimer->setSingleShot(true);

    const MainWindowLayout& l = layout_;
    GroupBoxTables->setGeometry(l.groupBoxTables);
    LabelTable->setGeometry(l.labelTable);
    ListViewTables->setGeometry(l.listViewTables);
    LabelFilter->setGeometry(l.labelFilter);
    FilterComboBox1->setGeometry(l.filterComboBox1);
    LabelActDir->setGeometry(l.labelActDir);
    DirectoryListBox1->setGeometry(l.directoryListBox1);
    LabelDriveAlias->setGeometry(l.labelDriveAlias);
    DriveComboBox1->setGeometry(l.driveComboBox1);
    SpeedButtonPrint->setGeometry(l.speedButtonPrint);
    SpeedButtonConfig->setGeometry(l.speedButtonConfig);
    SpeedButtonAbout->setGeometry(l.speedButtonAbout);
    SpeedButtonEnde->setGeometry(l.speedButtonEnde);

    setTabOrder(ListViewTables, FilterComboBox1);
    setTabOrder(FilterComboBox1, DirectoryListBox1);
    setTabOrder(DirectoryListBox1, DriveComboBox1);
    setTabOrder(DriveComboBox1, SpeedButtonPrint);
    setTabOrder(SpeedButtonPrint, SpeedButtonConfig);
    setTabOrder(SpeedButtonConfig, SpeedButtonAbout);
    setTabOrder(SpeedButtonAbout, SpeedButtonEnde);
}

void TForm_PrintTable::makePopupMenu()
{
    PopupMenuFiles = new QMenu(this);
    PopupMenuFiles->setObjectName(QStringLiteral("PopupMenuFiles"));
    View1 = PopupMenuFiles->addMenu(QStringLiteral("View"));
    View1->setObjectName(QStringLiteral("View1"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const auto radio = [&](const char* name, const QString& caption) {
        QAction* action = View1->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        group->addAction(action);
        return action;
    };
    IconView = radio("IconView", QStringLiteral("Icon"));
    ListView = radio("ListView", QStringLiteral("List"));
    DetailsView = radio("DetailsView", QStringLiteral("Details"));
    ListView->setChecked(true);
    PopupMenuFiles->addSeparator()->setObjectName(QStringLiteral("N1"));
    SelectAllFiles = PopupMenuFiles->addAction(QStringLiteral("Select All"));
    SelectAllFiles->setObjectName(QStringLiteral("SelectAllFiles"));
    ClearFiles = PopupMenuFiles->addAction(QStringLiteral("Clear"));
    ClearFiles->setObjectName(QStringLiteral("ClearFiles"));
    PopupMenuFiles->addSeparator()->setObjectName(QStringLiteral("N2"));
    printPreview_ = PopupMenuFiles->addAction(QStringLiteral("Print preview..."));
    printPreview_->setObjectName(QStringLiteral("PrintPreview"));
    exportTables_ = PopupMenuFiles->addAction(QStringLiteral("Export..."));
    exportTables_->setObjectName(QStringLiteral("ExportTables"));
    // Like the print button, for the selected tables only.
    printPreview_->setEnabled(false);
    exportTables_->setEnabled(false);
}

void TForm_PrintTable::connectHandlers()
{
    // Every handler runs guarded: its error is shown and the program goes on.
    const auto handler = [this](void (TForm_PrintTable::*method)()) {
        return [this, method] { guarded([this, method] { (this->*method)(); }); };
    };
    connect(SpeedButtonPrint, &QToolButton::clicked, this, handler(&TForm_PrintTable::SpeedButtonPrintClick));
    connect(SpeedButtonConfig, &QToolButton::clicked, this, handler(&TForm_PrintTable::SpeedButtonConfigClick));
    connect(SpeedButtonAbout, &QToolButton::clicked, this, handler(&TForm_PrintTable::SpeedButtonAboutClick));
    connect(SpeedButtonEnde, &QToolButton::clicked, this, handler(&TForm_PrintTable::SpeedButtonEndeClick));
    connect(ListViewTables, &TableListView::change, this, handler(&TForm_PrintTable::ListViewTablesChange));
    connect(ListViewTables, &TableListView::itemDoubleClicked, this, handler(&TForm_PrintTable::SpeedButtonPrintClick));
    connect(ListViewTables, &TableListView::contextMenuRequested, this, [this](const QPoint& at) {
        ListViewTablesChange();
        PopupMenuFiles->popup(at);
    });

    connect(IconView, &QAction::triggered, this, handler(&TForm_PrintTable::IconViewClick));
    connect(ListView, &QAction::triggered, this, handler(&TForm_PrintTable::ListViewClick));
    connect(DetailsView, &QAction::triggered, this, handler(&TForm_PrintTable::DetailsViewClick));
    connect(SelectAllFiles, &QAction::triggered, this, handler(&TForm_PrintTable::SelectAllFilesClick));
    connect(ClearFiles, &QAction::triggered, this, handler(&TForm_PrintTable::ClearFilesClick));
    connect(printPreview_, &QAction::triggered, this, handler(&TForm_PrintTable::printPreviewClick));
    connect(exportTables_, &QAction::triggered, this, handler(&TForm_PrintTable::exportTablesClick));

    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, handler(&TForm_PrintTable::DriveComboBox1Change));
    connect(DriveComboBox1, &QComboBox::activated, this, handler(&TForm_PrintTable::DriveComboBox1Change));
    connect(DriveNotifyTimer, &QTimer::timeout, this, handler(&TForm_PrintTable::DriveNotifyTimerTimer));
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this,
            [this](int index) { guarded([this, index] { tableTypeChosen(index); }); });
    connect(DirectoryListBox1, &DirectoryListBox::directoryRequested, this,
            [this](const QString& directory) { guarded([this, directory] { enterDirectory(directory); }); });
    connect(DirectoryListBox1, &DirectoryListBox::directoryChanged, this,
            [this](const QString& directory) { guarded([this, directory] { directoryListChanged(directory); }); });
    connect(FileListBox1, &FileListBox::changed, this, &TForm_PrintTable::FileListBox1Change);
}

void TForm_PrintTable::FormCreate()
{
    setApplicationHintDelay(HintDelayMs);
    browser_.clearAliases();
    // The settings file, the field-descriptor area and the body font belong to the
    // program's services, made and read before this window.
    setApplicationToolTips(s_.settings.ReadFlag(OptionKeys::ShowHints));
    dateSeparator_ = dateSeparator(s_.locale);
    buildAliasEntries();
    setWindowTitle(Title);

    // A remembered directory that is gone gives way to its nearest parent that can still be
    // entered; with none, the browser starts where the program was started.
    const auto enterNearest = [this](QString directory) {
        for (;;) {
            try {
                enterDirectory(directory);
                return true;
            } catch (const DirectoryError&) {
                const QString parent = QFileInfo(directory).path();
                if (parent == directory)
                    return false;
                directory = parent;
            }
        }
    };
    const QString last = s_.settings.ReadText(MainWindowKeys::LastDirectory);
    if (!(!last.isEmpty() && enterNearest(QDir(startDirectory_).absoluteFilePath(last))) &&
        !enterNearest(startDirectory_))
        requireEnterableDirectory(startDirectory_);
    restoreDriveAliasSelection();
    // An alias that fails now is told; the window's own state is restored all the same,
    // so that closing it keeps what the user had.
    guarded([this] { ApplyDriveAliasSelection(); });

    ListViewTables->setColumnWidth(0, s_.settings.ReadNumber(MainWindowKeys::Details_Colsize_1));
    ListViewTables->setColumnWidth(1, s_.settings.ReadNumber(MainWindowKeys::Details_Colsize_2));
    switch (s_.settings.ReadNumber(MainWindowKeys::View_Mode)) {
    case 0:
        IconView->setChecked(true);
        ListViewTables->setViewStyle(TableListView::ViewStyle::Icon);
        break;
    case 1:
        ListView->setChecked(true);
        ListViewTables->setViewStyle(TableListView::ViewStyle::List);
        break;
    default:
        DetailsView->setChecked(true);
        ListViewTables->setViewStyle(TableListView::ViewStyle::Details);
        break;
    }

    const int width = s_.settings.ReadNumber(MainWindowKeys::width);
    if (width > 0) {
        resize(QSize(width, s_.settings.ReadNumber(MainWindowKeys::height)));
        if (s_.settings.ReadFlag(MainWindowKeys::Maximized)) {
            centreOnScreen(); // where restoring puts it
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
}

void TForm_PrintTable::FormDestroy()
{
    destroyed_ = true;
    if (partners_.closePrintedTables)
        partners_.closePrintedTables();
    // The field-descriptor area and the referential-integrity buffer belong to the
    // program's services and the report.
    s_.settings.WriteText(MainWindowKeys::LastDirectory, DirectoryListBox1->directory());
    s_.settings.WriteText(MainWindowKeys::LastDriveAlias,
                          DriveComboBox1->currentIndex() >= 0 ? DriveComboBox1->currentText() : QString());
    s_.settings.WriteNumber(MainWindowKeys::View_Mode, int(ListViewTables->viewStyle()));
    s_.settings.WriteNumber(MainWindowKeys::Details_Colsize_1, ListViewTables->columnWidth(0));
    s_.settings.WriteNumber(MainWindowKeys::Details_Colsize_2, ListViewTables->columnWidth(1));
    browser_.clearAliases();
    const QSize size = this->size();
    s_.settings.WriteNumber(MainWindowKeys::width, size.width());
    s_.settings.WriteNumber(MainWindowKeys::height, size.height());
    s_.settings.WriteFlag(MainWindowKeys::Maximized, isMaximized());
}

void TForm_PrintTable::FormResize()
{
    layout_.FormResize(width(), height());
    const MainWindowLayout& l = layout_;
    GroupBoxTables->setGeometry(l.groupBoxTables);
    SpeedButtonEnde->setGeometry(l.speedButtonEnde);
    SpeedButtonAbout->setGeometry(l.speedButtonAbout);
    SpeedButtonConfig->setGeometry(l.speedButtonConfig);
    SpeedButtonPrint->setGeometry(l.speedButtonPrint);
    LabelActDir->setGeometry(l.labelActDir);
    DirectoryListBox1->setGeometry(l.directoryListBox1);
    DriveComboBox1->setGeometry(l.driveComboBox1);
    LabelDriveAlias->setGeometry(l.labelDriveAlias);
    ListViewTables->setGeometry(l.listViewTables);
    LabelTable->setGeometry(l.labelTable);
    LabelFilter->setGeometry(l.labelFilter);
    FilterComboBox1->setGeometry(l.filterComboBox1);
}

void TForm_PrintTable::centreOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // Before the window manager has framed the window its frame is not known; the inside
    // is centred, and a frame of a few pixels leaves it centred to the eye.
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

bool TForm_PrintTable::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (!shownOnce_) {
            shownOnce_ = true;
            if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
                centreOnScreen();
        }
        break;
    default: break;
    }
    return QWidget::event(event);
}

void TForm_PrintTable::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A tooltip belongs to a control that has just moved.
    QToolTip::hideText();
    FormResize();
}

namespace {

QStringList droppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    return paths;
}

} // namespace

void TForm_PrintTable::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm_PrintTable::dropEvent(QDropEvent* event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    guarded([this, paths] { openPaths(paths); });
}

void TForm_PrintTable::closeEvent(QCloseEvent* event)
{
    if (!destroyed_)
        guarded([this] { FormDestroy(); });
    event->accept();
}

void TForm_PrintTable::SpeedButtonPrintClick()
{
    if (!partners_.printTable)
        return;
    const EscapeCancelsRun escape;
    runPrint(*ListViewTables, partners_.printTable, partners_.continueQuestion, this,
             [&escape] { return escape.pressed(); });
    if (partners_.printRunEnded)
        partners_.printRunEnded();
}

void TForm_PrintTable::ListViewTablesChange()
{
    const bool selected = ListViewTables->selectedCount() > 0;
    SpeedButtonPrint->setEnabled(selected);
    printPreview_->setEnabled(selected);
    exportTables_->setEnabled(selected);
}

QStringList TForm_PrintTable::selectedTables() const
{
    QStringList names;
    for (int position = 0; position < ListViewTables->count(); ++position)
        if (ListViewTables->isSelected(position))
            names << ListViewTables->item(position).caption;
    return names;
}

void TForm_PrintTable::printPreviewClick()
{
    const QStringList names = selectedTables();
    if (partners_.previewTables && !names.isEmpty())
        partners_.previewTables(names);
}

void TForm_PrintTable::exportTablesClick()
{
    const QStringList names = selectedTables();
    if (partners_.exportTables && !names.isEmpty())
        partners_.exportTables(names);
}

void TForm_PrintTable::SpeedButtonConfigClick()
{
    TForm_PrnTabCfg* dialog = partners_.configuration;
    if (!dialog)
        return;
    dialog->LoadPasswords();
    greyOn();
    try {
        dialog->exec();
    } catch (...) {
        greyOff();
        throw;
    }
    greyOff();
    dialog->LoadPasswords();
    dialog->ApplyPasswords();
}

void TForm_PrintTable::SpeedButtonAboutClick()
{
    if (!partners_.about)
        return;
    greyOn();
    try {
        partners_.about->exec();
    } catch (...) {
        greyOff();
        throw;
    }
    greyOff();
}

void TForm_PrintTable::SpeedButtonEndeClick()
{
    close();
}

// The table browser: the drive/alias box, the directory list, the table-type box and the
// table list show the TableBrowser's state, and each change the user makes there becomes a
// new state that is shown.

namespace {

// The hourglass while the table list is rebuilt, gone again on every way out.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void TForm_PrintTable::buildAliasEntries()
{
    // The first use of the engine. An aliases file that cannot be read is told, and the
    // browser works on without aliases.
    if (s_.engine.loadAliases(s_.aliasesLocation) != result::Ok)
        s_.errors->showError(s_.engine.lastError());
    browser_.readAliases();
    DriveComboBox1->setAliases(browser_.aliasNames());
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
    BrowserState next;
    try {
        next = browser_.withEntry(DriveComboBox1->currentText(), DriveComboBox1->currentDrive());
    } catch (...) {
        // Nothing was shown of the failed switch but the entry the user chose.
        showAppliedEntry();
        throw;
    }
    showState(std::move(next));
    appliedEntry_ = DriveComboBox1->currentIndex();
}

void TForm_PrintTable::showAppliedEntry()
{
    const QSignalBlocker quiet(DriveComboBox1);
    if (appliedEntry_ >= 0)
        DriveComboBox1->setCurrentIndex(appliedEntry_);
    else if (const Volume* volume = DriveComboBox1->volumeOf(DirectoryListBox1->directory()))
        DriveComboBox1->setCurrentDrive(volume->mountPath);
}

void TForm_PrintTable::showState(BrowserState state)
{
    if (!state.directory.isEmpty() && state.directory != DirectoryListBox1->directory()) {
        const QSignalBlocker quiet(DirectoryListBox1);
        DirectoryListBox1->setDirectory(state.directory);
    }
    const bool newListing = state.listing != browser_.state().listing;
    browser_.setState(std::move(state));
    const BrowserState& shown = browser_.state();

    s_.location.currentDirectory = shown.directory;
    s_.location.CurrentAlias = shown.CurrentAlias;
    s_.location.CurrentAliasDriver = shown.CurrentAliasDriver;
    if (!shown.CurrentDatabase.isEmpty())
        s_.location.CurrentDatabase = shown.CurrentDatabase;

    showDirectoryControls(shown);
    FileListBox1->assign(shown.directory, shown.mask, shown.tables);
    if (newListing)
        FileListBox1Change();
}

void TForm_PrintTable::showDirectoryControls(const BrowserState& shown)
{
    if (shown.mode == BrowserMode::ServerAlias) {
        DirectoryListBox1->clearEntries();
        LabelActDir->setCaption(RemoteDatabaseCaption);
    } else {
        if (!DirectoryListBox1->hasEntries())
            DirectoryListBox1->showEntries();
        LabelActDir->setDirectory(shown.directory);
    }
    if (shown.mode == BrowserMode::Drive) {
        EnableDirectoryControls();
        // Unlike a drive, a volume can be left through the directory list (up to the root,
        // or down into a volume mounted below), and a volume that cannot be entered leaves
        // the directory where it was: the box follows the directory, so that the drive it
        // shows and stores is the directory's.
        const Volume* volume = DriveComboBox1->volumeOf(shown.directory);
        if (volume && volume->mountPath != DriveComboBox1->currentDrive()) {
            const QSignalBlocker quiet(DriveComboBox1);
            DriveComboBox1->setCurrentDrive(volume->mountPath);
            appliedEntry_ = DriveComboBox1->currentIndex();
        }
    } else {
        DisableDirectoryControls();
    }
}

void TForm_PrintTable::enterDirectory(const QString& directory)
{
    showState(browser_.withDirectory(directory));
}

void TForm_PrintTable::directoryListChanged(const QString& directory)
{
    // The directory list entered a directory of its own accord; the browser follows it.
    showState(browser_.withDirectory(directory));
}

void TForm_PrintTable::tableTypeChosen(int index)
{
    showState(browser_.withTableType(FilterComboBox1->itemData(index).toString()));
}

void TForm_PrintTable::FileListBox1Change()
{
    const BusyCursor busy;
    ListViewTables->setItems(tableListItems(browser_.state(), FileListBox1->entries(), dateSeparator_));
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
