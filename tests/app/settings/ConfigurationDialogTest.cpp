#include "ConfigurationDialog.h"
#include "ApplicationToolTips.h"
#include "FakeFormat.h"
#include "FieldColumns.h"
#include "FieldHeader.h"
#include "LanguageTable.h"
#include "MarginsDialog.h"
#include "PrinterSetup.h"
#include "QtPrinterDevice.h"
#include "QtPrinterSetup.h"
#include "QxHeader.h"
#include "RecordingDevice.h"
#include "ReportServices.h"
#include "TableReport.h"
#include "TestStandIns.h"
#include "TestSupport.h"
#include "ZebraShadingBox.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

using namespace korvex;

namespace {

using test::RecordedMessages;
using NoProgress = test::RecordedProgress;

// A printer whose fonts come unsorted and whose choice the test scripts: choosing
// another printer gives it a quarter-inch unprintable border and other fonts.
class ScriptedPrinter : public PrinterSetup {
public:
    const PrintDevice& printer() const override { return device; }
    QStringList printerFonts() const override { return fonts; }
    bool selectPrinter(QWidget*) override
    {
        device.setCaps(Orientation::Portrait, {4658, 6717, 197, 284, 4958, 7017, 150, 150});
        fonts = {QStringLiteral("Other")};
        return true;
    }
    RecordingDevice device;
    QStringList fonts{"Zeta Sans", "alpha Serif", "Mono", "Beta"};
};

// Every key the dialog edits with a value other than its default.
const QList<std::pair<QString, QString>> Stored{
    {"FONT/Name", "Mono"},
    {"FONT/Size", "12"},
    {"Field_Information/Count", "3"},
    {"Field_Information/FieldName_1", "Name"},
    {"Field_Information/FieldWidth_1", "200"},
    {"Field_Information/FieldName_2", "Idx"},
    {"Field_Information/FieldWidth_2", "50"},
    {"Field_Information/FieldName_3", "Type"},
    {"Field_Information/FieldWidth_3", "306"},
    {"Options/PrintDate", "0"},
    {"Options/PrintPageNr", "0"},
    {"Options/PrintGrid", "0"},
    {"Options/PrintCopyright", "1"},
    {"Options/PrintHeader", "0"},
    {"Options/PrintZebraPattern", "0"},
    {"Options/SecondaryIndex", "0"},
    {"Options/RefIntegrity", "0"},
    {"Options/RefIntegrityMaster", "0"},
    {"Options/RefIntegrityDependent", "1"},
    {"Options/Portrait", "0"},
    {"Options/ShowHints", "0"},
    {"Options/ColorZebraPattern", "25 %"},
    {"Options/Main_Header_Visible", "All pages"},
    {"Options/Main_Header_Text", "Table %TABLENAME"},
    {"Options/Main_Header_Alignment", "Right"},
    {"Options/Main_Header_FontName", "Beta"},
    {"Options/Main_Header_FontSize", "20"},
    {"Options/Main_Header_FontAttr", "Bold/Italic"},
    {"Options/Main_Header_Spacing_B", "3"},
    {"Options/Main_Header_Spacing_A", "4"},
    {"Options/Sub_Header_Visible", "2. - n. Page"},
    {"Options/Sub_Header_Text", "Page %PAGE"},
    {"Options/Sub_Header_Alignment", "Left"},
    {"Options/Sub_Header_FontName", "alpha Serif"},
    {"Options/Sub_Header_FontSize", "5"},
    {"Options/Sub_Header_FontAttr", "Italic"},
    {"Options/Sub_Header_Spacing_B", "100"},
    {"Options/Sub_Header_Spacing_A", "7"},
    {"Options/Margin_Left", "25"},
    {"Options/Margin_Right", "26"},
    {"Options/Margin_Top", "27"},
    {"Options/Margin_Bottom", "28"},
    {"Languages/Current", "3"},
    {"Language_1/Page:", "Seite:"},
    {"Language_2/Name of table", "Nom de table"},
    {"Passwords/Password_0", "secret"},
    {"Passwords/Password_1", "a=b"},
};

class ConfigDialog : public ::testing::Test {
protected:
    // A table of two text fields protected by the password "secret".
    static std::vector<std::unique_ptr<TableFormat>> protectedTable()
    {
        TableDefinition def;
        def.tableType = "PARADOX";
        def.level = 5;
        def.passwordChecksum = 1;
        for (const char* name : {"F1", "F2"}) {
            FieldDefinition f;
            f.name = name;
            f.type = FieldType::String;
            f.size = 10;
            def.fields.push_back(f);
        }
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::make_unique<test::FakeFormat>(def, 0, "secret"));
        return formats;
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QFile table(dir_.filePath("T.FAK"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        table.write("ok");
    }
    void TearDown() override { setApplicationToolTips(true); }

    void store(const QList<std::pair<QString, QString>>& values)
    {
        for (const auto& [key, value] : values)
            settings_.WriteText(key.section('/', 0, 0), key.section('/', 1), value);
        bodyFont_ = loadBodyFont(settings_);
    }
    TForm_PrnTabCfg& open()
    {
        dialog_ = std::make_unique<TForm_PrnTabCfg>(
            TForm_PrnTabCfg::Services::from(services_, printer_, margins_, &messages_));
        return *dialog_;
    }
    template <typename W = QWidget>
    W* get(const char* name)
    {
        W* w = dialog_->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) { QTest::mouseClick(get<QAbstractButton>(name), Qt::LeftButton); }
    bool tableOpens()
    {
        TableHandle h = 0;
        const bool ok = engine_.OpenTable(dir_.path(), "T.FAK", h) == 0;
        if (ok)
            engine_.CloseTable(h);
        return ok;
    }
    QByteArray fileBytes() const { return test::readWholeFile(settings_.path()); }

    // Every control's state, one "name=value" line each (the password field aside), and
    // one line each for the label table, the strip and the held margins.
    QStringList snapshot()
    {
        QStringList lines;
        for (QWidget* w : dialog_->findChildren<QWidget*>()) {
            const QString n = w->objectName() + '=';
            if (auto* c = qobject_cast<QCheckBox*>(w))
                lines << n + QString::number(c->isChecked()) + QString::number(c->isEnabled());
            else if (auto* r = qobject_cast<QRadioButton*>(w))
                lines << n + QString::number(r->isChecked());
            else if (auto* b = qobject_cast<QComboBox*>(w))
                lines << n + b->currentText();
            else if (auto* s = qobject_cast<QSpinBox*>(w))
                lines << n + QString::number(s->value());
            else if (auto* e = qobject_cast<QLineEdit*>(w);
                     e && w->objectName().startsWith("Edit") && w != get("EditNewPW"))
                lines << n + e->text();
        }
        QString cells;
        for (int row = 0; row < LanguageTable::RowCount; ++row)
            cells += labels_.cell(row, 1) + '|' + labels_.cell(row, 2) + '|';
        QString columns;
        for (const FieldColumn& c : fieldColumnsOf(strip_))
            columns += QStringLiteral("%1 %2, ").arg(c.kind).arg(c.width);
        const PageMargins m = margins_.heldMargins();
        return lines << cells << columns
                     << QStringLiteral("margins %1 %2 %3 %4").arg(m.left).arg(m.right).arg(m.top).arg(m.bottom);
    }

    QTemporaryDir dir_;
    ReportServices services_{dir_.filePath("KORVEX20.INI"), protectedTable()};
    SettingsFile& settings_ = services_.settings();
    HeaderStrip& strip_ = services_.fieldColumns();
    LanguageTable& labels_ = services_.labels();
    BodyFont& bodyFont_ = services_.bodyFont();
    DatabaseEngine& engine_ = services_.engine();
    ScriptedPrinter printer_;
    TForm_Margins margins_;
    RecordedMessages messages_;
    std::unique_ptr<TForm_PrnTabCfg> dialog_;
};

} // namespace

TEST_F(ConfigDialog, EveryControlLoadsFromTheFileAndSavesBackAsItWas)
{
    store(Stored);
    TForm_PrnTabCfg& d = open();
    EXPECT_EQ(d.windowTitle(), "Korvex V3.2 - Configuration");
    EXPECT_EQ(d.size(), QSize(598, 271));
    // The body font list as the printer gives it, the header lists sorted; sizes 5 to 35.
    QStringList items;
    for (int i = 0; i < get<QComboBox>("ComboBoxFontName")->count(); ++i)
        items << get<QComboBox>("ComboBoxFontName")->itemText(i) + '/' +
                     get<QComboBox>("ComboBoxMainHeaderFont")->itemText(i);
    EXPECT_EQ(items, QStringList({"Zeta Sans/alpha Serif", "alpha Serif/Beta", "Mono/Mono", "Beta/Zeta Sans"}));
    EXPECT_EQ(get<QComboBox>("ComboBoxSubHeaderFontSize")->count(), 31);
    EXPECT_EQ(get<QComboBox>("ComboBoxFontSize")->itemText(30), "35");

    EXPECT_EQ(get<QComboBox>("ComboBoxFontName")->currentText(), "Mono");
    EXPECT_FALSE(get<QCheckBox>("CheckBoxRefMaster")->isEnabled()) << "follows the loaded RefIntegrity";
    EXPECT_FALSE(applicationToolTipsShown()) << "follows the loaded ShowHints";
    EXPECT_TRUE(get<QRadioButton>("RadioLandscape")->isChecked());
    EXPECT_TRUE(get<QRadioButton>("RadioButtonLanguage2")->isChecked());
    EXPECT_EQ(LookupLabel(labels_, "Name of table"), "Nom de table");
    EXPECT_EQ(margins_.heldMargins(), (PageMargins{25, 26, 27, 28}));
    EXPECT_EQ(d.passwords(), QStringList({"secret", "a=b"}));
    EXPECT_EQ(fieldColumnsOf(strip_), (QList<FieldColumn>{{"Name", 200}, {"Idx", 50}, {"Type", 306}}));

    // Everything saved as it was loaded: the file holds every stored value again.
    QFile::remove(settings_.path());
    click("OKButton");
    EXPECT_EQ(d.result(), QDialog::Accepted);
    for (const auto& [key, value] : Stored)
        EXPECT_EQ(settings_.ReadText(key.section('/', 0, 0), key.section('/', 1), "absent"), value) << qPrintable(key);
    EXPECT_EQ(bodyFont_, (BodyFont{"Mono", 12}));
    EXPECT_TRUE(messages_.errors.isEmpty());
}

TEST_F(ConfigDialog, ListsWithoutTheStoredChoiceAndEveryControlNamedForScreenReaders)
{
    // Fonts the printer lacks stay as they are stored (once, however often the dialog
    // loads); an empty name takes the first font.
    store({{"FONT/Name", "Arial"},
           {"FONT/Size", "40"},
           {"Options/ColorZebraPattern", "12 %"},
           {"Options/Main_Header_FontName", "Arial"},
           {"Options/Sub_Header_FontName", ""}});
    TForm_PrnTabCfg& d = open();
    click("CancelButton");
    EXPECT_EQ(get<QComboBox>("ComboBoxFontName")->currentText(), "Arial");
    EXPECT_EQ(get<QComboBox>("ComboBoxFontName")->count(), 5);
    EXPECT_EQ(get<QComboBox>("ComboBoxFontSize")->currentText(), "5");
    EXPECT_EQ(get<QComboBox>("ComboBoxZebraShading")->currentText(), "10 %");
    EXPECT_EQ(get<QComboBox>("ComboBoxMainHeaderFont")->currentText(), "Arial");
    EXPECT_EQ(get<QComboBox>("ComboBoxSubHeaderFont")->currentText(), "alpha Serif");
    click("OKButton");
    EXPECT_EQ(settings_.ReadText("Options", "Main_Header_FontName", "absent"), "Arial");
    EXPECT_EQ(settings_.ReadText("Options", "Sub_Header_FontName", "absent"), "alpha Serif");
    EXPECT_EQ(settings_.ReadText("FONT", "Name", "absent"), "Arial");

    for (const QWidget* w : d.findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << qPrintable(w->objectName());
        }
    }
    EXPECT_EQ(get<QCheckBox>("CheckBoxRefDep")->accessibleName(), "Dependent");
    EXPECT_EQ(get<QCheckBox>("CheckBoxRefDep")->toolTip(), "Print dependent table(s)");
    EXPECT_EQ(get<QSpinBox>("SubHeaderSpacingA")->toolTip(), "Spacing after sub header");

