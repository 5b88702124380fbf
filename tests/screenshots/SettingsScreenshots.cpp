// Takes the README's pictures of the configuration dialog's four pages and of the margins
// dialog: shows each window on the screen, lets it paint, and saves what the screen shows
// of it (the window alone, without a frame) as a PNG into the folder given as argument.
// Run it under Xvfb (tools/screenshots.sh); it is never installed.

#include "ConfigurationDialog.h"
#include "FieldColumns.h"
#include "LanguageTable.h"
#include "MarginsDialog.h"
#include "QtPrinterDevice.h"
#include "QtPrinterSetup.h"
#include "QxHeader.h"

#include "DatabaseEngine.h"
#include "SettingsFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

using namespace korvex;

namespace {

// A settings file as a user might have left it: a few columns rearranged, a header with
// macros, German labels, two passwords.
void writeSettings(const QString& path, const QString& font)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << "[FONT]\nName=" << font << "\nSize=10\n"
        << "[Options]\nPrintCopyright=0\nRefIntegrityDependent=0\nColorZebraPattern=15 %\nPortrait=1\n"
        << "Main_Header_Visible=All pages\nMain_Header_Text=Structure of %TABLENAME (%TABLETYPE %TABLELEVEL)\n"
        << "Main_Header_Alignment=Left\nMain_Header_FontName=" << font << "\nMain_Header_FontSize=14\n"
        << "Main_Header_FontAttr=Bold\nMain_Header_Spacing_B=0\nMain_Header_Spacing_A=4\n"
        << "Sub_Header_Visible=2. - n. Page\nSub_Header_Text=Printed %DATE %TIME, page %PAGE\n"
        << "Sub_Header_Alignment=Right\nSub_Header_FontName=" << font << "\nSub_Header_FontSize=9\n"
        << "Sub_Header_FontAttr=Italic\nSub_Header_Spacing_B=2\nSub_Header_Spacing_A=6\n"
        << "[Field_Information]\nCount=8\n"
        << "FieldName_1=No.\nFieldWidth_1=30\nFieldName_2=Name\nFieldWidth_2=150\n"
        << "FieldName_3=Type\nFieldWidth_3=80\nFieldName_4=Size\nFieldWidth_4=40\n"
        << "FieldName_5=Min.\nFieldWidth_5=60\nFieldName_6=Max.\nFieldWidth_6=60\n"
        << "FieldName_7=Def.\nFieldWidth_7=70\nFieldName_8=Idx\nFieldWidth_8=66\n"
        << "[Languages]\nCurrent=2\n"
        << "[Language_1]\nName of table=Tabellenname\nType of table=Tabellentyp\nLanguage Driver=Sprachtreiber\n"
        << "Used Fields=Felder\nUsed Indexes=Indizes\nUsed Passwords=Kennwörter\n"
        << "Phy. Recordsize=Phys. Satzgröße\nLog. Recordsize=Log. Satzgröße\nFile Blocksize=Blockgröße\n"
        << "Primary Keysize=Schlüsselgröße\n"
        << "[Passwords]\nPassword_0=jupiter\nPassword_1=Kasse=2024\n";
}

bool save(QWidget& window, const QString& path)
{
    window.show();
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
    QApplication::setApplicationDisplayName(QStringLiteral("Korvex V3.2"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir scratch;
    QtPrinterDevice device(scratch.path());
    QtPrinterSetup printer(device);
    const QStringList fonts = printer.printerFonts();
    writeSettings(scratch.filePath("KORVEX20.INI"),
                  fonts.contains("Liberation Sans") ? QStringLiteral("Liberation Sans") : fonts.value(0));

    SettingsFile settings(scratch.filePath("KORVEX20.INI"));
    BodyFont bodyFont = loadBodyFont(settings);
    DatabaseEngine engine;
    HeaderStrip fieldColumns = makeFieldHeader();
    LanguageTable labels;
    TForm_Margins margins;
    TForm_PrnTabCfg dialog({settings, fieldColumns, labels, bodyFont, engine, printer, margins});
    dialog.move(0, 0);

    bool ok = true;
    const char* pages[] = {"config-printing.png", "config-headers.png", "config-language.png", "config-passwords.png"};
    auto* notebook = dialog.findChild<QTabWidget*>("TabbedNotebook1");
    for (int page = 0; page < 4; ++page) {
        notebook->setCurrentIndex(page);
        ok = save(dialog, out.filePath(QLatin1String(pages[page]))) && ok;
    }
    dialog.hide();

    margins.SetMarginLimits(device);
    margins.move(0, 0);
    ok = save(margins, out.filePath("margins.png")) && ok;
    return ok ? 0 : 1;
}
