#pragma once

#include <QString>

#include <cstdio>

namespace korvex {

// The command line's streams: results on standard output, messages on standard error, the
// progress of a long run on a terminal, and the signals that end a run early.

// The text as UTF-8, written and flushed at once, so that messages on standard error and
// results on standard output keep their order. A failed write of standard output is
// remembered for finishStandardOutput.
void writeTo(std::FILE* stream, const QString& text);
// The same for bytes that are UTF-8 already, such as a serialised JSON document.
void writeUtf8(std::FILE* stream, const QByteArray& bytes);

// The text with every control character but line breaks and tabs shown as \xNN (C0, DEL
// and C1), so that a file or alias name cannot move the cursor, set a terminal's title or
// clear its screen.
QString visibleText(const QString& text);

// A message on standard error, control characters made visible; it takes the place of the
// progress line when one is shown.
void writeMessage(const QString& text);
// Lines of results on standard output (names, paths), control characters made visible.
void writeLines(const QString& text);

// Flushes standard output; when any write to it failed, says so on standard error as
// program and answers 1, else status.
int finishStandardOutput(const QString& program, int status);

// "[812/2000] ORDERS.DB" on standard error while a run goes through its tables, one line
// overwritten in place; only when standard error is a terminal.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(std::size_t number, std::size_t count, const QString& name);
    void clear();

private:
    bool enabled_ = false;
};

// Ctrl-C, SIGTERM and SIGHUP end a run after the table it is at, so that it can take back
// what it began: its temporary files and a partial output. Installed once at the start.
void endRunsOnSignals();
// The signal that asked the run to end, or 0.
int endingSignal();
// Thrown between two tables once a signal asked the run to end.
struct RunEnded {
    int signal = 0;
};
// Throws RunEnded when a signal asked the run to end.
void stopWhenAsked();
// The exit status of a run ended by signal (128 + its number), after saying on standard
// error what was left undone.
int endedRun(const QString& program, int signal, const QString& undone);

} // namespace korvex
