#pragma once

#include "ReportProgress.h"

namespace korvex {

class TForm_EVAMsg;

// The report's progress on the screen: the message window and the busy cursor. The busy
// cursor is set at most once however often it is asked for, so one request to end it
// always ends it, and it ends at the latest with this object.
class WindowProgress final : public ReportProgress {
public:
    explicit WindowProgress(TForm_EVAMsg& window);
    ~WindowProgress() override;
    WindowProgress(const WindowProgress&) = delete;
    WindowProgress& operator=(const WindowProgress&) = delete;

    void showMessage(const QString& text) override;
    void hideMessage() override;
    void setBusy(bool busy) override;
    void processEvents() override;

    bool isBusy() const { return busy_; }

private:
    TForm_EVAMsg& window_;
    bool busy_ = false;
};

} // namespace korvex
