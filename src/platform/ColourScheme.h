// Whether the desktop asks programs for dark colours. Qt 6.4 follows the
// desktop's scheme on some desktops only; the window asks here for the rest.
#pragma once

#include <optional>
#include <string_view>

namespace kv {

// True for dark, false for light, nothing where the desktop states no
// preference. Linux: $GTK_THEME, else the desktop portal's color-scheme;
// Windows: the "apps use light theme" choice of the user.
std::optional<bool> DesktopPrefersDark();

// A GTK theme as $GTK_THEME names it ("Adwaita:dark", "Yaru-dark"): dark when
// its variant or its name says so.
bool GtkThemeIsDark(std::string_view theme);

}  // namespace kv
