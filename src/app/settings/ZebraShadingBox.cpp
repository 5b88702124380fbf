#include "ZebraShadingBox.h"

#include "ReportSettings.h"

#include <QPainter>
#include <QStylePainter>

namespace korvex {

void ComboBoxZebraShadingDrawItem(QPainter& painter, const QRect& rect, const QString& text, const QBrush& background,
                                  const QColor& textColour)
{
    // The item's edges as a window's rectangle has them: right and bottom just outside.
    const int left = rect.left();
    const int top = rect.top();
    const int bottom = rect.top() + rect.height();
    painter.save();
    painter.fillRect(rect, background);
    painter.setPen(textColour);
    painter.drawText(QPoint(left + 20, top + 2 + painter.fontMetrics().ascent()), text);

    const int level = zebraGrayOf(text);
    const int side = bottom - top - 4;
    if (side > 0) {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(QColor(level, level, level));
        // A one-pixel outline drawn on the square's outer rows and columns.
        painter.drawRect(QRect(left + 2, top + 2, side - 1, side - 1));
    }
    painter.restore();
}

void ZebraShadingDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group = option.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal
                                                                                    : QPalette::Disabled;
    painter->setFont(option.font);
    ComboBoxZebraShadingDrawItem(*painter, option.rect, index.data(Qt::DisplayRole).toString(),
                                 option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base),
                                 option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
}

QSize ZebraShadingDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 20, ItemHeight);
}

ZebraShadingBox::ZebraShadingBox(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new ZebraShadingDelegate(this));
}

void ZebraShadingBox::paintEvent(QPaintEvent*)
{
    // The frame and the arrow as the style draws them; the closed box's face as an item,
    // selected while the list has the focus.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect face = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() < 0)
        return;
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
    const bool selected = hasFocus();
    painter.setFont(font());
    ComboBoxZebraShadingDrawItem(painter, face, currentText(),
                                 palette().brush(group, selected ? QPalette::Highlight : QPalette::Base),
                                 palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
}

} // namespace korvex
