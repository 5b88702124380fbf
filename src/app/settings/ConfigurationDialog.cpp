#include "ConfigurationDialog.h"

#include "ApplicationToolTips.h"
#include "DialogFont.h"
#include "FieldColumns.h"
#include "FieldHeader.h"
#include "MarginsDialog.h"
#include "MessageBoxMessages.h"
#include "PasswordList.h"
#include "PrinterSetup.h"
#include "QxHeader.h"
#include "ZebraShadingBox.h"

#include "DatabaseEngine.h"
#include "LanguageTable.h"
#include "ReportServices.h"
#include "SettingsFile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <iterator>
#include <vector>

namespace korvex {

namespace {

constexpr int FirstFontSize = 5;
constexpr int LastFontSize = 35;
constexpr int MaxSpacing = 100; // millimetres before or after a header
constexpr int MaxPasswordLength = 50;
constexpr int LanguageColumnWidth = 183;
constexpr int LanguageRowHeight = 18;

// A caption's text as a screen reader says it: without the accelerator marks.
QString withoutAccelerator(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption;
}

template <typename W>
W* named(W* widget, const char* name, const QString& hint = {})
{
    widget->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) {
        widget->setToolTip(hint);
        widget->setAccessibleName(hint);
    }
    return widget;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QString& hint, int x, int y,
                    int width)
{
    auto* box = named(new QCheckBox(caption, parent), name);
    box->setToolTip(hint);
    box->setAccessibleName(withoutAccelerator(caption));
    box->setAccessibleDescription(hint);
    box->setGeometry(x, y, width, 17);
    return box;
}

QRadioButton* radioButton(QWidget* parent, const char* name, const QString& caption, const QString& hint, int x, int y,
                          int width)
{
    auto* button = named(new QRadioButton(caption, parent), name);
    button->setToolTip(hint);
    button->setAccessibleName(withoutAccelerator(caption));
    button->setAccessibleDescription(hint);
    button->setGeometry(x, y, width, 17);
    return button;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                        const QRect& geometry)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setToolTip(hint);
    button->setAccessibleName(withoutAccelerator(caption));
    button->setAccessibleDescription(hint);
    button->setGeometry(geometry);
    return button;
}

// A drop-down list the user can only pick from.
QComboBox* pickList(QWidget* parent, const char* name, const QString& hint, const QStringList& items,
                    const QRect& geometry)
{
    auto* box = named(new QComboBox(parent), name, hint);
    box->addItems(items);
    box->setEditable(false);
    box->setMaxVisibleItems(8);
    box->setGeometry(geometry);
    return box;
}

// A right-aligned caption whose accelerator moves the focus to buddy.
QLabel* caption(QWidget* parent, const QString& text, QWidget* buddy, const QRect& geometry,
                Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    return label;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title, const QRect& geometry)
{
    auto* box = named(new QGroupBox(title, parent), name);
    box->setFont(dialogFont(true));
    box->setGeometry(geometry);
    return box;
}

// A group box that draws bevel lines on itself: sunken, one pixel of shadow beside one of
// light. The lines only decorate, so they are no controls of their own, and a screen
// reader does not meet them.
class BevelledGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // A vertical line when the bounds are taller than wide, else a horizontal one.
    void addBevel(const QRect& bounds)
    {
        bevels_.push_back(bounds);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QGroupBox::paintEvent(event);
        QPainter painter(this);
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        for (const QRect& r : bevels_) {
            if (r.height() > r.width()) {
                painter.fillRect(r.left(), r.top(), 1, r.height(), shadow);
                painter.fillRect(r.left() + 1, r.top(), 1, r.height(), light);
            } else {
                painter.fillRect(r.left(), r.top(), r.width(), 1, shadow);
                painter.fillRect(r.left(), r.top() + 1, r.width(), 1, light);
            }
        }
    }

private:
    std::vector<QRect> bevels_;
};

QStringList fontSizes()
{
    QStringList sizes;
    for (int size = FirstFontSize; size <= LastFontSize; ++size)
        sizes << QString::number(size);
    return sizes;
}

QStringList sortedFonts(QStringList fonts)
{
    std::stable_sort(fonts.begin(), fonts.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return fonts;
}

// Selects a stored choice, found without regard to case; fallback when it is not there.
void selectChoice(QComboBox* box, const QString& stored, int fallback = -1)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    const int found = findChoice(items, stored);
    box->setCurrentIndex(found >= 0 ? found : std::min(fallback, box->count() - 1));
}

// Marks a font list's entry that holds a stored name the printer does not offer.
constexpr int KeptFontRole = Qt::UserRole + 1;

