#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

namespace korvex {

// Draws one item of the zebra shading list into rect (its bottom edge the first row below
// it): the background, the item's text from (left + 20, top + 2), and at the left a square
// swatch of side height - 4 from (left + 2, top + 2), outlined in black and filled with the
// shading's grey (255 - p × 2.55, truncated, for the text's leading percentage p).
void ComboBoxZebraShadingDrawItem(QPainter& painter, const QRect& rect, const QString& text, const QBrush& background,
                                  const QColor& textColour);

// The list items of the shading list, drawn as above and 19 pixels high.
class ZebraShadingDelegate : public QStyledItemDelegate {
public:
    static constexpr int ItemHeight = 19;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The drop-down list of zebra shadings: its items and its closed box show the swatch.
class ZebraShadingBox : public QComboBox {
    Q_OBJECT
public:
    explicit ZebraShadingBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace korvex
