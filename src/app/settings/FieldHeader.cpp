#include "FieldHeader.h"

#include "FieldColumns.h"
#include "QxHeader.h"

namespace korvex {

FieldColumnMenu::FieldColumnMenu(TQxHeader& header) : QMenu(&header), header_(header)
{
    setObjectName(QStringLiteral("PopupMenu1"));
    setTitle(QStringLiteral("Field information"));
    removeItem_ = addAction(HeaderStrip::RemoveCaption, this, &FieldColumnMenu::RemoveClick);
    insertMenu_ = kindMenu(HeaderStrip::InsertCaption, &FieldColumnMenu::InsItem);
    appendMenu_ = kindMenu(HeaderStrip::AppendCaption, &FieldColumnMenu::AppItem);
    header.setHeaderPopUpMenu(this);
}

QMenu* FieldColumnMenu::kindMenu(const QString& caption, void (FieldColumnMenu::*handler)(const QString&))
{
    QMenu* menu = addMenu(caption);
    for (const QString& kind : fieldColumnMenuKinds())
        menu->addAction(kind, this, [this, handler, kind] { (this->*handler)(kind); });
    return menu;
}

void FieldColumnMenu::InsItem(const QString& kind)
{
    korvex::InsItem(header_.strip(), kind);
}

void FieldColumnMenu::AppItem(const QString& kind)
{
    korvex::AppItem(header_.strip(), kind);
}

void FieldColumnMenu::RemoveClick()
{
    korvex::RemoveClick(header_.strip());
}

FieldColumnMenu* setUpFieldHeader(TQxHeader& header)
{
    header.setObjectName(QStringLiteral("FieldHeader"));
    header.setAccessibleName(QStringLiteral("Field information columns"));
    header.setBorderStyle(HeaderStrip::BorderStyle::Single);
    header.setFixedSize(FieldHeaderWidth, TQxHeader::DefaultHeight);
    // A model handed in with columns keeps them.
    if (header.Sections().count() == 0)
        showBuiltInFieldColumns(header);
    return new FieldColumnMenu(header);
}

void showBuiltInFieldColumns(TQxHeader& header)
{
    TQxHeaderStrings& sections = header.Sections();
    HeaderUpdateGuard guard(sections);
    sections.clear();
    for (const FieldColumn& column : builtInFieldColumns()) {
        sections.add(column.kind);
        sections.setWidth(sections.count() - 1, column.width);
    }
}

} // namespace korvex
