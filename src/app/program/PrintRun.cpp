#include "PrintRun.h"

#include "TableListView.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace korvex {

ContinueAnswer askContinuePrinting(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), ContinueQuestionText,
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

void runPrint(const TableListView& list, const PrintTableFunction& print, const ContinueQuestion& ask, QWidget* parent)
{
    const int itemCount = list.count();
    bool errorSeen = false;
    bool askNoMore = false;
    for (int position = 0; position < itemCount; ++position) {
        // Printing lets window events run, and one of them may have rebuilt the list.
        if (position >= list.count() || !list.isSelected(position))
            continue;
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

} // namespace korvex
