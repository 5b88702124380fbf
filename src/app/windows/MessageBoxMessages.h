#pragma once

#include "UserMessages.h"

#include <QPointer>
#include <QWidget>

namespace korvex {

// The program's title: the main window's caption and the caption of its message boxes.
// Every other window has a title of its own, which stands alone (no program name appended).
inline const QString ApplicationTitle = QStringLiteral("Korvex V3.2");

// The application's error display: the system's beep, then an error box with the
// program's title as caption, the reason below the fixed text, and a single OK button.
class MessageBoxMessages : public UserMessages {
public:
    // parent: the window the box stands over; none centres it on the screen.
    explicit MessageBoxMessages(QWidget* parent = nullptr) : parent_(parent) {}
    void showError(const QString& message, const QString& reason) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace korvex
