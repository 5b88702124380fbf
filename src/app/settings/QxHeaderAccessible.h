#pragma once

#include <QAccessibleWidget>

#include <vector>

namespace korvex {

class TQxHeader;

// What a screen reader sees of a header strip: one column header per section, named by its
// caption, its width as the description and the value, and the divider at its right edge
// moved by the actions "Widen" and "Narrow" (one keyboard step each, as Shift+Right and
// Shift+Left do). The last section has no divider and so no actions.
class QxHeaderAccessible : public QAccessibleWidget {
public:
    static inline const QString WidenAction = QStringLiteral("Widen");
    static inline const QString NarrowAction = QStringLiteral("Narrow");

    explicit QxHeaderAccessible(TQxHeader* header);
    ~QxHeaderAccessible() override;

    // Makes every TQxHeader speak through this interface; safe to call again.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    TQxHeader* header() const;

private:
    // The sections' interfaces, made when first asked for; the accessibility registry
    // owns them, and they go with this one.
    mutable std::vector<QAccessible::Id> sections_;
};

} // namespace korvex
