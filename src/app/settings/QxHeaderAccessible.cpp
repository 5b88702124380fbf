#include "QxHeaderAccessible.h"

#include "QxHeader.h"

#include <QPointer>

namespace korvex {

namespace {

class SectionAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SectionAccessible(QxHeaderAccessible* parent, int section)
        : parent_(parent), header_(parent->header()), section_(section)
    {}

    bool isValid() const override { return header_ && section_ < header_->Sections().count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent_->window(); }
    QAccessibleInterface* parent() const override { return parent_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name: return header_->Sections().text(section_);
        case QAccessible::Description:
            return QStringLiteral("%1 pixels wide, column %2 of %3")
                .arg(header_->SectionWidth(section_))
                .arg(section_ + 1)
                .arg(header_->Sections().count());
        case QAccessible::Value: return QString::number(header_->SectionWidth(section_));
        default: return {};
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = header_->sectionRect(section_);
        return QRect(header_->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.focused = isValid() && header_->hasFocus() && header_->focusedSection() == section_;
        s.invisible = !isValid() || !header_->isVisible();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        // The last section's right edge is the strip's: no divider to move.
        if (!isValid() || section_ >= header_->Sections().count() - 1 || !header_->AllowResize())
            return {};
        return {QxHeaderAccessible::WidenAction, QxHeaderAccessible::NarrowAction};
    }

    void doAction(const QString& name) override
    {
        if (!actionNames().contains(name))
            return;
        const int step = name == QxHeaderAccessible::WidenAction ? TQxHeader::KeyboardStep : -TQxHeader::KeyboardStep;
        if (header_->strip().moveDivider(section_, step)) {
            QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }

    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == QxHeaderAccessible::WidenAction)
            return {QStringLiteral("Shift+Right")};
        if (name == QxHeaderAccessible::NarrowAction)
            return {QStringLiteral("Shift+Left")};
        return {};
    }

private:
    QxHeaderAccessible* parent_;
    QPointer<TQxHeader> header_;
    int section_;
};

QAccessibleInterface* headerFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(TQxHeader::staticMetaObject.className()))
        if (auto* header = qobject_cast<TQxHeader*>(object))
            return new QxHeaderAccessible(header);
    return nullptr;
}

} // namespace

QxHeaderAccessible::QxHeaderAccessible(TQxHeader* header) : QAccessibleWidget(header, QAccessible::Row)
{}

QxHeaderAccessible::~QxHeaderAccessible()
{
    for (const QAccessible::Id id : sections_)
        QAccessible::deleteAccessibleInterface(id);
}

void QxHeaderAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(headerFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

TQxHeader* QxHeaderAccessible::header() const
{
    return static_cast<TQxHeader*>(widget());
}

int QxHeaderAccessible::childCount() const
{
    return int(header()->Sections().count());
}

QAccessibleInterface* QxHeaderAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    while (int(sections_.size()) <= index) {
        auto* section = new SectionAccessible(const_cast<QxHeaderAccessible*>(this), int(sections_.size()));
        sections_.push_back(QAccessible::registerAccessibleInterface(section));
    }
    return QAccessible::accessibleInterface(sections_[std::size_t(index)]);
}

int QxHeaderAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (QAccessible::accessibleInterface(sections_[i]) == child)
            return int(i) < childCount() ? int(i) : -1;
    return -1;
}

QAccessibleInterface* QxHeaderAccessible::childAt(int x, int y) const
{
    const QPoint at = header()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < childCount(); ++i)
        if (header()->sectionRect(i).contains(at))
            return child(i);
    return nullptr;
}

} // namespace korvex
