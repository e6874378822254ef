// Taking files and folders out of the size tree after a scan (remove from
// list, delete, refresh), so that every total above them stays right without
// a rescan.
#pragma once

#include "model/SizeTree.h"

namespace kv {

// Subtracts the file's sizes from its folder's own sizes and from the totals
// of that folder and every ancestor, then frees it. Answers the folder node
// that held it.
TFolderNode* RemoveFileItem(TSizeTree& tree, TFileNodeData* file);

// Subtracts the folder's totals (and its subtree's folders, itself included)
// from every ancestor, then deletes its subtree. Answers the parent node, the
// hidden root for a top-level folder; null when the folder is not in the tree.
TFolderNode* RemoveFolderItem(TSizeTree& tree, TFolderNodeData* folder);

}  // namespace kv
