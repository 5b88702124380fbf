#include "WindowProgress.h"

#include "EvaMessageWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace korvex {

WindowProgress::WindowProgress(TForm_EVAMsg& window) : window_(window)
{}

WindowProgress::~WindowProgress()
{
    setBusy(false);
}

void WindowProgress::showMessage(const QString& text)
{
    window_.showMessage(text);
}

void WindowProgress::hideMessage()
{
    window_.hideMessage();
}

void WindowProgress::setBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void WindowProgress::processEvents()
{
    QCoreApplication::processEvents();
}

} // namespace korvex
