#include "MessageBoxMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace korvex {

void MessageBoxMessages::showError(const QString& message)
{
    QApplication::beep();
    QMessageBox::critical(parent_, QGuiApplication::applicationDisplayName(), message);
}

} // namespace korvex
