// korvex-report-print: the printing half of korvex-report, which runs it with the
// arguments it was given.

#include "PrintCommand.h"

int main(int argc, char* argv[])
{
    korvex::PrintCommand command(argc, argv);
    return command.run();
}
