#pragma once

#include <QRect>
#include <QSize>

namespace korvex {

// Where the main window's controls stand for one inside (client) size of the window. The table
// browser's group box takes all the room but a fixed border; its directory column starts
// at the box's middle; the four buttons stand in one column 15 pixels right of the box,
// the exit button's bottom level with the box's bottom. Positions inside the group box are
// relative to it. Half of a width is truncated toward zero.
struct MainWindowLayout {
    // The design bounds, in pixels at the design size 500 x 330.
    static constexpr QSize DesignSize{500, 330};
    static constexpr QRect GroupBoxTables{12, 7, 370, 277};
    static constexpr QRect LabelTable{15, 18, 76, 13};
    static constexpr QRect ListViewTables{15, 35, 164, 195};
    static constexpr QRect LabelFilter{15, 231, 50, 13};
    static constexpr QRect FilterComboBox1{15, 246, 165, 21};
    static constexpr QRect LabelActDir{194, 18, 163, 13};
    static constexpr QRect DirectoryListBox1{193, 35, 163, 194};
    static constexpr QRect LabelDriveAlias{193, 231, 61, 13};
    static constexpr QRect DriveComboBox1{193, 247, 163, 19};
    static constexpr QRect SpeedButtonPrint{392, 70, 92, 50};
    static constexpr QRect SpeedButtonConfig{392, 126, 92, 50};
    static constexpr QRect SpeedButtonAbout{392, 180, 92, 50};
    static constexpr QRect SpeedButtonEnde{392, 234, 92, 50};

    QRect groupBoxTables = GroupBoxTables;
    QRect labelTable = LabelTable;
    QRect listViewTables = ListViewTables;
    QRect labelFilter = LabelFilter;
    QRect filterComboBox1 = FilterComboBox1;
    QRect labelActDir = LabelActDir;
    QRect directoryListBox1 = DirectoryListBox1;
    QRect labelDriveAlias = LabelDriveAlias;
    QRect driveComboBox1 = DriveComboBox1;
    QRect speedButtonPrint = SpeedButtonPrint;
    QRect speedButtonConfig = SpeedButtonConfig;
    QRect speedButtonAbout = SpeedButtonAbout;
    QRect speedButtonEnde = SpeedButtonEnde;

    // Lays the controls out for a window whose inside is w wide and h high, starting from the
    // bounds held now (every step uses what the steps before produced).
    void FormResize(int w, int h);
};

} // namespace korvex
