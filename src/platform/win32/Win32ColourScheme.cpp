// The desktop's colour scheme on Windows: Settings > Personalisation >
// Colours, "Choose your app mode".
#include <windows.h>

#include "platform/ColourScheme.h"

namespace kv {

std::optional<bool> DesktopPrefersDark() {
  DWORD light = 1;
  DWORD size = sizeof(light);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return light == 0;
}

}  // namespace kv
