#include "TableListView.h"

#include "Pictures.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>

namespace korvex {

namespace {

// The icon view's cell: room for the 16-pixel picture and two lines of name below it, at
// least this wide and wider for longer names up to the limit, beyond which names are cut
// short.
constexpr QSize IconGrid{90, 48};
constexpr int IconGridWidest = 200;

void setUpView(QAbstractItemView* view, const QString& name)
{
    view->setObjectName(name);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setIconSize(QSize(16, 16));
    view->setAccessibleName(QStringLiteral("Table(s) to print"));
}

// In the list view a name never gets wider than the view: a longer one is shortened in the
// middle with "…" (its extension stays in sight), and its tooltip gives it whole.
class NameWithinTheViewDelegate : public QStyledItemDelegate {
public:
    explicit NameWithinTheViewDelegate(QListView* view) : QStyledItemDelegate(view), view_(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize hint = QStyledItemDelegate::sizeHint(option, index);
        if (view_->viewMode() == QListView::ListMode)
            hint.setWidth(std::min(hint.width(), std::max(view_->viewport()->width() - 2 * view_->spacing() - 4, 40)));
        return hint;
    }

private:
    QListView* view_;
};

} // namespace

TableListModel::TableListModel(QObject* parent) : QAbstractTableModel(parent), images_{tableImage(0), tableImage(1)}
{}

void TableListModel::setItems(std::vector<TableListItem> items)
{
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
}

int TableListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

int TableListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TableListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(items_.size()))
        return {};
    const TableListItem& item = items_[std::size_t(index.row())];
    if (index.column() == 0) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
            return item.caption;
        if (role == Qt::DecorationRole)
            return images_[item.imageIndex == 0 ? 0 : 1];
    } else if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        return item.dateText;
    }
    return {};
}

QVariant TableListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section == 0 ? NameColumn : DateColumn;
    return {};
}

Qt::ItemFlags TableListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

TableListView::TableListView(QWidget* parent)
    : QStackedWidget(parent), model_(new TableListModel(this)), list_(new QListView(this)),
      details_(new QTreeView(this))
{
    setObjectName(QStringLiteral("ListViewTables"));
    setAccessibleName(QStringLiteral("Table(s) to print"));
    setUpView(list_, QStringLiteral("ListViewTablesIcons"));
    setUpView(details_, QStringLiteral("ListViewTablesDetails"));
    list_->setModel(model_);
    list_->setItemDelegate(new NameWithinTheViewDelegate(list_));
    list_->setTextElideMode(Qt::ElideMiddle);
    details_->setTextElideMode(Qt::ElideMiddle);
    list_->setLayoutMode(QListView::Batched);
    list_->setBatchSize(500);
    details_->setModel(model_);
    details_->setRootIsDecorated(false);
    details_->setUniformRowHeights(true);
    details_->setItemsExpandable(false);
    details_->setAllColumnsShowFocus(true);
    details_->header()->setStretchLastSection(false);
    details_->header()->setSectionsMovable(false);
    // Both views select in one selection, so a change of view keeps it.
    selection_ = list_->selectionModel();
    QItemSelectionModel* own = details_->selectionModel();
    details_->setSelectionModel(selection_);
    delete own;
    addWidget(list_);
    addWidget(details_);

    connect(selection_, &QItemSelectionModel::selectionChanged, this, &TableListView::change);
    connect(model_, &QAbstractItemModel::modelReset, this, &TableListView::change);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(list_), static_cast<QAbstractItemView*>(details_)}) {
        connect(view, &QAbstractItemView::doubleClicked, this, &TableListView::itemDoubleClicked);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { emit contextMenuRequested(view->viewport()->mapToGlobal(at)); });
    }
    setViewStyle(ViewStyle::List);
    list_->installEventFilter(this);
    details_->installEventFilter(this);
}

bool TableListView::eventFilter(QObject* watched, QEvent* event)
{
    // Taking the focus makes the first table current without selecting it; the first
    // arrow key then selects that one rather than moving on to the next.
    if (event->type() == QEvent::KeyPress && (watched == list_ || watched == details_) && count() > 0 &&
        !selection_->hasSelection()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool arrow = key->key() == Qt::Key_Down || key->key() == Qt::Key_Up || key->key() == Qt::Key_Left ||
                           key->key() == Qt::Key_Right;
        if (arrow && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const QModelIndex current = selection_->currentIndex();
            selection_->setCurrentIndex(current.isValid() ? current : model_->index(0, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return true;
        }
    }
    return QStackedWidget::eventFilter(watched, event);
}

void TableListView::setItems(std::vector<TableListItem> items)
{
    model_->setItems(std::move(items));
    if (style_ == ViewStyle::Icon)
        fitIconGrid();
}

void TableListView::fitIconGrid()
{
    // A name has no spaces to wrap at: it must fit the cell's width beside the margins.
    const QFontMetrics metrics = list_->fontMetrics();
    int widest = 0;
    for (const TableListItem& item : model_->items())
        widest = std::max(widest, metrics.horizontalAdvance(item.caption));
    list_->setGridSize({std::clamp(widest + 12, IconGrid.width(), IconGridWidest), IconGrid.height()});
}

int TableListView::count() const
{
    return model_->rowCount();
}

const TableListItem& TableListView::item(int position) const
{
    return model_->items().at(std::size_t(position));
}

bool TableListView::isSelected(int position) const
{
    return selection_->isRowSelected(position, QModelIndex());
}

void TableListView::setSelected(int position, bool selected)
{
    selection_->select(model_->index(position, 0),
                       (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                           QItemSelectionModel::Rows);
}

int TableListView::selectedCount() const
{
    return int(selection_->selectedRows(0).size());
}

void TableListView::selectAll()
{
    if (count() == 0)
        return;
    selection_->select(QItemSelection(model_->index(0, 0), model_->index(count() - 1, 1)),
                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TableListView::clearSelection()
{
    selection_->clearSelection();
}

void TableListView::setViewStyle(ViewStyle style)
{
    style_ = style;
    if (style == ViewStyle::Details) {
        setCurrentWidget(details_);
        setFocusProxy(details_);
        return;
    }
    if (style == ViewStyle::Icon) {
        list_->setViewMode(QListView::IconMode);
        list_->setFlow(QListView::LeftToRight);
        list_->setWordWrap(true);
        fitIconGrid();
    } else {
        list_->setViewMode(QListView::ListMode);
        list_->setFlow(QListView::TopToBottom);
        list_->setGridSize(QSize());
        list_->setWordWrap(false);
    }
    // Both modes flow into the width or height the view has and wrap; nothing is dragged.
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Static);
    setCurrentWidget(list_);
    setFocusProxy(list_);
}

int TableListView::columnWidth(int column) const
{
    return details_->columnWidth(column);
}

void TableListView::setColumnWidth(int column, int width)
{
    details_->setColumnWidth(column, width);
}

QAbstractItemView* TableListView::currentView() const
{
    return style_ == ViewStyle::Details ? static_cast<QAbstractItemView*>(details_) : list_;
}

} // namespace korvex
