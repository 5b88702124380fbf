#include "QxHeader.h"

#include "QxHeaderAccessible.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace korvex {

namespace {

// A one-pixel raised edge around rect: lit along the top row and the left column, shaded
// along the right column and the bottom row, which own the top-right and bottom-left
// corners.
void paintRaisedEdge(QPainter& painter, const QRect& rect, const QColor& lit, const QColor& shaded)
{
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(rect.left(), rect.top(), 1, h - 1, lit);
    painter.fillRect(rect.left(), rect.top(), w - 1, 1, lit);
    painter.fillRect(rect.left() + w - 1, rect.top(), 1, h, shaded);
    painter.fillRect(rect.left(), rect.top() + h - 1, w, 1, shaded);
}

std::optional<HeaderStrip::MouseButton> stripButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return HeaderStrip::MouseButton::Left;
    case Qt::RightButton: return HeaderStrip::MouseButton::Right;
    case Qt::MiddleButton: return HeaderStrip::MouseButton::Middle;
    default: return std::nullopt;
    }
}

} // namespace

TQxHeader::TQxHeader(QWidget* parent)
    : QWidget(parent),
      ownModel_(std::make_unique<HeaderStrip>(HeaderStrip::DefaultWidth, HeaderStrip::BorderStyle::Single)),
      model_(ownModel_.get())
{
    attachModel();
}

TQxHeader::TQxHeader(HeaderStrip& model, QWidget* parent) : QWidget(parent), model_(&model)
{
    attachModel();
}

TQxHeader::~TQxHeader()
{
    // The model may live on (the report keeps reading it): it must not call back into a
    // widget that is gone.
    model_->Sections().setHeader({}, {});
    model_->OnSizing = nullptr;
    model_->OnSized = nullptr;
}

void TQxHeader::attachModel()
{
    // Before anything that tells screen readers about the strip: the first such message
    // makes and keeps the strip's accessible interface.
    QxHeaderAccessible::install();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the resize cursor follows the pointer without a button held
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Header"));
    resize(model_->width(), DefaultHeight);

    model_->Sections().setHeader([this](const QString& text) { return fontMetrics().horizontalAdvance(text); },
                                 [this] { update(); });
    model_->OnSizing = [this](int section, int width) { emit OnSizing(section, width); };
    model_->OnSized = [this](int section, int width) { emit OnSized(section, width); };
}

HeaderStrip& TQxHeader::strip()
{
    // A hidden widget gets no resize event until it is shown, and the report reads the
    // strip's width from a dialog that may never have been on the screen.
    model_->setWidth(width());
    return *model_;
}

const HeaderStrip& TQxHeader::strip() const
{
    model_->setWidth(width());
    return *model_;
}

void TQxHeader::setBorderStyle(HeaderStrip::BorderStyle border)
{
    model_->setBorderStyle(border);
    update();
}

int TQxHeader::focusedSection() const
{
    const int count = model_->Sections().count();
    return count == 0 ? -1 : std::clamp(focused_, 0, count - 1);
}

void TQxHeader::setFocusedSection(int section)
{
    focused_ = std::max(section, 0);
    describeFocusedSection();
    update();
}

int TQxHeader::borderWidth() const
{
    return model_->borderStyle() == HeaderStrip::BorderStyle::Single ? 1 : 0;
}

int TQxHeader::clientX(const QPointF& position) const
{
    return int(std::floor(position.x())) - borderWidth();
}

QRect TQxHeader::sectionRect(int section) const
{
    const int border = borderWidth();
    const int clientHeight = height() - 2 * border;
    for (const HeaderStrip::Face& face : strip().faces())
        if (face.section == section)
            return QRect(face.left + border, border, face.right - face.left, clientHeight);
    return QRect();
}

QSize TQxHeader::sizeHint() const
{
    return QSize(HeaderStrip::DefaultWidth, DefaultHeight);
}

void TQxHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int border = borderWidth();
    const QRect client = rect().adjusted(border, border, -border, -border);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
    const QColor face = palette().color(group, QPalette::Button);
    if (border > 0) {
        painter.setPen(palette().color(group, QPalette::Shadow));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    painter.fillRect(client, face);
    painter.setClipRect(client);
    painter.translate(client.topLeft());

    const QFontMetrics metrics = fontMetrics();
    const int textTop = (client.height() - metrics.height()) / 2;
    const int focused = hasFocus() ? focusedSection() : -1;
    for (const HeaderStrip::Face& f : strip().faces()) {
        const QRect outer(f.left, 0, f.right - f.left, client.height());
        const QRect inner = outer.adjusted(1, 1, -1, -1);
        painter.fillRect(inner, face);
        if (f.section >= 0) {
            painter.save();
            painter.setClipRect(inner, Qt::IntersectClip);
            painter.setPen(palette().color(group, QPalette::ButtonText));
            painter.drawText(QPoint(f.left + HeaderStrip::TextIndent, textTop + metrics.ascent()),
                             model_->Sections().text(f.section));
            painter.restore();
        }
        paintRaisedEdge(painter, outer, palette().color(group, QPalette::Light),
                        palette().color(group, QPalette::Dark));
        if (f.section >= 0 && f.section == focused) {
            // A dotted frame inside the face, whether the focus came by keyboard or by mouse.
            painter.save();
            painter.setPen(QPen(palette().color(group, QPalette::ButtonText), 1, Qt::DotLine));
            painter.drawRect(inner.adjusted(0, 0, -1, -1));
            painter.restore();
        }
    }
}

