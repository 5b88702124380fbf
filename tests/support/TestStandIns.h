#pragma once

// Stand-ins for the report's user messages and progress, recording what a run told the
// user so that a test can assert the exact texts. Header-only: the tests that use them
// link the report already.

#include "TableReport.h"
#include "UserMessages.h"

#include <QString>
#include <QStringList>

namespace korvex::test {

// The fixed error texts in the order they were shown, and the reason given with each.
class RecordedMessages : public UserMessages {
public:
    using UserMessages::showError;
    void showError(const QString& message, const QString& reason) override
    {
        errors << message;
        reasons << reason;
    }
    QStringList errors;
    QStringList reasons;
};

// Every progress message shown, whether one still shows, and the busy cursor.
class RecordedProgress : public ReportProgress {
public:
    void showMessage(const QString& text) override
    {
        shown << text;
        visible = true;
    }
    void hideMessage() override { visible = false; }
    void setBusy(bool on) override { busy = on; }
    void processEvents() override {}
    QStringList shown;
    bool visible = false;
    bool busy = false;
};

} // namespace korvex::test
