#include "QtPrinterSetup.h"

#include "QtPrinterDevice.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace korvex {

namespace {

// The file the PDF printer stands for in the dialog: only its folder counts.
const QString PdfFileName = QStringLiteral("Korvex.pdf");

} // namespace

const PrintDevice& QtPrinterSetup::printer() const
{
    return device_;
}

QStringList QtPrinterSetup::printerFonts() const
{
    return printerFontFamilies();
}

void QtPrinterSetup::describeCurrent(QPrinter& printer) const
{
    if (device_.isPdfPrinter()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        // Without a file name the dialog would hand back a folder as the output file.
        printer.setOutputFileName(QDir(device_.pdfFolder()).absoluteFilePath(PdfFileName));
    } else {
        printer.setPrinterName(device_.printerName());
    }
}

void QtPrinterSetup::useChoice(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat || printer.printerName().isEmpty()) {
        const QFileInfo file(printer.outputFileName());
        const QString folder = printer.outputFileName().isEmpty() ? device_.pdfFolder()
                               : file.isDir()                     ? file.absoluteFilePath()
                                                                  : file.absolutePath();
        device_.selectPdfPrinter(folder, printer.pageLayout().pageSize().id());
    } else {
        device_.selectCupsPrinter(printer.printerName());
    }
}

bool QtPrinterSetup::selectPrinter(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    describeCurrent(printer);
    QPrintDialog dialog(&printer, parent);
    // Only the printer is chosen here; what is printed and how often the report decides.
    // So the dialog says "Printer" and "OK", in Qt's words for the user's language, where
    // it would say "Print".
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setWindowTitle(QCoreApplication::translate("QPrintWidget", "Printer"));
    if (const auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QCoreApplication::translate("QPlatformTheme", "OK"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    useChoice(printer);
    return true;
}

} // namespace korvex
