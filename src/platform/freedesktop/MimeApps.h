// Whether the desktop has a program for a file, by the freedesktop rules:
// the associations in the mimeapps.list files and the handlers the installed
// applications declare (mimeinfo.cache), for the file's type or a parent type.
#pragma once

#include <string>
#include <vector>

namespace kv {

// The files that can name a program, from XDG_CONFIG_HOME, XDG_CONFIG_DIRS,
// XDG_DATA_HOME and XDG_DATA_DIRS (with their standard defaults).
std::vector<std::string> AssociationFiles();

// Only the name decides the type.
bool HasAssociatedProgram(const std::string& path, const std::vector<std::string>& files = AssociationFiles());

}  // namespace kv