// Selects a stored font name. A name the printer does not offer (settings from another
// system, where "Arial" was everywhere) selects the family that the font matcher makes of
// it here, which is what the report would print with; failing that, the name stays as an
// entry of its own at the top, so that saving never turns it into an empty name. Only an
// empty stored name selects the first font.
void selectFont(QComboBox* box, const QString& stored)
{
    for (int i = box->count() - 1; i >= 0; --i)
        if (box->itemData(i, KeptFontRole).toBool())
            box->removeItem(i);
    if (stored.isEmpty()) {
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);
        return;
    }
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    int found = findChoice(items, stored);
    if (found < 0)
        found = findChoice(items, QFontInfo(QFont(stored)).family());
    if (found < 0) {
        box->insertItem(0, stored);
        box->setItemData(0, true, KeptFontRole);
        found = 0;
    }
    box->setCurrentIndex(found);
}

// Holds a window's drawing back while it lives.
class FrozenDrawing {
public:
    explicit FrozenDrawing(QWidget& window) : window_(window), wasEnabled_(window.updatesEnabled())
    {
        window_.setUpdatesEnabled(false);
    }
    ~FrozenDrawing() { window_.setUpdatesEnabled(wasEnabled_); }
    FrozenDrawing(const FrozenDrawing&) = delete;
    FrozenDrawing& operator=(const FrozenDrawing&) = delete;

private:
    QWidget& window_;
    bool wasEnabled_;
};

} // namespace

TForm_PrnTabCfg::Services TForm_PrnTabCfg::Services::from(ReportServices& services, PrinterSetup& printer,
                                                          TForm_Margins& margins, UserMessages* errors)
{
    return Services{services.settings(),
                    services.fieldColumns(),
                    services.labels(),
                    services.bodyFont(),
                    services.engine(),
                    printer,
                    margins,
                    errors};
}

TForm_PrnTabCfg::TForm_PrnTabCfg(Services services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), TGrayedForm(this), s_(services)
{
    if (!s_.errors) {
        ownErrors_ = std::make_unique<MessageBoxMessages>(this);
        s_.errors = ownErrors_.get();
    }
    setObjectName(QStringLiteral("Form_PrnTabCfg"));
    setWindowTitle(Caption);
    setFixedSize(ClientSize);
    setFont(dialogFont());

    TabbedNotebook1 = named(new QTabWidget(this), "TabbedNotebook1");
    TabbedNotebook1->setAccessibleName(QStringLiteral("Configuration pages"));
    TabbedNotebook1->setGeometry(4, 4, 590, 230);
    TabbedNotebook1->addTab(makePrintingPage(), QStringLiteral("Printing"));
    TabbedNotebook1->addTab(makeHeadersPage(), QStringLiteral("Headers"));
    TabbedNotebook1->addTab(makeLanguagePage(), QStringLiteral("Language"));
    TabbedNotebook1->addTab(makePasswordsPage(), QStringLiteral("Passwords"));

    // Group captions are bold, what they hold is not.
    for (QGroupBox* box : findChildren<QGroupBox*>())
        for (QWidget* child : box->findChildren<QWidget*>())
            child->setFont(dialogFont());

    OKButton = pushButton(this, "OKButton", QStringLiteral("Save"), {}, QRect(359, 240, 75, 25));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    CancelButton = pushButton(this, "CancelButton", QStringLiteral("Cancel"), {}, QRect(439, 240, 75, 25));
    ChangePrinter = pushButton(this, "ChangePrinter", QStringLiteral("Printer"), {}, QRect(519, 240, 75, 25));
    connect(OKButton, &QPushButton::clicked, this, &TForm_PrnTabCfg::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TForm_PrnTabCfg::CancelButtonClick);
    connect(ChangePrinter, &QPushButton::clicked, this, &TForm_PrnTabCfg::ChangePrinterClick);
    setTabOrder(TabbedNotebook1, OKButton);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, ChangePrinter);

    connect(TabbedNotebook1, &QTabWidget::currentChanged, this, &TForm_PrnTabCfg::TabbedNotebook1Click);
    connect(CheckBoxRefInt, &QCheckBox::toggled, this, &TForm_PrnTabCfg::CheckBoxRefIntClick);
    connect(CheckBoxShowHints, &QCheckBox::toggled, this, &TForm_PrnTabCfg::CheckBoxShowHintsClick);
    connect(ButtonAddPW, &QPushButton::clicked, this, &TForm_PrnTabCfg::ButtonAddPWClick);
    connect(ButtonRemovePW, &QPushButton::clicked, this, &TForm_PrnTabCfg::ButtonRemovePWClick);
    connect(ButtonClearPW, &QPushButton::clicked, this, &TForm_PrnTabCfg::ButtonClearPWClick);
    connect(ListBoxPW, &QListWidget::itemSelectionChanged, this, &TForm_PrnTabCfg::ListBoxPWClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_PrnTabCfg::Button1Click);
    connect(GridLanguage, &QTableWidget::itemChanged, this, &TForm_PrnTabCfg::languageCellChanged);
    for (QRadioButton* language : {RadioLanguageOriginal, RadioButtonLanguage1, RadioButtonLanguage2})
        connect(language, &QRadioButton::toggled, this, &TForm_PrnTabCfg::languageChosen);

    TabbedNotebook1->setCurrentIndex(PrintingPage);
    fillFontLists();
    LoadDialogSettings();
    LoadPasswords();
    ApplyPasswords();
}

