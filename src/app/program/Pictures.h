#pragma once

#include "Volumes.h"

#include <QIcon>
#include <QPixmap>

namespace korvex {

// The main window's pictures, drawn here so that they look the same on every desktop.

// The picture of an alias entry: a small database drum, 16 x 11 pixels.
QPixmap aliasPicture();

// The table list's pictures, 16 x 16 pixels: 0 a table, 1 any other file.
QIcon tableImage(int index);

// The picture of a volume entry by the volume's kind.
QIcon volumePicture(Volume::Kind kind);

// The pictures of the main window's four buttons, 32 x 32 pixels.
enum class ButtonPicture { Print, Configure, About, Exit };
QIcon buttonIcon(ButtonPicture picture);

// The program's icon, the same drawing as the installed korvex.svg, at the sizes window
// systems ask for.
QIcon applicationIcon();

} // namespace korvex
