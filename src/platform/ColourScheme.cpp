#include "platform/ColourScheme.h"

#include <string>

namespace kv {

bool GtkThemeIsDark(std::string_view theme) {
  std::string name;
  for (const char c : theme) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  // "Name:variant" picks a variant of a theme; the name alone may carry it too.
  if (const size_t colon = name.find(':'); colon != std::string::npos) {
    if (name.substr(colon + 1) == "dark") return true;
    name.resize(colon);
  }
  for (const char* mark : {"-dark", "_dark"}) {
    const size_t at = name.find(mark);
    if (at == std::string::npos) continue;
    const size_t end = at + std::string_view(mark).size();
    if (end == name.size() || name[end] == '-' || name[end] == '_') return true;
  }
  return false;
}

}  // namespace kv
