#include "GrayedForm.h"

#include <QChildEvent>
#include <QEvent>
#include <QPainter>

namespace korvex {

TGrayedForm::TGrayedForm(QWidget* form) : form_(*form)
{}

void TGrayedForm::greyOn()
{
    armed_ = true;
    savedActiveControl_ = form_.focusWidget();
    if (savedActiveControl_)
        savedActiveControl_->clearFocus();
    greyed_ = true;
    if (!hatch_)
        hatch_ = new GreyHatch(form_);
    hatch_->setGeometry(form_.rect());
    hatch_->raise();
    hatch_->show();
    hatch_->repaint();
}

void TGrayedForm::greyOff()
{
    greyed_ = false;
    if (hatch_)
        hatch_->hide();
    form_.repaint();
    if (savedActiveControl_)
        savedActiveControl_->setFocus(Qt::OtherFocusReason);
}

GreyHatch::GreyHatch(QWidget& form) : QWidget(&form)
{
    setObjectName(QStringLiteral("GreyHatch"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    form.installEventFilter(this);
}

bool GreyHatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        // A control made while greyed would stand above the hatch.
        else if (event->type() == QEvent::ChildAdded && static_cast<QChildEvent*>(event)->child() != this)
            raise();
    }
    return false;
}

// The lines run as on a window's device context: from the client area's top-left, every
// second row down to the height less 2 and every second column to the width, each line
// without its end point.
void GreyHatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor grey = QColor::fromRgb(TGrayedForm::HatchColour);
    const int left = 0;
    const int top = 0;
    const int right = width();
    const int bottom = height() - 2;
    for (int y = top; y < bottom;) {
        y += 2;
        painter.fillRect(left, y, right - left, 1, grey);
    }
    // With a client area under 2 pixels high the lines run upwards, from top to just
    // before bottom.
    const int from = bottom >= top ? top : bottom + 1;
    const int length = bottom >= top ? bottom - top : top - bottom;
    for (int x = left; x < right;) {
        x += 2;
        painter.fillRect(x, from, 1, length, grey);
    }
}

} // namespace korvex
