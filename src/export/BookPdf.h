#pragma once

#include "Book.h"

#include <QString>

namespace korvex {

class ReportProgress;
class ReportServices;

// The book of the tables as one PDF file at target: spooled by the PDF printer into
// spoolFolder, measured by a planner with that printer's pages in both orientations and
// its fonts, then given its bookmarks and contents links. Raises PrinterError when the
// book cannot be printed or written; tableHook as the book printer's.
BookLayout writeBookPdf(ReportServices& services, ReportProgress& progress, const TableSet& tables,
                        const QString& spoolFolder, const QString& target, const QString& version,
                        const BookPrinter::TableHook& tableHook = {});

} // namespace korvex
