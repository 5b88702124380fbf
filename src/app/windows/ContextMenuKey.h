#pragma once

namespace korvex {

// Shift+F10 opens the focused control's context menu, as the Menu key does: most laptop
// keyboards have no Menu key. A filter on the application turns the key into the same
// keyboard context-menu request that the window system makes of the Menu key, so every
// control's menu (the table list's, the field strip's) opens from either key. Installing
// it twice installs it once.
void installContextMenuKey();

} // namespace korvex
