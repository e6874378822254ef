// The folder tree with its totals. Runs on the UI thread only: scanners hand
// their batches over through the UI-call queue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/FolderNumbers.h"
#include "model/HardLinks.h"
#include "model/NameIndex.h"
#include "model/NodeData.h"
#include "platform/PathStyle.h"

namespace kv {

class ILocale;
class TFileServices;
class TSizeTree;

// One node of the folder tree. The hidden root carries no data; every other
// node owns one TFolderNodeData.
class TFolderNode {
 public:
  TFolderNode() = default;
  TFolderNode(const TFolderNode&) = delete;
  TFolderNode& operator=(const TFolderNode&) = delete;
  ~TFolderNode();
  TFolderNode* Parent() const { return Parent_; }
  bool IsHiddenRoot() const { return Parent_ == nullptr; }
  TFolderNodeData* Data() const { return Data_.get(); }
  // Children the views know of, in display order.
  size_t ChildCount() const { return PublishedCount_; }
  TFolderNode* Child(size_t i) const { return Children_[i].get(); }
  // Position among the parent's children.
  size_t Row() const { return Row_; }
  TSizeTree& Tree() const;
  // What records name this folder by (FolderByNumber gives it back).
  uint32_t Number() const { return Number_; }

 private:
  friend class TSizeTree;
  TFolderNode* Parent_ = nullptr;
  uint32_t Number_ = NumberFolder(this);
  TSizeTree* Tree_ = nullptr;  // set on the hidden root only
  std::unique_ptr<TFolderNodeData> Data_;
  // The first PublishedCount_ children are sorted and known to observers; the
  // rest were added inside the running bulk update.
  std::vector<std::unique_ptr<TFolderNode>> Children_;
  TNameIndex ChildIndex_;
  uint32_t PublishedCount_ = 0;
  uint32_t Row_ = 0;
  bool Published_ = false;
  bool Dirty_ = false;
};

// The object referenced by a tree node; nothing for no node and the hidden root.
inline TFolderNodeData* FolderData(const TFolderNode* node) { return node ? node->Data() : nullptr; }

// Path of a node: each name followed by a separator ("C:\Windows\System32\"),
// in the style of the node's own subtree.
std::string GetNodePath(const TFolderNode* node);

// The path style of the subtree a node lies in, told by its top-level folder
// ("/" or "C:"); the tree's own style for the hidden root.
TPathStyle NodeStyle(const TFolderNode* node);

// What the tree view needs to follow the tree. Every call comes on the UI thread.
class ITreeObserver {
 public:
  virtual ~ITreeObserver() = default;
  virtual void RowsAboutToBeInserted(TFolderNode* /*parent*/, size_t /*first*/, size_t /*last*/) {}
  virtual void RowsInserted(TFolderNode* /*parent*/, size_t /*first*/, size_t /*last*/) {}
  virtual void RowsAboutToBeRemoved(TFolderNode* /*parent*/, size_t /*first*/, size_t /*last*/) {}
  virtual void RowsRemoved(TFolderNode* /*parent*/, size_t /*first*/, size_t /*last*/) {}
  // Sizes, percentages or completion may have changed anywhere.
  virtual void BulkUpdateEnded() {}
  virtual void TreeAboutToBeCleared() {}
  virtual void TreeCleared() {}
};

class TSizeTree {
 public:
  TSizeTree(TFileServices& services, const ILocale& locale);
  TSizeTree(const TSizeTree&) = delete;
  TSizeTree& operator=(const TSizeTree&) = delete;
  ~TSizeTree();

  TFolderNode* Root() const { return Root_.get(); }
  TPathStyle Style() const { return Style_; }
  TFileServices& Services() const { return Services_; }
  void SetObserver(ITreeObserver* observer) { Observer_ = observer; }

  // Folders created less those removed, and files counted less those removed.
  int64_t TotalFolders = 0;
  int64_t TotalFiles = 0;

