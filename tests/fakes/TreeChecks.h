// Checks on a whole size tree that hold whatever built it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "model/SizeTree.h"

namespace kv::test {

// Every folder's totals are its own sizes and files plus its subfolders', and
// the tree's counters are its top-level folders'.
inline void ExpectTotalsAreSumsBelow(const TSizeTree& tree) {
  int64_t files = 0, folders = 0;
  std::vector<const TFolderNode*> pending{tree.Root()};
  while (!pending.empty()) {
    const TFolderNode* node = pending.back();
    pending.pop_back();
    int64_t size = 0, allocated = 0, fileCount = 0, folderCount = 0;
    for (size_t i = 0; i < node->ChildCount(); ++i) {
      const TFolderNodeData& sub = *node->Child(i)->Data();
      size += sub.TotalSize;
      allocated += sub.TotalAllocated;
      fileCount += sub.FileCount;
      folderCount += sub.FolderCount + 1;
      pending.push_back(node->Child(i));
    }
    const TFolderNodeData* data = node->Data();
    if (!data) {
      files = fileCount;
      folders = folderCount;
      continue;
    }
    const std::string path = data->GetFullPath();
    EXPECT_EQ(data->TotalSize, data->OwnSize + size) << path;
    EXPECT_EQ(data->TotalAllocated, data->OwnAllocated + allocated) << path;
    EXPECT_EQ(data->FileCount, static_cast<int64_t>(data->Files.Count()) + fileCount) << path;
    EXPECT_EQ(data->FolderCount, folderCount) << path;
  }
  EXPECT_EQ(tree.TotalFiles, files);
  EXPECT_EQ(tree.TotalFolders, folders);
}

}  // namespace kv::test
