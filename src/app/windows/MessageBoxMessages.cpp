#include "MessageBoxMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace korvex {

void MessageBoxMessages::showError(const QString& message, const QString& reason)
{
    QApplication::beep();
    QMessageBox box(QMessageBox::Critical, ApplicationTitle, message, QMessageBox::Ok, parent_);
    box.setInformativeText(reason);
    box.exec();
}

} // namespace korvex
