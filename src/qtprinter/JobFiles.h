#pragma once

#include <QString>
#include <QStringList>

namespace korvex {

// The name (without ".pdf") that a job's PDF file gets from the job's title: every run
// of characters that common file systems refuse (/ \ : * ? " < > | and control
// characters) becomes one "-", blanks and dots at either end are dropped (no hidden
// files), and the name is cut to 200 bytes of UTF-8. "Korvex : CUSTOMER.DB" becomes
// "Korvex - CUSTOMER.DB"; a title with nothing left gives "print job".
QString pdfFileBaseName(const QString& title);

// A new, empty file for spooling a job, hidden in the folder; PrinterError saying why
// when the folder cannot take it.
QString createSpoolFile(const QString& folder);

// Moves a finished spool file into the folder as "<base>.pdf", or "<base> (2).pdf",
// "<base> (3).pdf" and so on when the name is taken: an existing file is never replaced.
// Returns the new path; PrinterError when the move fails (the spool file then stays).
QString deliverSpoolFile(const QString& spoolPath, const QString& folder, const QString& baseName);

// Why a job's files may not have been written: " (no space is left in the folder …)" for
// the first of folders whose file system is full (under a megabyte free), else empty.
QString lackOfRoom(const QStringList& folders);

// Whether a PDF file that Qt's PDF writer wrote came out whole: it ends with its trailer,
// and its cross-reference table stands where the trailer says. A write the writer did
// not notice failing (a full disk) leaves a file that fails this.
bool pdfFileComplete(const QString& path);

} // namespace korvex
