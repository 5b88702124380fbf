// korvex-report: the structure reports of Paradox and dBASE tables from the command line.

#include "ReportCommand.h"

int main(int argc, char* argv[])
{
    korvex::ReportCommand command(argc, argv);
    return command.run();
}