TForm_PrnTabCfg::~TForm_PrnTabCfg() = default;

QWidget* TForm_PrnTabCfg::makePrintingPage()
{
    auto* page = named(new QWidget, "PagePrinting");

    QGroupBox* font = group(page, "GroupBoxFont", QStringLiteral(" Font "), QRect(4, 0, 172, 70));
    ComboBoxFontName = pickList(font, "ComboBoxFontName", QStringLiteral("Name of font to print"), {},
                                QRect(46, 17, 118, 21));
    ComboBoxFontSize = pickList(font, "ComboBoxFontSize", QStringLiteral("Size of font to print"), {},
                                QRect(46, 42, 50, 21));
    caption(font, QStringLiteral("&Name:"), ComboBoxFontName, QRect(4, 17, 38, 21));
    caption(font, QStringLiteral("S&ize:"), ComboBoxFontSize, QRect(4, 42, 38, 21));

    QGroupBox* environment = group(page, "GroupBoxEnvironment", QStringLiteral(" Environment "), QRect(4, 74, 172, 50));
    CheckBoxShowHints = checkBox(environment, "CheckBoxShowHints", QStringLiteral("Show &Hints"),
                                 QStringLiteral("Show tool tips"), 8, 22, 130);

    auto* details = named(new BevelledGroupBox(QStringLiteral(" Detail options "), page), "GroupBoxDetails");
    details->setFont(dialogFont(true));
    details->setGeometry(180, 0, 276, 124);
    constexpr int step = 16;
    constexpr int first = 16;
    CheckBoxPrintGrid = checkBox(details, "CheckBoxPrintGrid", QStringLiteral("&Grid"), QStringLiteral("Print Grid"), 8,
                                 first, 118);
    CheckBoxHeader = checkBox(details, "CheckBoxHeader", QStringLiteral("&Info-Header"),
                              QStringLiteral("Print header with Table-Info"), 8, first + step, 118);
    CheckBoxPrintPageNr = checkBox(details, "CheckBoxPrintPageNr", QStringLiteral("&Page-Number"),
                                   QStringLiteral("Print page number"), 8, first + 2 * step, 118);
    CheckBoxPrintCopyright = checkBox(details, "CheckBoxPrintCopyright", QStringLiteral("&Copyright note"),
                                      QStringLiteral("Print Copyright"), 8, first + 3 * step, 118);
    CheckBoxPrintDate = checkBox(details, "CheckBoxPrintDate", QStringLiteral("Printing &date"),
                                 QStringLiteral("date of printout (system-date)"), 8, first + 4 * step, 118);
    CheckBoxSecIndexes = checkBox(details, "CheckBoxSecIndexes", QStringLiteral("&Sec. Indexes"),
                                  QStringLiteral("Print secondary indexes"), 128, first, 144);
    CheckBoxRefInt = checkBox(details, "CheckBoxRefInt", QStringLiteral("&Referential Integrity"),
                              QStringLiteral("Print referential integrity"), 128, first + step, 144);
    CheckBoxRefMaster = checkBox(details, "CheckBoxRefMaster", QStringLiteral("&Master"),
                                 QStringLiteral("Print Master table(s)"), 150, first + 2 * step, 118);
    CheckBoxRefDep = checkBox(details, "CheckBoxRefDep", QStringLiteral("Dependen&t"),
                              QStringLiteral("Print dependent table(s)"), 150, first + 3 * step, 118);
    // Master and dependent hang from the referential integrity box.
    details->addBevel(QRect(133, first + step + 15, 2, 2 * step + 1));
    details->addBevel(QRect(134, first + 2 * step + 8, 13, 2));
    details->addBevel(QRect(134, first + 3 * step + 8, 13, 2));
    CheckBoxZebraPattern = checkBox(details, "CheckBoxZebraPattern", QStringLiteral("&Zebra pattern with shading:"),
                                    QStringLiteral("Print a zebra pattern"), 8, first + 5 * step + 4, 170);
    ComboBoxZebraShading = named(new ZebraShadingBox(details), "ComboBoxZebraShading",
                                 QStringLiteral("Shading color for zebra pattern"));
    ComboBoxZebraShading->addItems(zebraShadingChoices());
    ComboBoxZebraShading->setGeometry(180, first + 5 * step + 2, 80, 21);

    QGroupBox* layout = group(page, "GroupBoxLayout", QStringLiteral(" Layout "), QRect(460, 0, 122, 124));
    RadioPortrait = radioButton(layout, "RadioPortrait", QStringLiteral("P&ortrait"),
                                QStringLiteral("Print with Orientation Portrait"), 10, 20, 104);
    RadioLandscape = radioButton(layout, "RadioLandscape", QStringLiteral("&Landscape"),
                                 QStringLiteral("Print with Orientation Landscape"), 10, 40, 104);
    RadioPortrait->installEventFilter(this);
    RadioLandscape->installEventFilter(this);
    Button1 = pushButton(layout, "Button1", QStringLiteral("Margins..."), {}, QRect(10, 88, 102, 25));

    QGroupBox* fields = group(page, "GroupBoxFieldInformation", QStringLiteral(" Field-Information "),
                              QRect(4, 128, 578, 70));
    FieldHeader = new TQxHeader(s_.fieldColumns, fields);
    PopupMenu1 = setUpFieldHeader(*FieldHeader);
    FieldHeader->move(10, 18);
    LabelUse = named(new QLabel(QStringLiteral("Use popup menu to insert / remove field information"), fields),
                     "LabelUse");
    LabelUse->setGeometry(10, 47, 400, 15);
    return page;
}

