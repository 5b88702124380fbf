// Takes the README's pictures of the main window in its three views: starts the program
// on a fresh settings file with the demo database as an alias, opens the browser on the
// demo's ORDERS.DB, selects two more tables, and saves what the screen shows of the window
// (without a frame) as PNGs into the folder given as first argument. Run it under Xvfb
// (tools/screenshots.sh); it is never installed.

#include "Program.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace korvex;
using korvex::test::writeFile;

namespace {

bool save(QWidget& window, const QString& path)
{
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(300);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const bool ok = shot.save(path, "PNG");
    std::printf("%s: %s (%dx%d)\n", ok ? "wrote" : "could not write", qPrintable(path), shot.width(), shot.height());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Program::prepareApplication();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER DEMO-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir demo(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir scratch;
    writeFile(scratch.filePath("KORVEX20.INI"), "[MainWindow]\nwidth=700\nheight=400\n");
    writeFile(scratch.filePath("aliases.ini"),
              QStringLiteral("[Demo]\nPATH=%1\n\n[Ledger]\nTYPE=ODBC\nSERVER NAME=db.example.org:/ledger\n")
                  .arg(demo.absolutePath())
                  .toUtf8());

    Program::Options options;
    options.settingsPath = scratch.filePath("KORVEX20.INI");
    options.pdfFolder = scratch.filePath("pdf");
    options.startFile = demo.filePath("ORDERS.DB");
    Program program(options);
    TForm_PrintTable& window = program.mainWindow();
    window.show();
    auto* list = window.findChild<TableListView*>("ListViewTables");
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i).caption == QLatin1String("CUSTOMER.DB") ||
            list->item(i).caption == QLatin1String("PRODUCTS.DBF"))
            list->setSelected(i, true);

    bool ok = true;
    const std::pair<const char*, const char*> views[] = {{"IconView", "main-window-icons.png"},
                                                         {"ListView", "main-window-list.png"},
                                                         {"DetailsView", "main-window-details.png"}};
    for (const auto& [action, file] : views) {
        window.findChild<QAction*>(action)->trigger();
        ok = save(window, out.filePath(QLatin1String(file))) && ok;
    }
    window.close();
    return ok ? 0 : 1;
}
