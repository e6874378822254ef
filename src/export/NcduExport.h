// Writes the tree as ncdu's JSON export (format version 1, minor 2), which
// ncdu 1.x and 2.x and gdu read: sizes, hard links (device and inode), user
// numbers where the owner is one, modification times, and the marks of
// folders that were not read.
#pragma once

#include <string>

#include "export/FileResult.h"

namespace kv {

class TSizeTree;

// The file holds one root: the tree's one top-level folder, or below it the
// first folder that holds more than one folder. A tree of several top-level
// folders is refused.
TFileResult WriteNcduJson(const TSizeTree& tree, const std::string& path);

}  // namespace kv
