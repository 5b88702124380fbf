#pragma once

#include <QMenu>

namespace korvex {

class TQxHeader;

// The popup menu of the field-column strip: "Remove", and "Insert" and "Append" with the
// nine column kinds. Its items act at the section under the strip's last press
// (PopUpIndex); the strip enables them before every press.
class FieldColumnMenu : public QMenu {
    Q_OBJECT
public:
    // Becomes the strip's popup menu, owned by the strip.
    explicit FieldColumnMenu(TQxHeader& header);

    QAction* removeItem() const { return removeItem_; }
    QMenu* insertMenu() const { return insertMenu_; }
    QMenu* appendMenu() const { return appendMenu_; }

public slots:
    // A new column of the kind before / after that section, 30 pixels wide, the strip
    // then arranged to fit.
    void InsItem(const QString& kind);
    void AppItem(const QString& kind);
    // Removes that section; no arranging follows.
    void RemoveClick();

private:
    QMenu* kindMenu(const QString& caption, void (FieldColumnMenu::*handler)(const QString&));

    TQxHeader& header_;
    QAction* removeItem_;
    QMenu* insertMenu_;
    QMenu* appendMenu_;
};

// Makes header the configuration dialog's field-column strip: 558 × 25 pixels with a single
// border, the built-in columns when it has none yet, and the popup menu, which it answers.
FieldColumnMenu* setUpFieldHeader(TQxHeader& header);

// Shows the built-in columns on the strip, widths as built in.
void showBuiltInFieldColumns(TQxHeader& header);

} // namespace korvex
