#pragma once

#include "ReportProgress.h"
#include "UserMessages.h"

#include "PrintDevice.h"
#include "ReportServices.h"
#include "TableSource.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>

namespace korvex {

// What the user is told when the printer fails a table's job.
inline const QString PrintingErrorText = QStringLiteral("Error printing table structure!\n");

// Prints the structure report of one table as one print job, with the program's services:
// the table is looked for at the services' table location, the options come from their
// settings file, the field columns, labels and body font from memory as they are when the
// table prints.
class TableReporter {
public:
    TableReporter(ReportServices& services, PrintDevice& device, UserMessages& messages, ReportProgress& progress);

    // For tests: the clock of the dates and times the report prints.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    void setLocale(const QLocale& locale) { locale_ = locale; }
    // Added to the page numbers of the footers (ReportContext::pageNumberOffset).
    void setPageNumberOffset(int offset) { pageNumberOffset_ = offset; }

    // True when the job was printed to its end; false when the table failed, after the
    // user has been told. Errors of other kinds (a settings value that is not a number)
    // leave it as exceptions, with any job begun aborted first.
    bool PrintTableReport(const QString& name);

    TableSource& printedTable() { return table_; }

private:
    ReportServices& services_;
    PrintDevice& device_;
    UserMessages& messages_;
    ReportProgress& progress_;
    LabelLookup label_;
    TableSource table_;
    TableSource relatedTable_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    QLocale locale_ = QLocale::system();
    int pageNumberOffset_ = 0;
};

} // namespace korvex