TForm_PrnTabCfg::HeaderControls TForm_PrnTabCfg::makeHeaderGroup(QWidget* page, bool main, int x)
{
    const QString which = main ? QStringLiteral("main header") : QStringLiteral("sub header");
    const auto name = [main](const char* mainName, const char* subName) { return main ? mainName : subName; };
    QGroupBox* box = group(page, name("GroupBoxMainHeader", "GroupBoxSubHeader"),
                           main ? QStringLiteral(" Main Header ") : QStringLiteral(" Sub Header "),
                           QRect(x, 0, 287, 194));
    constexpr int labelX = 6;
    constexpr int labelWidth = 122;
    constexpr int fieldX = 132;
    constexpr int fieldWidth = 147;
    const auto row = [](int i) { return 18 + i * 24; };

    HeaderControls c;
    c.text = named(new QLineEdit(box), name("EditMainHeader", "EditSubHeader"), QStringLiteral("Text for ") + which);
    c.text->setGeometry(fieldX, row(0), fieldWidth, 21);
    c.visibility = pickList(box, name("ComboBoxPrintMainHeader", "ComboBoxPrintSubHeader"),
                            QStringLiteral("where to print ") + which,
                            main ? mainHeaderVisibilityChoices() : subHeaderVisibilityChoices(),
                            QRect(fieldX, row(1), fieldWidth, 21));
    c.alignment = pickList(box, name("ComboBoxMainHeaderAlign", "ComboBoxSubHeaderAlign"),
                           QStringLiteral("Horizontal alignment for ") + which, headerAlignmentChoices(),
                           QRect(fieldX, row(2), fieldWidth, 21));
    c.fontName = pickList(box, name("ComboBoxMainHeaderFont", "ComboBoxSubHeaderFont"),
                          QStringLiteral("Font Name for ") + which, {}, QRect(fieldX, row(3), fieldWidth, 21));
    c.fontSize = pickList(box, name("ComboBoxMainHeaderFontSize", "ComboBoxSubHeaderFontSize"),
                          QStringLiteral("Font Size for ") + which, {}, QRect(fieldX, row(4), 60, 21));
    c.attributes = pickList(box, name("ComboBoxMainAttrb", "ComboBoxSubAttrb"),
                            QStringLiteral("Font Attributes for ") + which, fontAttributeChoices(),
                            QRect(fieldX, row(5), fieldWidth, 21));
    const auto spacing = [&](const char* objectName, const QString& hint, int fx) {
        auto* spin = named(new QSpinBox(box), objectName, hint);
        spin->setRange(0, MaxSpacing);
        // Changed only by the spin buttons and the arrow keys.
        spin->findChild<QLineEdit*>()->setReadOnly(true);
        spin->setGeometry(fx, row(6), 56, 21);
        return spin;
    };
    c.spacingBefore = spacing(name("MainHeaderSpacingB", "SubHeaderSpacingB"),
                              QStringLiteral("Spacing before ") + which, fieldX);
    c.spacingAfter = spacing(name("MainHeaderSpacingA", "SubHeaderSpacingA"), QStringLiteral("Spacing after ") + which,
                             fieldX + 62);

    caption(box, QStringLiteral("&Text:"), c.text, QRect(labelX, row(0), labelWidth, 21));
    caption(box, QStringLiteral("&Visibility:"), c.visibility, QRect(labelX, row(1), labelWidth, 21));
    caption(box, QStringLiteral("&Alignment:"), c.alignment, QRect(labelX, row(2), labelWidth, 21));
    caption(box, QStringLiteral("&Font Name:"), c.fontName, QRect(labelX, row(3), labelWidth, 21));
    caption(box, QStringLiteral("Font S&ize:"), c.fontSize, QRect(labelX, row(4), labelWidth, 21));
    caption(box, QStringLiteral("&Attributes:"), c.attributes, QRect(labelX, row(5), labelWidth, 21));
    caption(box, QStringLiteral("&Spacing (before/after):"), c.spacingBefore, QRect(labelX, row(6), labelWidth, 21));
    return c;
}

