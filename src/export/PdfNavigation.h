#pragma once

#include "Book.h"

#include <QString>

namespace korvex {

// Makes a printed book navigable: reads the PDF the book's job wrote (input) and writes
// it to output with one bookmark per printed table, leading to its first page and shown
// when the viewer opens the file, and a link over each contents entry to that page.
// Positions in dots of the printable area become PDF points through the book's page
// capabilities and each page's media box. Raises PrinterError naming the file when the
// PDF cannot be read or output cannot be written; output is replaced only when complete.
void addPdfNavigation(const QString& input, const QString& output, const BookLayout& layout);

} // namespace korvex
