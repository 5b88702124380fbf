#include "BookPdf.h"

#include "PdfNavigation.h"
#include "QtPrinterDevice.h"
#include "RecordingDevice.h"

namespace korvex {

BookLayout writeBookPdf(ReportServices& services, ReportProgress& progress, const TableSet& tables,
                        const QString& spoolFolder, const QString& target, const QString& version,
                        const BookPrinter::TableHook& tableHook)
{
    QtPrinterDevice printer(spoolFolder);
    printer.selectPdfPrinter(spoolFolder);
    const auto planner = recorderLike(printer);
    BookPrinter book(services, progress, printer, *planner);
    if (tableHook)
        book.setTableHook(tableHook);
    BookLayout layout = book.printBook(tables, version);
    addPdfNavigation(printer.lastOutputFile(), target, layout);
    return layout;
}

} // namespace korvex
