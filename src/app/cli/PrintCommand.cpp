#include "PrintCommand.h"

#include "AliasCommand.h"
#include "BookPdf.h"
#include "DatabaseEngine.h"
#include "QtPrinterDevice.h"
#include "RecordingDevice.h"
#include "ReportServices.h"
#include "SettingsFile.h"
#include "TableReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>

namespace korvex {

namespace {

constexpr int ExitFailed = 1;

using WriteFunction = std::function<void(const QString&)>;

// A table's message on standard error: what failed and why.
QString tableMessage(const QString& table, QString message, const QString& why)
{
    QString text = QStringLiteral("korvex-report: %1: %2").arg(table, message.trimmed().replace('\n', ' '));
    if (!why.isEmpty())
        text += QStringLiteral(" (%1)").arg(why);
    return text + '\n';
}

// The report's messages on standard error, with the table they are about and why: the
// reason the report gives, else what the engine said last.
class CommandLineMessages : public UserMessages {
public:
    explicit CommandLineMessages(const DatabaseEngine& engine, WriteFunction write = writeMessage)
        : engine_(engine), write_(std::move(write))
    {}

    void setTable(const QString& table) { table_ = table; }

    void showError(const QString& message, const QString& reason) override
    {
        write_(tableMessage(table_, message, reason.isEmpty() ? engine_.lastError() : reason));
    }

private:
    const DatabaseEngine& engine_;
    WriteFunction write_;
    QString table_;
};

// The command's words about the tables, in table order, while their print jobs finish
// behind: what a table says waits until every table before it has been told, its job's
// outcome included. The first table not yet told speaks at once.
class TableOutput {
public:
    // A table begins; what is said from now on is its own.
    void beginTable(const QString& table) { tables_.emplace_back().name = table; }
    void message(const QString& text)
    {
        if (tables_.empty())
            write(Part{true, text});
        else
            say(tables_.back(), Part{true, text});
    }
    // The table has said all it says now; with a job behind, it waits for its outcome.
    void endTable(bool jobBehind)
    {
        tables_.back().drawing = false;
        tables_.back().jobBehind = jobBehind;
        tellFinished();
    }
    // The table whose job, of those behind, ended first: the next outcome is its job's.
    QString tableBehind()
    {
        const auto table = oldestBehind();
        return table == tables_.end() ? QString() : table->name;
    }
    // That job's outcome: what its table says about it.
    void jobFinished(const QString& text, bool error)
    {
        const auto table = oldestBehind();
        if (table == tables_.end())
            return;
        say(*table, Part{error, text});
        table->jobBehind = false;
        tellFinished();
    }

private:
    struct Part {
        bool error = false; // standard error; else standard output
        QString text;
    };
    struct Table {
        QString name;
        std::vector<Part> held;
        bool drawing = true;
        bool jobBehind = false;
    };

    std::deque<Table>::iterator oldestBehind()
    {
        return std::find_if(tables_.begin(), tables_.end(), [](const Table& t) { return t.jobBehind; });
    }

    static void write(const Part& part)
    {
        if (part.error)
            writeMessage(part.text);
        else
            writeLines(part.text);
    }
    void say(Table& table, Part part)
    {
        if (&table == &tables_.front())
            write(part);
        else
            table.held.push_back(std::move(part));
    }
    void tellFinished()
    {
        while (!tables_.empty() && !tables_.front().drawing && !tables_.front().jobBehind) {
            tables_.pop_front();
            if (tables_.empty())
                break;
            for (const Part& part : std::exchange(tables_.front().held, {}))
                write(part);
        }
    }

