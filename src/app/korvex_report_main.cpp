// korvex-report: the structure reports of Paradox and dBASE tables from the command line.
// This program checks the arguments and writes the JSON structure dump with Qt Core
// alone; for printing it hands over to korvex-report-print, which loads Qt Gui and Print
// Support, so that a dump starts as fast as the engine can read.

#include "PrintProgram.h"
#include "ReportCommand.h"

#include <QCoreApplication>

#include <vector>

int main(int argc, char* argv[])
{
    // The arguments as this program received them, for the printing program; the
    // application object may rearrange argv.
    const std::vector<char*> arguments(argv, argv + argc + 1);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    return korvex::RunReportCommand(QCoreApplication::arguments(),
                                    [&arguments](const korvex::PrintRequest&, korvex::SettingsFile&,
                                                 korvex::DatabaseEngine&) { return korvex::runPrintProgram(arguments.data()); });
}
