// Writes one value into the settings file named on the command line, as the program does:
// settings_write_probe FILE SECTION KEY VALUE. Exits 0 when written; 1 with the settings
// file's message on standard error when it could not be.

#include "SettingsFile.h"

#include <QString>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 5) {
        std::fputs("usage: settings_write_probe FILE SECTION KEY VALUE\n", stderr);
        return 2;
    }
    try {
        korvex::SettingsFile settings(QString::fromLocal8Bit(argv[1]));
        settings.WriteText(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                           QString::fromLocal8Bit(argv[4]));
    } catch (const korvex::SettingsWriteError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
