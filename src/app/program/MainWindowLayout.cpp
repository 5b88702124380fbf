#include "MainWindowLayout.h"

namespace korvex {

namespace {

void setLeft(QRect& r, int left)
{
    r.moveLeft(left);
}
void setTop(QRect& r, int top)
{
    r.moveTop(top);
}
void setWidth(QRect& r, int width)
{
    r.setWidth(width);
}
void setHeight(QRect& r, int height)
{
    r.setHeight(height);
}

} // namespace

void MainWindowLayout::FormResize(int w, int h)
{
    QRect& box = groupBoxTables;
    setWidth(box, w - 140);                                                       // 1
    setHeight(box, h - 53);                                                       // 2
    setLeft(speedButtonEnde, box.left() + box.width() + 15);                      // 3
    setTop(speedButtonEnde, box.top() + box.height() - speedButtonEnde.height()); // 4
    // The other buttons stand 53, 106 and 167 pixels above the exit button.     // 5-7
    speedButtonAbout.moveTo(speedButtonEnde.left(), speedButtonEnde.top() - 53);
    speedButtonConfig.moveTo(speedButtonEnde.left(), speedButtonEnde.top() - 106);
    speedButtonPrint.moveTo(speedButtonEnde.left(), speedButtonEnde.top() - 167);
    setLeft(labelActDir, box.width() / 2 + 8);                    // 8
    setWidth(labelActDir, box.width() - labelActDir.left() - 15); // 9
    setLeft(directoryListBox1, labelActDir.left());               // 10
    setWidth(directoryListBox1, labelActDir.width());
    setLeft(driveComboBox1, labelActDir.left()); // 11
    setWidth(driveComboBox1, labelActDir.width());
    setLeft(labelDriveAlias, labelActDir.left());        // 12
    setHeight(listViewTables, box.height() - 89);        // 13
    setWidth(listViewTables, directoryListBox1.width()); // 14
    setWidth(labelTable, directoryListBox1.width());     // 15
    setWidth(labelFilter, directoryListBox1.width());
    setTop(labelFilter, listViewTables.top() + listViewTables.height() + 2);      // 16
    setTop(filterComboBox1, listViewTables.top() + listViewTables.height() + 18); // 17
    setWidth(filterComboBox1, directoryListBox1.width());                         // 18
    setTop(labelDriveAlias, labelFilter.top());                                   // 19
    setTop(driveComboBox1, filterComboBox1.top());                                // 20
    setHeight(directoryListBox1, listViewTables.height());                        // 21
}

} // namespace korvex
