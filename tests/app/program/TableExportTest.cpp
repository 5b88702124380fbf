// The table list's print preview and export: the export dialog from the keyboard, the
// exports of selected tables of the demo database, the preview painted onto a printer,
// and the popup's two entries.

#include "TableExport.h"
#include "DemoDatabase.h"
#include "MainWindow.h"
#include "TableListView.h"

#include "DatabaseEngine.h"
#include "QtPrinterDevice.h"
#include "RecordingDevice.h"
#include "ReportServices.h"
#include "TableLocation.h"
#include "TestStandIns.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace korvex;

namespace {

// The demo database, made once, and the services of a program with its settings beside it.
class TableExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        work = new QTemporaryDir;
        made = new QString(test::makeDemoDatabase(work->filePath("demo")));
    }
    static void TearDownTestSuite()
    {
        delete made;
        delete work;
    }
    void SetUp() override
    {
        ASSERT_EQ(*made, QString());
        services_.location().currentDirectory = demo();
    }
    static QString demo() { return work->filePath("demo"); }
    QString out(const QString& name) const { return output_.filePath(name); }

    static QTemporaryDir* work;
    static QString* made;
    QTemporaryDir output_;
    ReportServices services_{output_.filePath("KORVEX20.INI")};
    test::RecordedProgress progress_;
};
QTemporaryDir* TableExportTest::work = nullptr;
QString* TableExportTest::made = nullptr;

const QStringList Chosen = {"ORDERS.DB", "CUSTOMER.DB", "ITEMS.DB"};

TEST_F(TableExportTest, TheDialogIsUsedFromTheKeyboardAndNamesItsControls)
{
    QStringList asked;
    ExportDialog dialog(3, "/data", nullptr, [&](QWidget*, ExportKind kind, const QString& current) {
        asked << QStringLiteral("%1 %2").arg(int(kind)).arg(current);
        return QStringLiteral("/chosen/place");
    });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Export 3 tables");
    EXPECT_EQ(dialog.kind(), ExportKind::Book);
    EXPECT_EQ(dialog.target(), "/data/tables.pdf");
    for (QWidget* w :
         std::initializer_list<QWidget*>{dialog.kindButton(ExportKind::Book), dialog.kindButton(ExportKind::Markdown),
                                         dialog.kindButton(ExportKind::Tbls), dialog.targetEdit(),
                                         dialog.chooseButton(), dialog.exportButton()})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();

    // The kinds by their accelerators (a button pressed so is clicked a moment later); a
    // proposed place follows the kind.
    const auto press = [&](Qt::Key key) { QTest::keyClick(&dialog, key, Qt::AltModifier); };
    press(Qt::Key_M);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.kind() == ExportKind::Markdown; }));
    EXPECT_EQ(dialog.target(), "/data/tables-markdown");
    press(Qt::Key_G);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.kind() == ExportKind::PostgresScript; }));
    EXPECT_EQ(dialog.target(), "/data/tables-postgresql.sql");
    press(Qt::Key_S);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.kind() == ExportKind::SqliteScript; }));
    EXPECT_EQ(dialog.target(), "/data/tables-sqlite.sql");
    press(Qt::Key_T);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.kind() == ExportKind::Tbls; }));
    EXPECT_EQ(dialog.target(), "/data/tables.json");

    // A chosen place stays when the kind changes; without a place there is no export.
    press(Qt::Key_H);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }));
    EXPECT_EQ(asked, QStringList{"2 /data/tables.json"});
    EXPECT_EQ(dialog.target(), "/chosen/place");
    press(Qt::Key_P);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.kind() == ExportKind::Book; }));
    EXPECT_EQ(dialog.target(), "/chosen/place");
    dialog.targetEdit()->clear();
    EXPECT_FALSE(dialog.exportButton()->isEnabled());
    dialog.setTarget("/somewhere/book.pdf");
    dialog.targetEdit()->setFocus();
    QTest::keyClick(dialog.targetEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.kind(), ExportKind::Book);
}

