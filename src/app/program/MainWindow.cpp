// The main window as a whole: its controls and their layout, start-up and the state it
// saves, and the configure, about and exit buttons. The table browser's handlers are in
// TableBrowser.cpp, the print run in PrintRun.cpp.

#include "MainWindow.h"

#include "DirectoryListBox.h"
#include "FileListBox.h"
#include "HandlerErrors.h"
#include "Pictures.h"

#include "AliasDatabase.h"
#include "ApplicationToolTips.h"
#include "ConfigurationDialog.h"
#include "ContextMenuKey.h"
#include "DatabaseEngine.h"
#include "DialogFont.h"
#include "MessageBoxMessages.h"
#include "TableLocation.h"

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
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

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
    : QWidget(parent, Qt::Window), TGrayedForm(this), s_(std::move(services)), startDirectory_(QDir::currentPath())
{
    if (!s_.errors) {
        ownErrors_ = std::make_unique<MessageBoxMessages>(this);
        s_.errors = ownErrors_.get();
    }
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
    connect(DirectoryListBox1, &DirectoryListBox::directoryChanged, this, &TForm_PrintTable::directoryChanged);
    connect(FileListBox1, &FileListBox::changed, this, &TForm_PrintTable::FileListBox1Change);
}

void TForm_PrintTable::FormCreate()
{
    setApplicationHintDelay(HintDelayMs);
    AliasDatabases.clear();
    currentDatabase_ = nullptr;
    // The settings file, the field-descriptor area and the body font belong to the
    // program's services, made and read before this window.
    setApplicationToolTips(s_.settings.ReadFlag(OptionKeys::ShowHints));
    AliasNames.clear();
    AliasParams.clear();
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
    currentDatabase_ = nullptr;
    AliasDatabases.clear();
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

} // namespace korvex
