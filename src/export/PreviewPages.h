#pragma once

#include "TableReport.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace korvex {

class PrintDevice;
class ReportServices;

// A table whose report is missing from the preview, and why.
struct PreviewFailure {
    QString table;
    QString error; // the report's message and its reason, on one line
};

// The pages of the print preview: the reports of several tables one after another in one
// job, each drawn by the table's report exactly as it prints alone (its own page numbers,
// information block and headers), each beginning on a new page. The tables are named as
// the table list shows them, in the services' table location.
class PreviewPages {
public:
    PreviewPages(ReportServices& services, ReportProgress& progress);

    // For tests: the clock of the reports' dates and their locale.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    void setLocale(const QLocale& locale) { locale_ = locale; }

    // Draws the tables' pages in a job the caller has begun on device and ends. A table
    // that fails is left out and answered, its messages kept from the user.
    std::vector<PreviewFailure> draw(PrintDevice& device, const QStringList& tables);

private:
    ReportServices& services_;
    ReportProgress& progress_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    QLocale locale_ = QLocale::system();
};

} // namespace korvex
