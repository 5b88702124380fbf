#pragma once

#include "ReportCommand.h"

namespace korvex {

// The printing half of korvex-report: one print job per table of the request, on the
// system's default printer, a CUPS printer, the PDF printer, or the recording device for
// --trace. Needs a QGuiApplication. Answers the exit status (0 or 1).
int printTables(const PrintRequest& request, SettingsFile& settings, DatabaseEngine& engine);

} // namespace korvex