    std::deque<Table> tables_; // the tables not yet told, the first of them speaking
};

// The command line shows no window and no cursor.
class SilentProgress : public ReportProgress {
public:
    void showMessage(const QString&) override {}
    void hideMessage() override {}
    void setBusy(bool) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
};

// What the engine notices about a table that does not stop its report (a validity-check
// file that is not read, names read as UTF-8) goes to standard error before it prints.
void writeWarnings(DatabaseEngine& engine, const QString& table, const QString& databaseName, const QString& tableName,
                   const WriteFunction& write = writeMessage)
{
    TableHandle handle = 0;
    if (engine.OpenTable(databaseName, tableName, handle) != result::Ok)
        return; // the report tells why it cannot open the table
    QStringList warnings;
    engine.readWarnings(handle, warnings);
    engine.CloseTable(handle);
    for (const auto& w : warnings)
        write(QStringLiteral("korvex-report: %1: warning: %2\n").arg(table, w));
}

// --book: every table's report in one PDF with its title page and contents, spooled by the
// PDF printer and then given its bookmarks and links.
int printBook(const PrintRequest& request, ReportServices& services)
{
    DatabaseEngine& engine = services.engine();
    const QString target = QDir::current().absoluteFilePath(*request.bookFile);
    const QTemporaryDir spool;
    if (!spool.isValid()) {
        writeMessage(QStringLiteral("korvex-report: no temporary folder for the book: %1\n").arg(spool.errorString()));
        return ExitFailed;
    }
    CommandLineMessages messages(engine);
    SilentProgress progress;
    for (const auto& entry : request.tables.tables)
        writeWarnings(engine, entry.argument, entry.databaseName, entry.name);
    BookLayout layout;
    const QString notWritten = QStringLiteral("; the book was not written\n");
    try {
        ProgressLine line;
        layout = writeBookPdf(services, progress, request.tables, spool.path(), target,
                              QCoreApplication::applicationVersion(),
                              [&line](std::size_t number, std::size_t count, const QString& table) {
                                  stopWhenAsked();
                                  if (!table.isEmpty())
                                      line.show(number, count, table);
                              });
    } catch (const RunEnded& ended) {
        return endedRun(QStringLiteral("korvex-report"), ended.signal, QStringLiteral("the book was not written"));
    } catch (const PrinterError& e) {
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(e.message()));
        return ExitFailed;
    } catch (const SettingsWriteError& e) {
        writeMessage(QStringLiteral("korvex-report: %1 (%2)").arg(e.message(), e.reason()) + notWritten);
        return ExitFailed;
    } catch (const std::exception& e) {
        writeMessage(QStringLiteral("korvex-report: %1").arg(QString::fromStdString(e.what())) + notWritten);
        return ExitFailed;
    }
    bool allOk = true;
    for (const auto& chapter : layout.chapters) {
        if (!chapter.printed)
            writeMessage(
                QStringLiteral("korvex-report: %1: not in the book: %2\n").arg(chapter.table.argument, chapter.error));
        allOk = allOk && chapter.printed;
    }
    writeLines(QStringLiteral("book: %1\n").arg(target));
    return allOk ? 0 : ExitFailed;
}

// The environment the printing program needs before Qt starts: the offscreen platform
// unless one is chosen, and a private runtime folder outside a desktop session.
std::unique_ptr<QTemporaryDir> prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>();
        if (runtime->isValid()) {
            QFile::setPermissions(runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtime->path().toLocal8Bit());
        }
    }
    return runtime;
}

} // namespace