QWidget* TForm_PrnTabCfg::makeHeadersPage()
{
    auto* page = named(new QWidget, "PageHeaders");
    mainHeader_ = makeHeaderGroup(page, true, 4);
    subHeader_ = makeHeaderGroup(page, false, 295);
    return page;
}

QWidget* TForm_PrnTabCfg::makeLanguagePage()
{
    auto* page = named(new QWidget, "PageLanguage");
    GridLanguage = named(new QTableWidget(LanguageTable::RowCount, LanguageTable::ColumnCount, page), "GridLanguage");
    GridLanguage->setAccessibleName(QStringLiteral("Report labels and their translations"));
    GridLanguage->setHorizontalHeaderLabels(
        {QStringLiteral("Original Language"), QStringLiteral("Language 1"), QStringLiteral("Language 2")});
    GridLanguage->horizontalHeader()->hide();
    GridLanguage->verticalHeader()->hide();
    GridLanguage->horizontalHeader()->setMinimumSectionSize(1);
    GridLanguage->verticalHeader()->setMinimumSectionSize(1);
    GridLanguage->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GridLanguage->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GridLanguage->horizontalHeader()->setDefaultSectionSize(LanguageColumnWidth);
    GridLanguage->verticalHeader()->setDefaultSectionSize(LanguageRowHeight);
    GridLanguage->setSelectionMode(QAbstractItemView::SingleSelection);
    GridLanguage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    GridLanguage->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GridLanguage->setTabKeyNavigation(false);
    // Three columns and the scroll bar, nothing beside them.
    const int gridWidth = LanguageTable::ColumnCount * LanguageColumnWidth +
                          GridLanguage->verticalScrollBar()->sizeHint().width() + 2 * GridLanguage->frameWidth();
    GridLanguage->setGeometry(4, 4, gridWidth, 168);
    // Column 0 shows the built-in texts as fixed cells: read-only, in the buttons' colour.
    const QBrush fixed = GridLanguage->palette().brush(QPalette::Button);
    for (int row = 0; row < LanguageTable::RowCount; ++row)
        for (int column = 0; column < LanguageTable::ColumnCount; ++column) {
            auto* item = new QTableWidgetItem;
            if (column == 0) {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                item->setBackground(fixed);
            }
            GridLanguage->setItem(row, column, item);
        }

    RadioLanguageOriginal = radioButton(page, "RadioLanguageOriginal", QStringLiteral("&Original Language"), {}, 8, 178,
                                        150);
    RadioButtonLanguage1 = radioButton(page, "RadioButtonLanguage1", QStringLiteral("&Language 1"), {}, 200, 178, 150);
    RadioButtonLanguage2 = radioButton(page, "RadioButtonLanguage2", QStringLiteral("L&anguage 2"), {}, 392, 178, 150);
    RadioLanguageOriginal->setChecked(true);
    return page;
}

QWidget* TForm_PrnTabCfg::makePasswordsPage()
{
    auto* page = named(new QWidget, "PagePasswords");
    EditNewPW = named(new QLineEdit(page), "EditNewPW", QStringLiteral("New password"));
    EditNewPW->setMaxLength(MaxPasswordLength);
    EditNewPW->setGeometry(8, 8, 220, 21);
    ListBoxPW = named(new QListWidget(page), "ListBoxPW", QStringLiteral("Password list"));
    ListBoxPW->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBoxPW->setGeometry(8, 36, 220, 158);
    ButtonAddPW = pushButton(page, "ButtonAddPW", QStringLiteral("&Add"), QStringLiteral("Add password to list"),
                             QRect(240, 6, 75, 25));
    ButtonRemovePW = pushButton(page, "ButtonRemovePW", QStringLiteral("&Remove"),
                                QStringLiteral("Remove password from list"), QRect(240, 36, 75, 25));
    ButtonClearPW = pushButton(page, "ButtonClearPW", QStringLiteral("&Clear"), QStringLiteral("Clear password list"),
                               QRect(240, 66, 75, 25));
    return page;
}

QStringList fontFamiliesOnce(const QStringList& fonts)
{
    // A family that several foundries make is listed as "C059 [urw]", "C059 [UKWN]": the
    // user picks a family, so each is listed once, by its name alone.
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    QStringList families;
    for (QString font : fonts) {
        font.remove(foundry);
        if (!font.isEmpty() && !families.contains(font, Qt::CaseInsensitive))
            families << font;
    }
    return families;
}

