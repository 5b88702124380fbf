#pragma once

#include <QString>

namespace korvex {

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

} // namespace korvex
