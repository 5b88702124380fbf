#pragma once

#include <QStringList>

namespace korvex {

// korvex-report: prints the structure reports of tables, or writes their structure as
// JSON. Answers the exit status: 0 when every table succeeded, 1 when any failed, 2 for a
// usage error.
int RunReportCommand(const QStringList& arguments);

} // namespace korvex