void TForm_PrnTabCfg::fillFontLists()
{
    const QStringList fonts = fontFamiliesOnce(s_.printer.printerFonts());
    const QStringList sorted = sortedFonts(fonts);
    ComboBoxFontName->addItems(fonts);
    mainHeader_.fontName->addItems(sorted);
    subHeader_.fontName->addItems(sorted);
    const QStringList sizes = fontSizes();
    for (QComboBox* box : {ComboBoxFontSize, mainHeader_.fontSize, subHeader_.fontSize})
        box->addItems(sizes);
    // Font names can be longer than their boxes: the open lists show them whole.
    for (QComboBox* box : {ComboBoxFontName, mainHeader_.fontName, subHeader_.fontName})
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
}

void TForm_PrnTabCfg::LoadDialogSettings()
{
    SettingsFile& settings = s_.settings;
    TabbedNotebook1->setCurrentIndex(PrintingPage);
    LoadFieldColumns();

    selectFont(ComboBoxFontName, s_.bodyFont.name);
    selectChoice(ComboBoxFontSize, QString::number(s_.bodyFont.points), 0);

    // A box set to a new state runs its handler; the handlers run here in any case, so the
    // master and dependent boxes and the application's tooltips follow what was loaded.
    CheckBoxPrintPageNr->setChecked(settings.ReadFlag(OptionKeys::PrintPageNr));
    CheckBoxPrintDate->setChecked(settings.ReadFlag(OptionKeys::PrintDate));
    CheckBoxPrintGrid->setChecked(settings.ReadFlag(OptionKeys::PrintGrid));
    CheckBoxPrintCopyright->setChecked(settings.ReadFlag(OptionKeys::PrintCopyright));
    CheckBoxZebraPattern->setChecked(settings.ReadFlag(OptionKeys::PrintZebraPattern));
    CheckBoxHeader->setChecked(settings.ReadFlag(OptionKeys::PrintHeader));
    CheckBoxSecIndexes->setChecked(settings.ReadFlag(OptionKeys::SecondaryIndex));
    CheckBoxRefInt->setChecked(settings.ReadFlag(OptionKeys::RefIntegrity));
    CheckBoxRefMaster->setChecked(settings.ReadFlag(OptionKeys::RefIntegrityMaster));
    CheckBoxRefDep->setChecked(settings.ReadFlag(OptionKeys::RefIntegrityDependent));
    CheckBoxShowHints->setChecked(settings.ReadFlag(OptionKeys::ShowHints));
    CheckBoxRefIntClick();
    CheckBoxShowHintsClick();

    const bool portrait = settings.ReadFlag(OptionKeys::Portrait);
    RadioPortrait->setChecked(portrait);
    RadioLandscape->setChecked(!portrait);

    selectChoice(ComboBoxZebraShading, settings.ReadText(OptionKeys::ColorZebraPattern), 1);

    loadHeader(OptionKeys::MainHeader, mainHeader_);
    loadHeader(OptionKeys::SubHeader, subHeader_);

    s_.margins.setHeldMargins(
        PageMargins{settings.ReadNumber(OptionKeys::Margin_Left), settings.ReadNumber(OptionKeys::Margin_Right),
                    settings.ReadNumber(OptionKeys::Margin_Top), settings.ReadNumber(OptionKeys::Margin_Bottom)});

    LoadLanguageTable();
    TabbedNotebook1->setCurrentIndex(PrintingPage);
}

void TForm_PrnTabCfg::loadHeader(const HeaderKeys& keys, const HeaderControls& c)
{
    const SettingsFile& settings = s_.settings;
    selectChoice(c.visibility, settings.ReadText(keys.visibility));
    selectChoice(c.alignment, settings.ReadText(keys.alignment));
    selectFont(c.fontName, settings.ReadText(keys.fontName));
    selectChoice(c.fontSize, settings.ReadText(keys.fontSize));
    selectChoice(c.attributes, settings.ReadText(keys.fontAttributes));
    c.text->setText(settings.ReadText(keys.text));
    c.text->setCursorPosition(0); // a long text shows its beginning
    c.spacingBefore->setValue(settings.ReadNumber(keys.spacingBefore));
    c.spacingAfter->setValue(settings.ReadNumber(keys.spacingAfter));
}

void TForm_PrnTabCfg::LoadFieldColumns()
{
    korvex::LoadFieldColumns(s_.settings, FieldHeader->strip());
}

QString TForm_PrnTabCfg::LookupLabel(const QString& text) const
{
    return korvex::LookupLabel(s_.labels, text);
}

