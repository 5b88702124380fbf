#pragma once

#include "UserMessages.h"

#include <QString>

namespace korvex {

// A report's messages kept for a list of the tables that failed: the fixed text and why,
// on one line. Only the last message is kept.
class KeptMessages : public UserMessages {
public:
    void showError(const QString& message, const QString& reason) override
    {
        last = message.simplified();
        if (!reason.isEmpty())
            last += QStringLiteral(" (%1)").arg(reason.simplified());
    }
    QString last;
};

} // namespace korvex
