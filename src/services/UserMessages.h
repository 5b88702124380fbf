#pragma once

#include <QString>

namespace korvex {

// How the report tells the user that a table failed: the program shows an error box after
// the system's beep, the command line writes to standard error, tests record the texts.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    // A fixed error text (beep, error icon, one OK button), and why it happened in the words
    // of the printer, the file system or the engine: empty when the fixed text says all.
    virtual void showError(const QString& message, const QString& reason) = 0;
    void showError(const QString& message) { showError(message, QString()); }
};

} // namespace korvex