void TForm_PrnTabCfg::LoadLanguageTable()
{
    korvex::LoadLanguageTable(s_.labels, s_.settings);
    showLanguageTable();
}

void TForm_PrnTabCfg::SaveLanguageTable()
{
    korvex::SaveLanguageTable(s_.labels, s_.settings);
}

void TForm_PrnTabCfg::showLanguageTable()
{
    {
        const QSignalBlocker blocker(GridLanguage);
        for (int row = 0; row < LanguageTable::RowCount; ++row)
            for (int column = 0; column < LanguageTable::ColumnCount; ++column)
                GridLanguage->item(row, column)->setText(s_.labels.cell(row, column));
    }
    switch (s_.labels.language()) {
    case LanguageTable::Language::Original: RadioLanguageOriginal->setChecked(true); break;
    case LanguageTable::Language::Translation1: RadioButtonLanguage1->setChecked(true); break;
    case LanguageTable::Language::Translation2: RadioButtonLanguage2->setChecked(true); break;
    }
}

void TForm_PrnTabCfg::languageCellChanged(QTableWidgetItem* item)
{
    if (item->column() > 0)
        s_.labels.setCell(item->row(), item->column(), item->text());
}

void TForm_PrnTabCfg::languageChosen()
{
    if (RadioButtonLanguage1->isChecked())
        s_.labels.setLanguage(LanguageTable::Language::Translation1);
    else if (RadioButtonLanguage2->isChecked())
        s_.labels.setLanguage(LanguageTable::Language::Translation2);
    else if (RadioLanguageOriginal->isChecked())
        s_.labels.setLanguage(LanguageTable::Language::Original);
}

void TForm_PrnTabCfg::OKButtonClick()
{
    try {
        save();
    } catch (const SettingsWriteError& e) {
        showError(e.message());
        return;
    }
    accept();
}

void TForm_PrnTabCfg::save()
{
    const FrozenDrawing frozen(*this);
    TabbedNotebook1->setCurrentIndex(PrintingPage);

    // Every key in one change of the settings file: a Save that cannot write leaves the
    // file, and the body font the report prints with, as they were.
    std::vector<SettingsFile::Value> values;
    const auto text = [&values](const TextKey& key, const QString& value) {
        values.push_back({key.section, key.name, value});
    };
    const auto number = [&values](const NumberKey& key, int value) {
        values.push_back({key.section, key.name, QString::number(value)});
    };
    const auto flag = [&values](const FlagKey& key, bool value) {
        values.push_back({key.section, key.name, value ? QStringLiteral("1") : QStringLiteral("0")});
    };
    const auto append = [&values](std::vector<SettingsFile::Value> more) {
        values.insert(values.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    };

    const BodyFont bodyFont{ComboBoxFontName->currentText(), ComboBoxFontSize->currentText().toInt()};
    text(FontKeys::Name, bodyFont.name);
    number(FontKeys::Size, bodyFont.points);

    append(fieldColumnValues(FieldHeader->strip()));

    flag(OptionKeys::PrintDate, CheckBoxPrintDate->isChecked());
    flag(OptionKeys::PrintPageNr, CheckBoxPrintPageNr->isChecked());
    flag(OptionKeys::PrintGrid, CheckBoxPrintGrid->isChecked());
    flag(OptionKeys::PrintCopyright, CheckBoxPrintCopyright->isChecked());
    flag(OptionKeys::PrintHeader, CheckBoxHeader->isChecked());
    flag(OptionKeys::PrintZebraPattern, CheckBoxZebraPattern->isChecked());
    flag(OptionKeys::SecondaryIndex, CheckBoxSecIndexes->isChecked());
    flag(OptionKeys::RefIntegrity, CheckBoxRefInt->isChecked());
    flag(OptionKeys::RefIntegrityMaster, CheckBoxRefMaster->isChecked());
    flag(OptionKeys::RefIntegrityDependent, CheckBoxRefDep->isChecked());
    flag(OptionKeys::Portrait, RadioPortrait->isChecked());
    flag(OptionKeys::ShowHints, CheckBoxShowHints->isChecked());

    text(OptionKeys::ColorZebraPattern, ComboBoxZebraShading->currentText());

    const auto header = [&](const HeaderKeys& keys, const HeaderControls& c) {
        text(keys.visibility, c.visibility->currentText());
        text(keys.text, c.text->text());
        text(keys.alignment, c.alignment->currentText());
        text(keys.fontName, c.fontName->currentText());
        text(keys.fontSize, c.fontSize->currentText());
        text(keys.fontAttributes, c.attributes->currentText());
        number(keys.spacingBefore, c.spacingBefore->value());
        number(keys.spacingAfter, c.spacingAfter->value());
    };
    header(OptionKeys::MainHeader, mainHeader_);
    header(OptionKeys::SubHeader, subHeader_);

    const PageMargins margins = s_.margins.heldMargins();
    number(OptionKeys::Margin_Left, margins.left);
    number(OptionKeys::Margin_Right, margins.right);
    number(OptionKeys::Margin_Top, margins.top);
    number(OptionKeys::Margin_Bottom, margins.bottom);

    append(languageTableValues(s_.labels));
    append(passwordValues(passwords()));

    s_.settings.writeTexts(values, {SettingsSection::Passwords});
    s_.bodyFont = bodyFont;
    UpdatePasswordButtons();
}

void TForm_PrnTabCfg::CancelButtonClick()
{
    {
        const FrozenDrawing frozen(*this);
        CancelButton->setFocus(Qt::OtherFocusReason);
        LoadDialogSettings();
    }
    done(QDialog::Rejected);
}

void TForm_PrnTabCfg::reject()
{
    CancelButtonClick();
}

void TForm_PrnTabCfg::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        done(QDialog::Rejected);
    event->accept();
}

