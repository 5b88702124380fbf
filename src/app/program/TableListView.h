#pragma once

#include "BrowserFiles.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStackedWidget>
#include <QString>

#include <array>
#include <vector>

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QTreeView;

namespace korvex {

// The table list's entries as a model of two columns, "Name" (caption and picture) and
// "Date".
class TableListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static inline const QString NameColumn = QStringLiteral("Name");
    static inline const QString DateColumn = QStringLiteral("Date");

    explicit TableListModel(QObject* parent = nullptr);

    // Replaces every entry at once.
    void setItems(std::vector<TableListItem> items);
    const std::vector<TableListItem>& items() const { return items_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<TableListItem> items_;
    std::array<QIcon, 2> images_;
};

// The table list: one set of entries and one selection shown in three views, icons, list
// and details. Icons and list show the names with their pictures (icons in a grid with the
// name below, the list in columns from top to bottom); details shows the "Name" and "Date"
// columns. Several entries can be selected; captions cannot be edited.
class TableListView : public QStackedWidget {
    Q_OBJECT
public:
    enum class ViewStyle { Icon = 0, List = 1, Details = 2 };

    explicit TableListView(QWidget* parent = nullptr);

    // The entries; a new set leaves none selected.
    void setItems(std::vector<TableListItem> items);
    int count() const;
    const TableListItem& item(int position) const;

    bool isSelected(int position) const;
    void setSelected(int position, bool selected);
    int selectedCount() const;
    void selectAll();
    void clearSelection();

    ViewStyle viewStyle() const { return style_; }
    void setViewStyle(ViewStyle style);

    // Widths of the details view's columns, in pixels.
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    QListView* listView() const { return list_; }
    QTreeView* detailsView() const { return details_; }
    QAbstractItemView* currentView() const;

signals:
    // After every change of the entries or of the selection.
    void change();
    void itemDoubleClicked();
    // The context menu is asked for at a point of the screen (right button or menu key).
    void contextMenuRequested(const QPoint& globalPosition);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TableListModel* model_;
    QListView* list_;
    QTreeView* details_;
    QItemSelectionModel* selection_;
    ViewStyle style_ = ViewStyle::List;

    // Widens the icon view's cells so that the longest name fits on its line.
    void fitIconGrid();
};

} // namespace korvex