    // A printer with the family the font matcher takes for "Arial" here: that one is chosen.
    const QString resolved = QFontInfo(QFont("Arial")).family();
    printer_.fonts << resolved;
    open();
    EXPECT_EQ(get<QComboBox>("ComboBoxFontName")->currentText(), resolved);
    EXPECT_EQ(get<QComboBox>("ComboBoxMainHeaderFont")->currentText(), resolved);
}

TEST_F(ConfigDialog, CancelRestoresEveryControlTheTitleBarCloseKeepsEdits)
{
    store(Stored);
    TForm_PrnTabCfg& d = open();
    const QStringList loaded = snapshot();
    const QByteArray file = fileBytes();
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));

    for (QCheckBox* c : d.findChildren<QCheckBox*>())
        c->setChecked(!c->isChecked());
    EXPECT_TRUE(applicationToolTipsShown()) << "Show Hints takes effect at once";
    EXPECT_FALSE(get<QCheckBox>("CheckBoxRefDep")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("CheckBoxRefDep")->isEnabled());
    for (QComboBox* b : d.findChildren<QComboBox*>())
        b->setCurrentIndex((b->currentIndex() + 1) % b->count());
    for (QSpinBox* s : d.findChildren<QSpinBox*>())
        s->stepBy(-1);
    get<QLineEdit>("EditMainHeader")->setText("edited");
    get<QLineEdit>("EditSubHeader")->setText("edited");
    click("RadioPortrait");
    click("RadioLanguageOriginal");
    get<QTableWidget>("GridLanguage")->item(14, 1)->setText("S.");
    get<TQxHeader>("FieldHeader")->strip().setPopUpIndex(1);
    get<FieldColumnMenu>("PopupMenu1")->RemoveClick();
    QTimer::singleShot(0, &margins_, [this] {
        margins_.findChild<QSpinBox*>("SpinMarginTop")->setValue(99);
        margins_.OKButtonClick();
    });
    click("Button1");
    EXPECT_EQ(margins_.MarginTop(), 99);
    get<QLineEdit>("EditNewPW")->setText("added");
    click("ButtonAddPW");

    const QStringList edited = snapshot();
    ASSERT_EQ(edited.size(), loaded.size());
    for (int i = 0; i < loaded.size(); ++i) {
        if (!loaded[i].startsWith("RadioButtonLanguage1")) { // of three radio buttons, two change
            EXPECT_NE(loaded[i], edited[i]) << "not edited: " << qPrintable(loaded[i]);
        }
    }

    d.close(); // the title bar's close button
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(snapshot(), edited);
    EXPECT_EQ(LookupLabel(labels_, "Page:"), "Page:") << "the chosen language stays in effect";

    d.show();
    click("CancelButton");
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(snapshot(), loaded);
    EXPECT_FALSE(applicationToolTipsShown());
    EXPECT_EQ(fileBytes(), file);
    EXPECT_EQ(d.passwords(), QStringList({"secret", "a=b", "added"})) << "Cancel leaves the password list";
}

