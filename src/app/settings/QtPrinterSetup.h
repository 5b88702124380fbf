#pragma once

#include "PrinterSetup.h"

class QPrinter;

namespace korvex {

class QtPrinterDevice;

// The system's printer behind Qt's print dialog: a CUPS queue, or the PDF printer, whose
// output file in the dialog names the folder its jobs go to.
class QtPrinterSetup : public PrinterSetup {
public:
    // device must outlive this object.
    explicit QtPrinterSetup(QtPrinterDevice& device) : device_(device) {}

    const PrintDevice& printer() const override;
    QStringList printerFonts() const override;
    bool selectPrinter(QWidget* parent) override;

    // The printer the dialog starts from: the device's queue, or for the PDF printer a
    // file in its folder.
    void describeCurrent(QPrinter& printer) const;
    // Makes the device print on what the dialog chose: the queue, or the PDF printer
    // writing into the chosen file's folder on the chosen paper.
    void useChoice(const QPrinter& printer);

private:
    QtPrinterDevice& device_;
};

} // namespace korvex
