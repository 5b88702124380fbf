#include "PrintProgram.h"

#include "ReportCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace korvex {

int runPrintProgram(char* const argv[])
{
    // Beside this program in the build tree; once installed, in its own folder relative to
    // this program's (bin/ and libexec/korvex/ under one prefix).
    const QDir here(QCoreApplication::applicationDirPath());
    const QStringList candidates{here.filePath(QStringLiteral(KORVEX_PRINT_PROGRAM)),
                                 QDir::cleanPath(
                                     here.filePath(QStringLiteral(KORVEX_PRINT_PROGRAM_DIR "/" KORVEX_PRINT_PROGRAM)))};
    for (const auto& program : candidates) {
        if (!QFileInfo(program).isFile())
            continue;
        ::execv(QFile::encodeName(program).constData(), argv);
        const int error = errno;
        writeTo(stderr, QStringLiteral("korvex-report: cannot start the printing program %1: %2\n")
                            .arg(program, QString::fromLocal8Bit(std::strerror(error))));
        return 1;
    }
    writeTo(stderr, QStringLiteral("korvex-report: cannot print: the printing program %1 is neither in %2 nor in %3\n")
                        .arg(QStringLiteral(KORVEX_PRINT_PROGRAM), QFileInfo(candidates[0]).path(),
                             QFileInfo(candidates[1]).path()));
    return 1;
}

} // namespace korvex
