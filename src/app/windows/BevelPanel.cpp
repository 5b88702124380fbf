#include "BevelPanel.h"

#include <QPainter>

namespace korvex {

namespace {

// One ring of a bevel inside rect: the lit colour along the top row and the left column,
// the shaded colour along the right column and the bottom row, which own the top-right and
// bottom-left corners.
void paintBevelRing(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight)
{
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(rect.left(), rect.top(), w - 1, 1, topLeft);
    painter.fillRect(rect.left(), rect.top(), 1, h - 1, topLeft);
    painter.fillRect(rect.left() + w - 1, rect.top(), 1, h, bottomRight);
    painter.fillRect(rect.left(), rect.top() + h - 1, w, 1, bottomRight);
}

} // namespace

BevelPanel::BevelPanel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BevelPanel::setBevelOuter(Bevel bevel)
{
    outer_ = bevel;
    update();
}

void BevelPanel::setBevelInner(Bevel bevel)
{
    inner_ = bevel;
    update();
}

void BevelPanel::setFace(QPalette::ColorGroup group, QPalette::ColorRole role)
{
    faceGroup_ = group;
    faceRole_ = role;
    update();
}

QColor BevelPanel::faceColor() const
{
    return palette().color(faceGroup_, faceRole_);
}
QColor BevelPanel::lightColor() const
{
    return palette().color(QPalette::Active, QPalette::Light);
}
QColor BevelPanel::shadowColor() const
{
    return palette().color(QPalette::Active, QPalette::Dark);
}

void BevelPanel::setCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

QColor BevelPanel::captionColor() const
{
    if (captionColor_.isValid())
        return captionColor_;
    QPalette::ColorRole text = QPalette::ButtonText;
    switch (faceRole_) {
    case QPalette::Highlight: text = QPalette::HighlightedText; break;
    case QPalette::Window: text = QPalette::WindowText; break;
    case QPalette::Base:
    case QPalette::AlternateBase: text = QPalette::Text; break;
    case QPalette::ToolTipBase: text = QPalette::ToolTipText; break;
    default: break;
    }
    return palette().color(faceGroup_, text);
}

void BevelPanel::setCaptionColor(const QColor& color)
{
    captionColor_ = color;
    update();
}

int BevelPanel::bevelWidth() const
{
    return (outer_ != Bevel::None ? 1 : 0) + (inner_ != Bevel::None ? 1 : 0);
}

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect rect = this->rect();
    painter.fillRect(rect, faceColor());
    for (const Bevel bevel : {outer_, inner_}) {
        if (bevel == Bevel::None)
            continue;
        const bool raised = bevel == Bevel::Raised;
        paintBevelRing(painter, rect, raised ? lightColor() : shadowColor(), raised ? shadowColor() : lightColor());
        rect.adjust(1, 1, -1, -1);
    }
    if (caption_.isEmpty())
        return;
    painter.setPen(captionColor());
    painter.setFont(font());
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

} // namespace korvex
