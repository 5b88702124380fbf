// korvex-report: the structure reports of Paradox and dBASE tables from the command line.

#include "ReportCommand.h"

#include <QGuiApplication>

int main(int argc, char* argv[])
{
    // The command line never opens a window; without a platform of its own it measures
    // and draws its fonts offscreen, so it runs where no display exists.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    return korvex::RunReportCommand(QCoreApplication::arguments());
}