  // Inside a bulk update new children are only appended; at its end each
  // changed folder's children are sorted into display order and observers told.
  void BeginUpdate();
  void EndUpdate();
  bool InUpdate() const { return UpdateDepth_ > 0; }

  std::vector<std::string> SplitPath(std::string_view path) const { return kv::SplitPath(path, Style_); }
  std::string JoinPath(const std::vector<std::string>& components, int n) const {
    return kv::JoinPath(components, n, Style_);
  }

  TFolderNode* FindChild(const TFolderNode* node, std::string_view name) const;
  // Walks down the path, read in the style it is written in; a component that
  // is not found is skipped. Never nothing.
  TFolderNode* FindFolderNode(std::string_view path) const;
  // Paths in the tree's own style (scans), or in the given one (result files
  // of the other platform).
  TFolderNode* GetFolderNode(std::string_view path, const TItemInfo& info, TFolderNode* parent,
                             std::string_view owner) {
    return GetFolderNode(path, info, parent, owner, Style_);
  }
  TFolderNode* GetFolderNode(std::string_view path, const TItemInfo& info, TFolderNode* parent,
                             std::string_view owner, TPathStyle style);
  TFolderNode* AddFolderNode(TFolderNode* parent, std::string_view name, std::string_view path,
                             const TItemInfo& info, std::string_view owner) {
    return AddFolderNode(parent, name, path, info, owner, Style_);
  }
  TFolderNode* AddFolderNode(TFolderNode* parent, std::string_view name, std::string_view path,
                             const TItemInfo& info, std::string_view owner, TPathStyle style);
  bool AddFileNode(std::string_view fullPath, TFolderNode* folderNode, int64_t size,
                   const TItemInfo& info, std::string_view owner) {
    return AddFileNode(fullPath, folderNode, size, info, owner, Style_);
  }
  bool AddFileNode(std::string_view fullPath, TFolderNode* folderNode, int64_t size,
                   const TItemInfo& info, std::string_view owner, TPathStyle style);
  void AddSizesToFolder(TFolderNode* folderNode, int64_t size, int64_t allocated, int64_t count);
  // Frees the node and everything below it; the caller has already taken its
  // totals off the ancestors.
  void RemoveFolderNode(TFolderNode* node);
  void MarkComplete(TFolderNode* node);
  void UpdateTreePercents(TFolderNode* node);
  // The percentages of the node's children only, without climbing.
  void UpdateChildPercents(TFolderNode* node);
  // Frees every node; counters stay as they are.
  void Clear();
  // Sets every folder's totals and counts from its own sizes, its files and
  // its subfolders, and the tree's counters from the top-level folders: after
  // merging stored totals (an import), each total is again the sum below it.
  void RecountTotals();
  // The tree's file and folder counters from its top-level folders alone.
  void RecountCounters();
  // Which name of each file with several names carries its sizes.
  THardLinks& Links() { return Links_; }
  const THardLinks& Links() const { return Links_; }

 private:
  // AddFolderNode without counting the new folder in its ancestors.
  TFolderNode* CreateFolderNode(TFolderNode* parent, std::string_view name, std::string_view path,
                                const TItemInfo& info, std::string_view owner, TPathStyle style);
  void CountNewFolders(TFolderNode* parent, int64_t added);
  void PublishChildren(TFolderNode* node, bool notify);
  void SortSilently(TFolderNode* node);
  void RebuildChildIndex(TFolderNode* node);
  bool NameLess(const TFolderNode* a, const TFolderNode* b) const;
  void RemoveSubtree(TFolderNode* node);
  void ForgetDirty(TFolderNode* node);

  TFileServices& Services_;
  const ILocale& Locale_;
  TPathStyle Style_;
  std::unique_ptr<TFolderNode> Root_;
  ITreeObserver* Observer_ = nullptr;
  int UpdateDepth_ = 0;
  std::vector<TFolderNode*> DirtyNodes_;
  THardLinks Links_{*this};
};

}  // namespace kv