TEST_F(ConfigDialog, PasswordListRules)
{
    store({{"Passwords/Other", "abc"}, {"Passwords/Password_7", "x=y"}, {"Passwords/Empty", ""}});
    TForm_PrnTabCfg& d = open();
    auto* list = get<QListWidget>("ListBoxPW");
    auto* edit = get<QLineEdit>("EditNewPW");
    EXPECT_EQ(d.passwords(), QStringList({"abc", "x=y"}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(edit->maxLength(), 50);

    click("ButtonAddPW"); // empty field
    edit->setText("ABC"); // there already, letter case aside
    click("ButtonAddPW");
    EXPECT_EQ(d.passwords(), QStringList({"abc", "x=y"}));
    edit->setText("new");
    click("ButtonAddPW");
    EXPECT_EQ(edit->text(), "new");
    click("ButtonRemovePW"); // the selected first one
    EXPECT_EQ(d.passwords(), QStringList({"x=y", "new"}));
    EXPECT_EQ(list->currentRow(), 0);

    d.SavePasswords();
    EXPECT_EQ(settings_.ReadSectionLines("Passwords"), QStringList({"Password_0=x=y", "Password_1=new"}));
    list->clearSelection();
    click("ButtonRemovePW"); // nothing selected: nothing happens
    EXPECT_EQ(d.passwords().size(), 2);
    click("ButtonClearPW");
    EXPECT_TRUE(d.passwords().isEmpty());
    EXPECT_FALSE(get<QPushButton>("ButtonRemovePW")->isEnabled());
    EXPECT_FALSE(get<QPushButton>("ButtonClearPW")->isEnabled());
    click("ButtonAddPW");
    EXPECT_TRUE(get<QPushButton>("ButtonClearPW")->isEnabled());
}

TEST_F(ConfigDialog, StoredPasswordsOpenTablesFromTheStartAndForTheWholeRun)
{
    EXPECT_FALSE(tableOpens());
    store({{"Passwords/Password_0", "secret"}});
    TForm_PrnTabCfg& d = open();
    EXPECT_TRUE(tableOpens());
    click("ButtonClearPW");
    click("OKButton");
    EXPECT_TRUE(settings_.ReadSectionLines("Passwords").isEmpty());
    d.LoadPasswords();
    EXPECT_TRUE(d.ApplyPasswords());
    EXPECT_TRUE(tableOpens()) << "the engine keeps every password it was given";
}

TEST_F(ConfigDialog, UnsavedLabelsLanguageAndColumnsArePrinted)
{
    open();
    RecordingDevice device;
    NoProgress progress;
    services_.location() = TableLocation{dir_.path(), {}, {}, {}};
    bodyFont_ = BodyFont{"Arial", 6};
    TableReporter reporter(services_, device, messages_, progress);
    engine_.RegisterPassword("secret");

    get<QTableWidget>("GridLanguage")->item(1, 1)->setText("Tabellenname");
    click("RadioButtonLanguage1");
    get<TQxHeader>("FieldHeader")->strip().setPopUpIndex(2);
    get<FieldColumnMenu>("PopupMenu1")->RemoveClick(); // "Type"

    ASSERT_TRUE(reporter.PrintTableReport("T.FAK")) << messages_.errors.join('\n').toStdString();
    QStringList texts;
    for (const auto& t : device.recordsOf<TextRecord>())
        texts << t.text;
    EXPECT_TRUE(texts.contains("Tabellenname:"));
    EXPECT_FALSE(texts.contains("Name of table:"));
    EXPECT_TRUE(texts.contains("Size"));
    EXPECT_FALSE(texts.contains("Type"));
    EXPECT_EQ(settings_.ReadText("Field_Information", "Count", "absent"), "absent") << "nothing saved";
}

TEST_F(ConfigDialog, MarginsFollowTheChosenPrinterOnlyTheFontListsDoNot)
{
    store({{"Options/Margin_Left", "2"}});
    TForm_PrnTabCfg& d = open();
    d.show();
    bool greyedMeanwhile = false;
    const auto openMargins = [&] {
        QTimer::singleShot(0, &margins_, [&] {
            greyedMeanwhile = d.isGreyed();
            margins_.OKButtonClick();
        });
        click("Button1");
    };
    openMargins();
    EXPECT_TRUE(greyedMeanwhile);
    EXPECT_FALSE(d.isGreyed());
    EXPECT_EQ(margins_.MarginLeft(), 4) << "A4 laser: 100 dots at 23.6 dots a millimetre";

    const int fonts = get<QComboBox>("ComboBoxFontName")->count();
    click("ChangePrinter");
    openMargins();
    EXPECT_EQ(margins_.MarginLeft(), 6) << "the chosen printer's quarter inch";
    EXPECT_EQ(get<QComboBox>("ComboBoxFontName")->count(), fonts);
}

TEST_F(ConfigDialog, DoubleClickOnAnOrientationSavesAndCloses)
{
    TForm_PrnTabCfg& d = open();
    d.show();
    QTest::mouseDClick(get<QRadioButton>("RadioLandscape"), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings_.ReadText("Options", "Portrait", "absent"), "0");
}

TEST_F(ConfigDialog, AFailedSaveIsShownAndChangesNothing)
{
    // A settings file whose folder is a file cannot be written, not even by root.
    QFile(dir_.filePath("folder")).open(QIODevice::WriteOnly);
    SettingsFile unwritable(dir_.filePath("folder/KORVEX20.INI"));
    TForm_PrnTabCfg d({unwritable, strip_, labels_, bodyFont_, engine_, printer_, margins_, &messages_});
    d.show();
    QTest::mouseClick(d.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    EXPECT_EQ(messages_.errors, QStringList("Kann nicht nach " + unwritable.path() + " schreiben"));
    EXPECT_TRUE(d.isVisible()) << "the dialog stays open";

    // A file that may grow by only a hundred bytes: the one change of the file fails, so
    // neither the file nor the body font in use changes.
    messages_.errors.clear();
    store({{"Passwords/Password_0", "secret"}});
    open().show();
    get<QComboBox>("ComboBoxFontName")->setCurrentText("Beta");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = rlim_t(fileBytes().size() + 100);
    setrlimit(RLIMIT_FSIZE, &limit);
    click("OKButton");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(messages_.errors, QStringList("Kann nicht nach " + settings_.path() + " schreiben"));
    EXPECT_EQ(settings_.ReadText("FONT", "Name", "absent"), "absent");
    EXPECT_EQ(bodyFont_.name, "Arial");
    EXPECT_EQ(settings_.ReadText("Options", "PrintGrid", "absent"), "absent");
    EXPECT_EQ(settings_.ReadText("Passwords", "Password_0", "absent"), "secret");
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_TRUE(dialog_->updatesEnabled());
}

TEST(ZebraShading, SwatchAtTheItemsLeftInTheShadingsGrey)
{
    QImage image(60, 19, QImage::Format_RGB32);
    QPainter painter(&image);
    ComboBoxZebraShadingDrawItem(painter, image.rect(), "25 %", Qt::white, Qt::black);
    painter.end();
    // A 15-pixel square from (2, 2): black outline, grey 191 inside, white around.
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(16, 16), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(3, 3), qRgb(191, 191, 191));
    EXPECT_EQ(image.pixel(15, 9), qRgb(191, 191, 191));
    EXPECT_EQ(image.pixel(17, 9), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(9, 17), qRgb(255, 255, 255));
    ZebraShadingDelegate delegate;
    EXPECT_EQ(delegate.sizeHint(QStyleOptionViewItem(), QModelIndex()).height(), 19);
}

TEST(QtPrinterChoice, ThePdfPrintersFileNamesTheFolderItsJobsGoTo)
{
    QTemporaryDir dir;
    QtPrinterDevice device(dir.path());
    QtPrinterSetup setup(device);
    QPrinter chosen;
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setOutputFileName(dir.filePath("reports/anything.pdf"));
    chosen.setPageSize(QPageSize(QPageSize::Letter));
    setup.useChoice(chosen);
    EXPECT_TRUE(device.isPdfPrinter());
    EXPECT_EQ(device.pdfFolder(), dir.filePath("reports"));
    EXPECT_EQ(device.caps().physicalWidth, 5100) << "Letter at 600 dpi";

    QPrinter shown;
    setup.describeCurrent(shown);
    EXPECT_EQ(shown.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(QFileInfo(shown.outputFileName()).absolutePath(), dir.filePath("reports"));
}

// Regression: families that several foundries make were listed once per foundry.
TEST(FontLists, EachFamilyOnce)
{
    EXPECT_EQ(fontFamiliesOnce({"C059 [UKWN]", "Arial", "C059 [urw]", "DejaVu Sans", "arial", "Nimbus [x] Mono"}),
              QStringList({"C059", "Arial", "DejaVu Sans", "Nimbus [x] Mono"}));
}
