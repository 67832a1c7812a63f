#pragma once
// The main window's icon list (allImages) and the ribbon buttons' pictures:
// freedesktop theme icons where the theme has them, our own drawn pictures
// otherwise.

#include <QIcon>

namespace glimr {

// Makes sure a freedesktop theme is used: keeps the desktop's theme when it
// has icons, else takes Adwaita when it is installed.
void EnsureIconTheme();

// The picture at position index of allImages; a null icon for -1.
QIcon VeskIcon(int index);

// The seven ribbon buttons: move left, move right, rotate left, rotate
// right, flip horizontally, flip vertically, show zoomed (0 to 6).
QIcon RibbonButtonIcon(int index);

// The picture drawn by hand for an allImages position (the fallback).
QIcon DrawnIcon(int index);

}  // namespace glimr