int printTables(const PrintRequest& request, ReportServices& services)
{
    for (const auto& problem : request.tables.problems)
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(problem));
    const int expanded = request.tables.problems.isEmpty() ? 0 : ExitFailed;
    if (request.bookFile)
        return std::max(printBook(request, services), expanded);
    DatabaseEngine& engine = services.engine();
    // The printer: a recording device with the PDF printer's pages for --trace, a CUPS
    // printer, or the PDF printer writing into the output folder.
    const QString folder = QDir::current().absoluteFilePath(
        request.outFolder.value_or(QStringLiteral("korvex-reports")));
    std::unique_ptr<QtPrinterDevice> qtPrinter;
    std::unique_ptr<RecordingDevice> recorder;
    PrintDevice* device = nullptr;
    try {
        qtPrinter = std::make_unique<QtPrinterDevice>(folder);
        if (request.printer)
            qtPrinter->selectCupsPrinter(*request.printer);
        else if (request.outFolder || request.traceFile)
            qtPrinter->selectPdfPrinter(folder);
    } catch (const PrinterError& e) {
        writeMessage(QStringLiteral("korvex-report: %1\n").arg(e.message()));
        return ExitFailed;
    }
    if (request.traceFile) {
        recorder = recorderLike(*qtPrinter);
        device = recorder.get();
    } else {
        device = qtPrinter.get();
    }

    TableOutput output;
    const WriteFunction message = [&output](const QString& text) { output.message(text); };
    CommandLineMessages messages(engine, message);
    SilentProgress progress;
    TableLocation& location = services.location();
    if (request.aliasDatabase) {
        // Tables named relative to the alias open through its database, as chosen in the browser.
        QString driver;
        engine.GetAliasDriver(request.aliasDatabase->aliasName(), driver);
        location.currentDirectory = aliasDirectory(engine, *request.aliasDatabase);
        location.CurrentAlias = request.aliasDatabase->aliasName().left(25);
        location.CurrentAliasDriver = driver.left(25);
        location.CurrentDatabase = request.aliasDatabase->databaseName();
    }
    TableReporter reporter(services, *device, messages, progress);

    // The printer paints, writes and delivers each job behind, on as many threads as the
    // machine has cores, while the next tables are read and drawn; each job's outcome is
    // told with its table, in table order.
    bool allOk = true;
    const auto tellFinishedJobs = [&](bool wait) {
        if (recorder)
            return;
        for (const FinishedJob& job : qtPrinter->takeFinishedJobs(wait)) {
            const QString table = output.tableBehind();
            if (!job.error.isEmpty())
                output.jobFinished(tableMessage(table, PrintingErrorText, job.error), true);
            else if (qtPrinter->isPdfPrinter())
                output.jobFinished(QStringLiteral("%1: %2\n").arg(table, job.outputFile), false);
            else
                output.jobFinished(QStringLiteral("%1: job %2 on printer %3\n")
                                       .arg(table)
                                       .arg(job.jobId)
                                       .arg(qtPrinter->printerName()),
                                   false);
            allOk = allOk && job.error.isEmpty();
        }
    };
    if (!recorder)
        qtPrinter->finishJobsBehind(std::max(QThread::idealThreadCount(), 1));

    ProgressLine line;
    const auto& tables = request.tables.tables;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const QString& table = tables[i].argument;
        if (const int signal = endingSignal()) {
            tellFinishedJobs(true);
            return endedRun(QStringLiteral("korvex-report"), signal,
                            recorder ? QStringLiteral("no trace was written")
                                     : QStringLiteral("the tables from %1 on were not printed").arg(table));
        }
        line.show(i + 1, tables.size(), tables[i].name);
        const QFileInfo info(table);
        if (!request.aliasDatabase)
            location.currentDirectory = info.path(); // as given: see expandTableArguments
        output.beginTable(table);
        messages.setTable(table);
        if (request.aliasDatabase)
            writeWarnings(engine, table, request.aliasDatabase->databaseName(), table, message);
        else
            writeWarnings(engine, table, info.path(), info.fileName(), message);
        bool ok = false;
        try {
            ok = reporter.PrintTableReport(request.aliasDatabase ? table : info.fileName());
        } catch (const SettingsWriteError& e) {
            output.message(QStringLiteral("korvex-report: %1: %2 (%3)\n").arg(table, e.message(), e.reason()));
        } catch (const std::exception& e) {
            output.message(QStringLiteral("korvex-report: %1: %2\n").arg(table, QString::fromStdString(e.what())));
        }
        allOk = allOk && ok;
        output.endTable(ok && !recorder);
        tellFinishedJobs(false);
    }
    tellFinishedJobs(true);
    line.clear();
    if (const int signal = endingSignal())
        return endedRun(QStringLiteral("korvex-report"), signal,
                        recorder ? QStringLiteral("no trace was written") : QStringLiteral("every table was printed"));
    if (recorder) {
        try {
            recorder->writeTrace(*request.traceFile);
            writeLines(QStringLiteral("trace: %1\n").arg(QFileInfo(*request.traceFile).absoluteFilePath()));
        } catch (const PrinterError& e) {
            writeMessage(QStringLiteral("korvex-report: %1\n").arg(e.message()));
            return ExitFailed;
        }
    }
    return allOk ? expanded : ExitFailed;
}

PrintCommand::PrintCommand(int& argc, char** argv)
    : runtime_(prepareEnvironment()), argc_(argc), argv_(argv), application_(argc, argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("korvex-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
}

int PrintCommand::run()
{
    endRunsOnSignals();
    return finishStandardOutput(QStringLiteral("korvex-report"),
                                runReportCommand(commandLineArguments(argc_, argv_), printTables));
}

} // namespace korvex