void TQxHeader::resizeEvent(QResizeEvent* event)
{
    model_->setWidth(width());
    QWidget::resizeEvent(event);
}

void TQxHeader::showPointerCursor(int x)
{
    if (strip().pointerAt(x))
        setCursor(Qt::SplitHCursor);
    else
        unsetCursor();
}

void TQxHeader::mousePressEvent(QMouseEvent* event)
{
    const std::optional<HeaderStrip::MouseButton> button = stripButton(event->button());
    if (!button) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int x = clientX(event->position());
    // The window system asks for the cursor before every press; a press that arrives
    // without a move before it finds the divider all the same.
    showPointerCursor(x);
    strip().mousePress(*button, x);
    enablePopUpItems();
    if (model_->PopUpIndex() >= 0)
        setFocusedSection(model_->PopUpIndex());
    if (*button == HeaderStrip::MouseButton::Right && popUpMenu_)
        popUpAt(event->globalPosition().toPoint());
    event->accept();
}

void TQxHeader::mouseMoveEvent(QMouseEvent* event)
{
    const int x = clientX(event->position());
    if (strip().dragging())
        model_->mouseMove(x);
    else
        showPointerCursor(x);
}

void TQxHeader::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    strip().mouseRelease();
    showPointerCursor(clientX(event->position()));
}

void TQxHeader::keyPressEvent(QKeyEvent* event)
{
    const int count = model_->Sections().count();
    const int focused = focusedSection();
    // The keypad's arrows count as the arrows.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool shift = modifiers == Qt::ShiftModifier;
    const bool plain = modifiers == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int direction = event->key() == Qt::Key_Left ? -1 : 1;
        if (plain && count > 0) {
            setFocusedSection(std::clamp(focused + direction, 0, count - 1));
            return;
        }
        if (shift && strip().moveDivider(focused, direction * KeyboardStep)) {
            describeFocusedSection();
            return;
        }
        break;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!plain || count == 0)
            break;
        setFocusedSection(event->key() == Qt::Key_Home ? 0 : count - 1);
        return;
    case Qt::Key_F10:
        if (!shift)
            break;
        [[fallthrough]];
    case Qt::Key_Menu: popUpForFocusedSection(); return;
    default: break;
    }
    QWidget::keyPressEvent(event);
}

void TQxHeader::contextMenuEvent(QContextMenuEvent* event)
{
    // A mouse popup opened with the press; one from the keyboard that the window system
    // sends instead of the menu key opens it for the focused section.
    if (event->reason() == QContextMenuEvent::Keyboard && popUpMenu_ && !popUpMenu_->isVisible())
        popUpForFocusedSection();
    event->accept();
}

void TQxHeader::popUpForFocusedSection()
{
    if (!popUpMenu_)
        return;
    const int focused = focusedSection();
    strip().setPopUpIndex(focused);
    enablePopUpItems();
    const QRect section = sectionRect(focused);
    popUpAt(mapToGlobal(section.isValid() ? section.bottomLeft() : rect().bottomLeft()));
}

void TQxHeader::focusInEvent(QFocusEvent* event)
{
    describeFocusedSection();
    QWidget::focusInEvent(event);
    update();
}

void TQxHeader::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TQxHeader::enablePopUpItems()
{
    if (!popUpMenu_)
        return;
    const HeaderStrip& model = *model_;
    for (QAction* item : popUpMenu_->actions()) {
        if (item->isSeparator())
            continue;
        const QString caption = item->text();
        item->setEnabled(model.topLevelItemEnabled(caption));
        if (caption != HeaderStrip::InsertCaption && caption != HeaderStrip::AppendCaption)
            continue;
        if (const QMenu* submenu = item->menu())
            for (QAction* kind : submenu->actions())
                kind->setEnabled(model.submenuItemEnabled(kind->text()));
    }
}

void TQxHeader::popUpAt(const QPoint& globalPosition)
{
    popUpMenu_->popup(globalPosition);
}

void TQxHeader::describeFocusedSection()
{
    const int focused = focusedSection();
    if (focused < 0) {
        setAccessibleDescription(QStringLiteral("No sections"));
        return;
    }
    setAccessibleDescription(QStringLiteral("%1, %2 pixels wide, section %3 of %4")
                                 .arg(model_->Sections().text(focused))
                                 .arg(strip().SectionWidth(focused))
                                 .arg(focused + 1)
                                 .arg(model_->Sections().count()));
}

} // namespace korvex
