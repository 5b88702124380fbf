// korvex-report-print: the printing half of korvex-report, which runs it with the
// arguments it was given. It takes the same arguments, the JSON form included.

#include "PrintCommand.h"

#include <QGuiApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

int main(int argc, char* argv[])
{
    // The command line never opens a window; without a platform of its own it measures
    // and draws its fonts offscreen, so it runs where no display exists.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Outside a desktop session there is no runtime folder; Qt would warn about it on
    // standard error, where the report's own messages go.
    std::unique_ptr<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>();
        if (runtime->isValid()) {
            QFile::setPermissions(runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtime->path().toLocal8Bit());
        }
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    return korvex::RunReportCommand(QCoreApplication::arguments(), korvex::printTables);
}
