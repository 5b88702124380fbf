#pragma once

#include "ReportRequest.h"
#include "Streams.h"
#include "TableSet.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace korvex {

class AliasDatabase;
class ReportServices;

// The printing form of the command line with its arguments checked: the tables in
// argument order (a directory's tables in its place), where their reports go, and the
// alias they are named in.
struct PrintRequest {
    TableSet tables;                  // with the arguments that gave no table, to be told
    std::optional<QString> bookFile;  // --book FILE: one PDF of all the tables
    std::optional<QString> printer;   // --printer NAME
    std::optional<QString> outFolder; // --out DIR
    std::optional<QString> traceFile; // --trace FILE
    // --alias NAME: the alias's connected database, the tables named relative to it
    const AliasDatabase* aliasDatabase = nullptr;
};

// Prints the reports of a request with the command line's services (the passwords of the
// settings file and of the command line registered); answers the exit status.
using TablePrinter = std::function<int(const PrintRequest&, ReportServices&)>;

// Where a printing request is printed: by printTables in this program, or in the printing
// program that printTables hands the whole command over to. Then a server alias is left
// for the printing program to connect, so that the user logs in once.
enum class PrintPlace { Here, PrintingProgram };

// korvex-report: prints the structure reports of tables, or their book, or writes their
// structure as JSON, Markdown or tbls JSON. Answers the exit status: 0 when every table
// succeeded, 1 when any failed, 2 for a usage error. The JSON, Markdown and tbls forms need Qt Core only; printing goes
// to printTables.
int runReportCommand(const QStringList& arguments, const TablePrinter& printTables,
                     PrintPlace place = PrintPlace::Here);

// The same for a request already read from the arguments: opens the settings, the aliases
// and the tables, and hands them to the runner of the request's form.
int runReportRequest(const ReportRequest& request, const TablePrinter& printTables,
                     PrintPlace place = PrintPlace::Here);

// The program korvex-report: checks the arguments and writes the JSON structure dump with
// Qt Core alone; for printing it hands over to korvex-report-print, which loads Qt Gui
// and Print Support, so that a dump starts as fast as the engine can read.
class ReportCommand {
public:
    // argc and argv as main received them; they must outlive the command.
    ReportCommand(int& argc, char** argv);
    int run();

private:
    // The arguments as this program received them, for the printing program; the
    // application object may rearrange argv.
    std::vector<char*> arguments_;
    QCoreApplication application_;
};

// The problems with the tables a run is asked for that stop it before anything is written
// (empty when there are none): a table name of an alias that reaches outside the alias's
// folder (it holds a / or is ..), and, where files replace earlier ones (fileForm), an
// argument that does not exist or a directory without tables. The refused tables leave
// the set.
QStringList tableArgumentProblems(TableSet& set, bool fileForm);

// The program's arguments, its name first, with the bytes of each kept (FileNames.h):
// Qt's own list loses the bytes of a file name that are not UTF-8, and that file could
// then not be found.
QStringList commandLineArguments(int argc, char* const argv[]);

} // namespace korvex
