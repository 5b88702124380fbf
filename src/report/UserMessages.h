#pragma once

#include <QString>

namespace korvex {

// How the report tells the user that a table failed: the program shows an error box after
// the system's beep, the command line writes to standard error, tests record the texts.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    // A fixed error text (beep, error icon, one OK button).
    virtual void showError(const QString& message) = 0;
};

} // namespace korvex
