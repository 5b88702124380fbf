#pragma once

#include "UserMessages.h"

#include "DatabaseEngine.h"
#include "LanguageTable.h"
#include "PrintDevice.h"
#include "SettingsFile.h"
#include "TableSource.h"

#include <QString>

#include <functional>

namespace korvex {

class HeaderStrip;

// Where the tables of the table list live: the directory the browser shows, and the alias
// the table was chosen through (empty when it was chosen by directory).
struct TableLocation {
    QString currentDirectory;
    QString CurrentAlias;
    QString CurrentAliasDriver;
    QString CurrentDatabase;   // the alias's database name ("DDB" + alias), or a directory
};

// What the user sees while a table prints: the progress message and a busy cursor. The
// program shows a small window; the command line shows nothing.
class ReportProgress {
public:
    virtual ~ReportProgress() = default;
    virtual void showMessage(const QString& text) = 0;
    virtual void hideMessage() = 0;
    virtual void setBusy(bool busy) = 0;
    // Lets pending window events run (while waiting for the printer).
    virtual void processEvents() = 0;
};

// Prints the structure report of one table as one print job.
class TableReporter {
public:
    struct Services {
        DatabaseEngine& engine;
        FieldDescriptorBuffer& descriptors;
        SettingsFile& settings;
        PrintDevice& device;
        HeaderStrip& fieldHeader;          // the field columns, loaded afresh for every table
        std::function<QString(const QString&)> label;
        UserMessages& messages;
        ReportProgress& progress;
        TableLocation& location;
    };

    explicit TableReporter(Services services);

    // The report font, held since the program started.
    void setBodyFont(const QString& name, int points);
    // For tests: the clock of the dates and times the report prints.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    void setLocale(const QLocale& locale) { locale_ = locale; }
    // Added to the page numbers of the footers (ReportContext::pageNumberOffset).
    void setPageNumberOffset(int offset) { pageNumberOffset_ = offset; }

    // True when the job was printed to its end; false when the table failed, after the
    // user has been told. Errors of other kinds (a settings value that is not a number)
    // leave it as exceptions, with any job begun aborted first.
    bool PrintTableReport(const QString& name);

    TableSource& printedTable() { return table_; }

private:
    Services s_;
    TableSource table_;
    TableSource relatedTable_;
    QString bodyFontName_ = QStringLiteral("Arial");
    int bodyFontSize_ = 10;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    QLocale locale_ = QLocale::system();
    int pageNumberOffset_ = 0;
};

} // namespace korvex
