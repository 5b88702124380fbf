#pragma once

namespace korvex {

// Replaces this process by korvex-report-print with the same arguments (argv as main
// received it, null-terminated), so that only printing loads Qt Gui and Print Support; the
// exit status, standard output and standard error are the printing program's. Returns
// only when that program cannot be started: then it says why and answers 1.
int runPrintProgram(char* const argv[]);

} // namespace korvex
