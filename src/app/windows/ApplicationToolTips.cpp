#include "ApplicationToolTips.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QToolTip>

namespace korvex {

namespace {

class ToolTipBlocker : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

// Owned by the application, so it goes with it.
QPointer<ToolTipBlocker>& blocker()
{
    static QPointer<ToolTipBlocker> instance;
    return instance;
}

} // namespace

void setApplicationToolTips(bool shown)
{
    QPointer<ToolTipBlocker>& filter = blocker();
    if (shown) {
        delete filter.data();
        return;
    }
    if (filter || !qApp)
        return;
    filter = new ToolTipBlocker(qApp);
    qApp->installEventFilter(filter);
    QToolTip::hideText();
}

bool applicationToolTipsShown()
{
    return blocker().isNull();
}

} // namespace korvex
