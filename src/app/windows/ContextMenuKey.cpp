#include "ContextMenuKey.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace korvex {

namespace {

class ContextMenuKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F10 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier)
            return false;
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = static_cast<QWidget*>(watched);
        // Where the Menu key's menu opens: at the control's cursor (an item view's current
        // item), else in the middle of the control.
        QRect cursor = target->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        if (!cursor.isValid() || !target->rect().contains(cursor.center()))
            cursor = target->rect();
        const QPoint at = cursor.center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at), key->modifiers());
        QCoreApplication::sendEvent(target, &menu);
        return true;
    }
};

QPointer<ContextMenuKeyFilter>& filter()
{
    static QPointer<ContextMenuKeyFilter> instance;
    return instance;
}

} // namespace

void installContextMenuKey()
{
    if (filter() || !qApp)
        return;
    filter() = new ContextMenuKeyFilter(qApp);
    qApp->installEventFilter(filter());
}

} // namespace korvex