bool TForm_PrnTabCfg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && (watched == RadioPortrait || watched == RadioLandscape)) {
        static_cast<QRadioButton*>(watched)->setChecked(true);
        RadioPortraitDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_PrnTabCfg::RadioPortraitDblClick()
{
    OKButtonClick();
}

void TForm_PrnTabCfg::ChangePrinterClick()
{
    try {
        s_.printer.selectPrinter(this);
    } catch (const std::exception& e) {
        showError(QString::fromStdString(e.what()));
    }
}

void TForm_PrnTabCfg::Button1Click()
{
    greyOn();
    s_.margins.SetMarginLimits(s_.printer.printer());
    s_.margins.exec();
    greyOff();
}

void TForm_PrnTabCfg::CheckBoxShowHintsClick()
{
    setApplicationToolTips(CheckBoxShowHints->isChecked());
}

void TForm_PrnTabCfg::CheckBoxRefIntClick()
{
    CheckBoxRefMaster->setEnabled(CheckBoxRefInt->isChecked());
    CheckBoxRefDep->setEnabled(CheckBoxRefInt->isChecked());
}

void TForm_PrnTabCfg::TabbedNotebook1Click()
{
    switch (TabbedNotebook1->currentIndex()) {
    case HeadersPage: mainHeader_.text->setFocus(Qt::TabFocusReason); break;
    case LanguagePage: GridLanguage->setFocus(Qt::TabFocusReason); break;
    case PasswordsPage: EditNewPW->setFocus(Qt::TabFocusReason); break;
    default: break;
    }
}

QStringList TForm_PrnTabCfg::passwords() const
{
    QStringList list;
    for (int i = 0; i < ListBoxPW->count(); ++i)
        list << ListBoxPW->item(i)->text();
    return list;
}

void TForm_PrnTabCfg::LoadPasswords()
{
    ListBoxPW->clear();
    ListBoxPW->addItems(loadPasswordList(s_.settings));
    if (ListBoxPW->count() > 0)
        ListBoxPW->setCurrentRow(0);
    EditNewPW->clear();
    UpdatePasswordButtons();
    TabbedNotebook1->setCurrentIndex(PrintingPage);
}

void TForm_PrnTabCfg::SavePasswords()
{
    savePasswordList(s_.settings, passwords());
    UpdatePasswordButtons();
}

bool TForm_PrnTabCfg::ApplyPasswords()
{
    for (const QString& password : passwords()) {
        if (password.isEmpty())
            continue;
        if (s_.engine.RegisterPassword(password) != 0) {
            showError(s_.engine.lastError());
            return false;
        }
    }
    return true;
}

void TForm_PrnTabCfg::ButtonAddPWClick()
{
    if (!canAddPassword(passwords(), EditNewPW->text()))
        return;
    ListBoxPW->addItem(EditNewPW->text());
    UpdatePasswordButtons();
}

void TForm_PrnTabCfg::ButtonRemovePWClick()
{
    QListWidgetItem* selected = ListBoxPW->currentItem();
    if (!selected || !selected->isSelected())
        return;
    delete selected;
    if (ListBoxPW->count() > 0)
        ListBoxPW->setCurrentRow(0);
    UpdatePasswordButtons();
}

void TForm_PrnTabCfg::ButtonClearPWClick()
{
    ListBoxPW->clear();
    UpdatePasswordButtons();
}

void TForm_PrnTabCfg::ListBoxPWClick()
{
    UpdatePasswordButtons();
}

void TForm_PrnTabCfg::UpdatePasswordButtons()
{
    const bool any = ListBoxPW->count() > 0;
    ButtonRemovePW->setEnabled(any);
    ButtonClearPW->setEnabled(any);
}

void TForm_PrnTabCfg::showError(const QString& message)
{
    s_.errors->showError(message);
}

} // namespace korvex
