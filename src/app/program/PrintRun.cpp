#include "PrintRun.h"

#include "TableListView.h"

#include "MessageBoxMessages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace korvex {

ContinueAnswer askContinuePrinting(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, ApplicationTitle, ContinueQuestionText,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Yes);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::No))
        return ContinueAnswer::No;
    if (box.clickedButton() == box.button(QMessageBox::YesToAll))
        return ContinueAnswer::All;
    return ContinueAnswer::Yes;
}

void runPrint(const TableListView& list, const PrintTableFunction& print, const ContinueQuestion& ask, QWidget* parent,
              const std::function<bool()>& cancelled)
{
    const int itemCount = list.count();
    bool errorSeen = false;
    bool askNoMore = false;
    for (int position = 0; position < itemCount; ++position) {
        // Printing lets window events run, and one of them may have rebuilt the list.
        if (position >= list.count() || !list.isSelected(position))
            continue;
        if (cancelled && cancelled())
            return;
        if (errorSeen && !askNoMore) {
            const ContinueAnswer answer = ask(parent);
            if (answer == ContinueAnswer::No)
                return;
            if (answer == ContinueAnswer::All)
                askNoMore = true;
        }
        const QString caption = list.item(position).caption; // a copy: the list may change meanwhile
        if (!print(caption))
            errorSeen = true;
    }
}

EscapeCancelsRun::EscapeCancelsRun()
{
    if (qApp)
        qApp->installEventFilter(this);
}

EscapeCancelsRun::~EscapeCancelsRun()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool EscapeCancelsRun::eventFilter(QObject*, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || QApplication::activeModalWidget())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape)
        return false;
    pressed_ = true;
    return true;
}

} // namespace korvex
