#include "model/TreeRemoval.h"

#include "model/Saturate.h"

namespace kv {

TFolderNode* RemoveFileItem(TSizeTree& tree, TFileNodeData* file) {
  TFolderNode* folder = file->ParentNode();
  const int64_t size = file->FileSize();
  const int64_t allocated = file->AllocatedSize();
  TFolderNodeData& own = *folder->Data();
  own.OwnSize = SatSub(own.OwnSize, size);
  own.OwnAllocated = SatSub(own.OwnAllocated, allocated);
  for (TFolderNode* node = folder; node && !node->IsHiddenRoot(); node = node->Parent()) {
    TFolderNodeData& data = *node->Data();
    data.TotalSize = SatSub(data.TotalSize, size);
    data.TotalAllocated = SatSub(data.TotalAllocated, allocated);
    data.FileCount = SatSub(data.FileCount, 1);
  }
  own.Files.Remove(file);
  tree.TotalFiles -= 1;
  // Shares of the siblings on every level changed with the totals (top-level
  // folders have none).
  tree.UpdateTreePercents(folder);
  return folder;
}

TFolderNode* RemoveFolderItem(TSizeTree& tree, TFolderNodeData* folder) {
  TFolderNode* parent = folder->ParentNode();
  if (!parent) return nullptr;
  TFolderNode* node = tree.FindChild(parent, folder->Name.View());
  if (!node || node->Data() != folder) return nullptr;
  const int64_t size = folder->TotalSize;
  const int64_t allocated = folder->TotalAllocated;
  const int64_t files = folder->FileCount;
  const int64_t folders = SatAdd(folder->FolderCount, 1);  // the subfolders and the folder itself
  for (TFolderNode* up = parent; up && !up->IsHiddenRoot(); up = up->Parent()) {
    TFolderNodeData& data = *up->Data();
    data.TotalSize = SatSub(data.TotalSize, size);
    data.TotalAllocated = SatSub(data.TotalAllocated, allocated);
    data.FileCount = SatSub(data.FileCount, files);
    data.FolderCount = SatSub(data.FolderCount, folders);
  }
  tree.BeginUpdate();
  tree.RemoveFolderNode(node);  // frees folder
  if (!parent->IsHiddenRoot()) tree.UpdateTreePercents(parent);
  tree.EndUpdate();
  return parent;
}

}  // namespace kv
