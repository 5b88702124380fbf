#pragma once

#include "ReportCommand.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <memory>

namespace korvex {

// The printing half of korvex-report: one print job per table of the request, on the
// system's default printer, a CUPS printer, the PDF printer, or the recording device for
// --trace. Needs a QGuiApplication. Answers the exit status (0 or 1).
int printTables(const PrintRequest& request, ReportServices& services);

// The program korvex-report-print, which korvex-report runs with the arguments it was
// given. It takes the same arguments, the JSON form included. It never opens a window:
// without a platform of its own it measures and draws its fonts offscreen, so it runs
// where no display exists.
class PrintCommand {
public:
    // argc and argv as main received them; they must outlive the command.
    PrintCommand(int& argc, char** argv);
    int run();

private:
    // Outside a desktop session: the runtime folder made for this run, which Qt would
    // otherwise warn about on standard error, where the report's own messages go.
    std::unique_ptr<QTemporaryDir> runtime_;
    int& argc_; // as the application object leaves them, without Qt's own options
    char** argv_;
    QGuiApplication application_;
};

} // namespace korvex
