#pragma once

#include "SqlDialect.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace korvex {

// What korvex-report makes of its tables: one form per run.
enum class ReportForm {
    Print,       // one print job per table (--printer, --out, --trace or the default printer)
    Book,        // --book FILE
    Json,        // --json, --format json
    Tbls,        // --format tbls
    Markdown,    // --markdown DIR
    Ddl,         // --ddl DIALECT: a script that makes the tables on a server
    ListAliases, // --list-aliases: no tables at all
    Diff,        // --diff OLD NEW: the differences of two structures
};

// How --diff writes the differences: text, --format json or --format markdown.
enum class DiffFormat { Text, Json, Markdown };

// The command line of korvex-report, its options checked against each other: nothing is
// opened yet, but a settings file named must exist.
struct ReportRequest {
    ReportForm form = ReportForm::Print;
    QStringList tables;                             // TABLE arguments, in their order
    std::optional<QString> alias;                   // --alias NAME: the tables are names within it
    std::optional<QString> settingsFile;            // --settings FILE, as given
    QStringList passwords;                          // every --password
    std::optional<QString> printer;                 // --printer NAME
    std::optional<QString> outFolder;               // --out DIR
    std::optional<QString> traceFile;               // --trace FILE
    std::optional<QString> bookFile;                // --book FILE
    std::optional<QString> markdownFolder;          // --markdown DIR
    SqlDialect ddlDialect = SqlDialect::PostgreSql; // --ddl DIALECT
    DiffFormat diffFormat = DiffFormat::Text;       // --diff with --format

    // The side of --diff named alias:NAME is the alias NAME.
    static inline const QString AliasSide = QStringLiteral("alias:");

    // The aliases file is read only for these, so that a broken one stops no other use.
    bool readsAliases() const
    {
        return form == ReportForm::ListAliases || alias.has_value() ||
               (form == ReportForm::Diff && std::any_of(tables.begin(), tables.end(), [](const QString& side) {
                    return side.startsWith(AliasSide);
                }));
    }
    // The book and the Markdown replace earlier files, so their tables are checked first.
    bool replacesFiles() const { return form == ReportForm::Book || form == ReportForm::Markdown; }
};

// The arguments read: a request to run, or the end of the run (--help and --version
// answer on standard output, a usage problem is told with the help text after it).
struct ReportRequestParse {
    std::optional<ReportRequest> request;
    QString answer;   // the text of --help or --version
    QString problem;  // why the arguments make no request, without the program's name
    QString helpText; // shown after a problem
};

// The program's arguments, its name first.
ReportRequestParse parseReportRequest(const QStringList& arguments);

} // namespace korvex
