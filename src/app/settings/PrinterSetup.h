#pragma once

#include <QStringList>

class QWidget;

namespace korvex {

class PrintDevice;

// The printer as the configuration dialog sees it: the one the report prints on, the fonts
// it prints, and the platform's dialog that chooses another one. The program hands in the
// system's printer; tests script the choice.
class PrinterSetup {
public:
    virtual ~PrinterSetup() = default;

    // The current printer; the margins dialog takes its limits from it.
    virtual const PrintDevice& printer() const = 0;
    // The names of the fonts the current printer prints, in the printer's order.
    virtual QStringList printerFonts() const = 0;
    // Shows the platform's printer-selection dialog over parent. The chosen printer is the
    // one used for printing from then on. True when one was chosen; raises PrinterError
    // when the chosen printer cannot be used.
    virtual bool selectPrinter(QWidget* parent) = 0;
};

} // namespace korvex