TEST_F(TableExportTest, TheSelectedTablesGoToMarkdownTblsAndTheBook)
{
    const TableSet set = tableSetOf(services_.location(), Chosen + QStringList{"MISSING.DB"});
    ASSERT_EQ(set.tables.size(), 4u);
    EXPECT_EQ(set.tables[0].argument, QDir(demo()).filePath("ORDERS.DB"));

    ExportOutcome md = exportTables(services_, progress_, set, ExportKind::Markdown, out("md"), "9.9");
    EXPECT_EQ(md.error, QString());
    ASSERT_EQ(md.leftOut.size(), 1u);
    EXPECT_EQ(md.leftOut[0].table, "MISSING.DB");
    EXPECT_TRUE(progress_.shown.contains("Exporting structure of table ITEMS.DB..."));
    EXPECT_FALSE(progress_.busy);
    // A table's file is the one the command line writes for the whole database.
    EXPECT_EQ(test::readWholeFile(out("md/CUSTOMER.DB.md")),
              test::readWholeFile(KORVEX_EXPORT_TESTS_DIR "/golden/demo/CUSTOMER.DB.md"));
    EXPECT_TRUE(QFile::exists(out("md/README.md")));

    const ExportOutcome tbls = exportTables(services_, progress_, set, ExportKind::Tbls, out("schema.json"), "9.9");
    EXPECT_EQ(tbls.error, QString());
    const QJsonDocument json = QJsonDocument::fromJson(test::readWholeFile(out("schema.json")));
    EXPECT_EQ(json["tables"].toArray().size(), 3);
    EXPECT_EQ(json["relations"].toArray().size(), 2);

    for (const auto kind : {ExportKind::PostgresScript, ExportKind::SqliteScript}) {
        const ExportOutcome sql = exportTables(services_, progress_, set, kind, out("tables.sql"), "9.9");
        EXPECT_EQ(sql.error, QString());
        EXPECT_EQ(sql.leftOut.size(), 1u);
        const QByteArray script = test::readWholeFile(out("tables.sql"));
        EXPECT_TRUE(script.contains("CREATE TABLE \"ORDERS\"")) << script.left(400).toStdString();
        EXPECT_EQ(script.contains(") STRICT;"), kind == ExportKind::SqliteScript);
    }

    progress_.shown.clear();
    const ExportOutcome book = exportTables(services_, progress_, set, ExportKind::Book, out("book.pdf"), "9.9");
    EXPECT_EQ(book.error, QString());
    EXPECT_EQ(book.leftOut.size(), 1u);
    EXPECT_TRUE(test::readWholeFile(out("book.pdf")).startsWith("%PDF"));
    EXPECT_TRUE(progress_.shown.contains("Printing structure of table ORDERS.DB..."));
    EXPECT_EQ(services_.location().currentDirectory, demo()) << "the browser's location stays";

    const ExportOutcome nowhere = exportTables(services_, progress_, set, ExportKind::Tbls,
                                               out("no/such/folder/schema.json"), "9.9");
    EXPECT_FALSE(nowhere.error.isEmpty());
}

TEST_F(TableExportTest, ThePreviewPaintsThePagesOfTheReportsOntoItsPrinter)
{
    QtPrinterDevice printer(output_.path());
    printer.selectPdfPrinter(output_.path());
    // The pages the reports take on the printer's pages.
    RecordingDevice recorder(RecordingDevice::Metrics::RealFonts, printer.caps());
    recorder.beginJob("pages");
    PreviewPages(services_, progress_).draw(recorder, Chosen);
    recorder.endJob();
    const auto pages = recorder.recordsOf<PageRecord>().size();

    QPrinter preview(QPrinter::HighResolution);
    preview.setOutputFormat(QPrinter::PdfFormat);
    preview.setOutputFileName(out("preview.pdf"));
    preview.setResolution(QtPrinterDevice::Resolution);
    preview.setPageLayout(printer.currentPageLayout());
    TablePreview(services_, progress_, printer).paint(preview, Chosen);
    EXPECT_FALSE(printer.jobInProgress());

    QProcess text;
    text.start("pdftotext", {"-layout", out("preview.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString all = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_EQ(std::size_t(all.count(u'\f')), pages);
    for (const auto& table : Chosen)
        EXPECT_TRUE(all.contains(QRegularExpression("Name of table:\\s+" + QRegularExpression::escape(table))));
    EXPECT_TRUE(printer.lastOutputFile().isEmpty()) << "the preview delivers no job";
}

TEST_F(TableExportTest, ThePopupOffersPreviewAndExportOfTheSelectedTables)
{
    TableLocation location;
    TForm_PrintTable window(TForm_PrintTable::Services{
        services_.settings(), services_.engine(), location, {}, [] { return VolumeList(); }, nullptr, QLocale::c()});
    QStringList previewed, exported;
    TForm_PrintTable::Partners partners;
    partners.previewTables = [&](const QStringList& names) { previewed = names; };
    partners.exportTables = [&](const QStringList& names) { exported = names; };
    window.setPartners(partners);
    window.openTableFile(QDir(demo()).filePath("ITEMS.DB"));

    auto* menu = window.findChild<QMenu*>("PopupMenuFiles");
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (QAction* a : menu->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries, QStringList({"View", "-", "Select All", "Clear", "-", "Print preview...", "Export..."}));

    auto* preview = window.findChild<QAction*>("PrintPreview");
    auto* exportTables = window.findChild<QAction*>("ExportTables");
    EXPECT_TRUE(preview->isEnabled());
    window.findChild<QAction*>("SelectAllFiles")->trigger();
    preview->trigger();
    EXPECT_EQ(previewed,
              QStringList({"CATEGORY.DBF", "CUSTOMER.DB", "ITEMS.DB", "ORDERS.DB", "PRODUCTS.DBF", "SUPPLIER.DBF"}));
    window.findChild<QAction*>("ClearFiles")->trigger();
    EXPECT_FALSE(exportTables->isEnabled());
    exportTables->trigger();
    EXPECT_TRUE(exported.isEmpty());
}

} // namespace
