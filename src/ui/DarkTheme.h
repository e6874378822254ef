// Dark colours for the window where the desktop asks for them and Qt 6.4
// does not give them itself (Windows, and GNOME without a Qt theme plugin).
#pragma once

#include <optional>

#include <QPalette>

namespace kv {

// Fusion's roles in dark colours; texts keep a contrast of at least 4.5:1.
QPalette DarkPalette();

// Dark: the window colour is darker than its text.
bool IsDarkPalette(const QPalette& palette);

// With prefersDark true and a light palette from Qt: the Fusion style (the
// native styles of Qt 6.4 ignore a dark palette) with DarkPalette. Otherwise
// Qt's own colours stay. Call after the QApplication is made.
void FollowDesktopColours(std::optional<bool> prefersDark);

}  // namespace kv
