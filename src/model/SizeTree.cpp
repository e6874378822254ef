#include "model/SizeTree.h"

#include <algorithm>
#include <iterator>

#include "platform/Platform.h"
#include "model/FileServices.h"
#include "model/Saturate.h"

namespace kv {

// Freed by a loop, not by recursion: a chain of folders can be deeper than the stack.
TFolderNode::~TFolderNode() {
  std::vector<std::unique_ptr<TFolderNode>> pending = std::move(Children_);
  while (!pending.empty()) {
    std::unique_ptr<TFolderNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->Children_) pending.push_back(std::move(child));
    node->Children_.clear();
  }
  ForgetFolderNumber(Number_);
}

TSizeTree& TFolderNode::Tree() const {
  const TFolderNode* node = this;
  while (node->Parent_) node = node->Parent_;
  return *node->Tree_;
}

std::string GetNodePath(const TFolderNode* node) {
  if (!node || node->IsHiddenRoot()) return {};
  std::vector<const TFolderNode*> chain;
  for (; !node->IsHiddenRoot(); node = node->Parent()) chain.push_back(node);
  const TPathStyle style = PathStyleOf(chain.back()->Data()->Name.View(), node->Tree().Style());
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    AppendComponent(path, (*it)->Data()->Name.View(), style);
  return path;
}

TPathStyle NodeStyle(const TFolderNode* node) {
  if (!node) return NativePathStyle();
  const TFolderNode* top = node;
  while (!top->IsHiddenRoot() && !top->Parent()->IsHiddenRoot()) top = top->Parent();
  const TPathStyle own = top->Tree().Style();
  return top->IsHiddenRoot() ? own : PathStyleOf(top->Data()->Name.View(), own);
}

TSizeTree::TSizeTree(TFileServices& services, const ILocale& locale)
    : Services_(services), Locale_(locale), Style_(services.Style()),
      Root_(std::make_unique<TFolderNode>()) {
  Root_->Tree_ = this;
  Root_->Published_ = true;
}

TSizeTree::~TSizeTree() = default;

// ---- bulk updates ----

void TSizeTree::BeginUpdate() { ++UpdateDepth_; }

void TSizeTree::EndUpdate() {
  if (UpdateDepth_ == 0 || --UpdateDepth_ > 0) return;
  // A node added in this update is published together with its parent's new
  // children, so only nodes the observers already know are handled here.
  for (size_t i = 0; i < DirtyNodes_.size(); ++i) {
    TFolderNode* node = DirtyNodes_[i];
    if (node->Published_) PublishChildren(node, Observer_ != nullptr);
  }
  for (TFolderNode* node : DirtyNodes_) node->Dirty_ = false;
  DirtyNodes_.clear();
  if (Observer_) Observer_->BulkUpdateEnded();
}

bool TSizeTree::NameLess(const TFolderNode* a, const TFolderNode* b) const {
  const std::string_view na = a->Data_->Name.View(), nb = b->Data_->Name.View();
  const int c = Locale_.Compare(na, nb);
  if (c != 0) return c < 0;
  return na < nb;  // names the locale holds equal still get one fixed order
}

void TSizeTree::RebuildChildIndex(TFolderNode* node) {
  if (node->Children_.size() <= TNameIndex::LinearLimit) {
    node->ChildIndex_.Clear();
    return;
  }
  node->ChildIndex_.Rebuild(node->Children_.size(),
                            [node](size_t i) { return node->Children_[i]->Data_->Name.View(); });
}

void TSizeTree::SortSilently(TFolderNode* top) {
  // Its own stack rather than recursion: trees can be deeper than the call stack.
  std::vector<TFolderNode*> pending{top};
  while (!pending.empty()) {
    TFolderNode* node = pending.back();
    pending.pop_back();
    auto& children = node->Children_;
    std::stable_sort(children.begin(), children.end(),
                     [this](const auto& a, const auto& b) { return NameLess(a.get(), b.get()); });
    for (size_t i = 0; i < children.size(); ++i) {
      children[i]->Row_ = static_cast<uint32_t>(i);
      children[i]->Published_ = true;
      pending.push_back(children[i].get());
    }
    node->PublishedCount_ = static_cast<uint32_t>(children.size());
    RebuildChildIndex(node);
  }
}

void TSizeTree::PublishChildren(TFolderNode* node, bool notify) {
  auto& children = node->Children_;
  const size_t published = node->PublishedCount_;
  if (published == children.size()) return;
  auto less = [this](const auto& a, const auto& b) { return NameLess(a.get(), b.get()); };

  std::vector<std::unique_ptr<TFolderNode>> fresh(std::make_move_iterator(children.begin() + published),
                                                  std::make_move_iterator(children.end()));
  children.resize(published);
  std::stable_sort(fresh.begin(), fresh.end(), less);
  for (auto& child : fresh) {
    child->Published_ = true;
    SortSilently(child.get());
  }

  if (!notify) {
    std::move(fresh.begin(), fresh.end(), std::back_inserter(children));
    std::inplace_merge(children.begin(), children.begin() + static_cast<ptrdiff_t>(published),
                       children.end(), less);
    for (size_t i = 0; i < children.size(); ++i) children[i]->Row_ = static_cast<uint32_t>(i);
    node->PublishedCount_ = static_cast<uint32_t>(children.size());
  } else {
    // Insert run by run, so every insertion is one contiguous block of rows.
    size_t i = 0;
    while (i < fresh.size()) {
      const size_t pos = static_cast<size_t>(
          std::upper_bound(children.begin(), children.end(), fresh[i], less) - children.begin());
      size_t j = i + 1;
      while (j < fresh.size() && (pos == children.size() || less(fresh[j], children[pos]))) ++j;
      const size_t count = j - i;
      Observer_->RowsAboutToBeInserted(node, pos, pos + count - 1);
      children.insert(children.begin() + static_cast<ptrdiff_t>(pos),
                      std::make_move_iterator(fresh.begin() + static_cast<ptrdiff_t>(i)),
                      std::make_move_iterator(fresh.begin() + static_cast<ptrdiff_t>(j)));
      for (size_t k = pos; k < children.size(); ++k) children[k]->Row_ = static_cast<uint32_t>(k);
      node->PublishedCount_ = static_cast<uint32_t>(children.size());
      Observer_->RowsInserted(node, pos, pos + count - 1);
      i = j;
    }
  }
  RebuildChildIndex(node);
}

// ---- look-ups ----

TFolderNode* TSizeTree::FindChild(const TFolderNode* node, std::string_view name) const {
  if (!node) return nullptr;
  const auto& children = node->Children_;
  if (children.size() <= TNameIndex::LinearLimit) {
    for (const auto& child : children)
      if (child->Data_->Name == name) return child.get();
    return nullptr;
  }
  auto nameAt = [node](size_t i) { return node->Children_[i]->Data_->Name.View(); };
  auto& index = const_cast<TNameIndex&>(node->ChildIndex_);
  if (!index.Built()) index.Rebuild(children.size(), nameAt);
  const int64_t pos = index.Find(name, nameAt);
  return pos < 0 ? nullptr : children[static_cast<size_t>(pos)].get();
}

TFolderNode* TSizeTree::FindFolderNode(std::string_view path) const {
  TFolderNode* node = Root_.get();
  for (const std::string& component : kv::SplitPath(path, PathStyleOf(path, Style_)))
    if (TFolderNode* child = FindChild(node, component)) node = child;
  return node;
}

// ---- building ----

TFolderNode* TSizeTree::GetFolderNode(std::string_view path, const TItemInfo& info,
                                      TFolderNode* parent, std::string_view owner, TPathStyle style) {
  const std::vector<std::string> components = kv::SplitPath(path, style);
  if (parent) {
    if (components.empty()) return parent;
    if (TFolderNode* child = FindChild(parent, components.back())) return child;
    return AddFolderNode(parent, components.back(), path, info, owner, style);
  }
  // The path of each component is built as the walk goes, and the folders
  // above the new ones are counted once: linear in the depth.
  TFolderNode* node = Root_.get();
  TFolderNode* above = nullptr;  // the deepest folder that was there already
  int64_t added = 0;
  std::string prefix;
  for (const std::string& component : components) {
    AppendComponent(prefix, component, style);
    TFolderNode* child = FindChild(node, component);
    if (!child) {
      if (!above) above = node;
      child = CreateFolderNode(node, component, prefix, info, owner, style);
      ++added;
    }
    node = child;
  }
  if (added == 0) return node;
  // Each new folder holds the new ones below it.
  int64_t below = 0;
  for (TFolderNode* n = node; n != above; n = n->Parent_) n->Data_->FolderCount = below++;
  CountNewFolders(above, added);
  return node;
}

void TSizeTree::CountNewFolders(TFolderNode* parent, int64_t added) {
  for (TFolderNode* n = parent; n && !n->IsHiddenRoot(); n = n->Parent_)
    n->Data_->FolderCount = SatAdd(n->Data_->FolderCount, added);
}

TFolderNode* TSizeTree::AddFolderNode(TFolderNode* parent, std::string_view name,
                                      std::string_view path, const TItemInfo& info,
                                      std::string_view owner, TPathStyle style) {
  TFolderNode* added = CreateFolderNode(parent, name, path, info, owner, style);
  CountNewFolders(parent, 1);
  return added;
}

TFolderNode* TSizeTree::CreateFolderNode(TFolderNode* parent, std::string_view name,
                                         std::string_view path, const TItemInfo& info,
                                         std::string_view owner, TPathStyle style) {
  std::string ownerText(owner);
  // A path of the other platform names nothing on this machine.
  if (ownerText.empty())
    ownerText = style == Style_ ? Services_.GetFileOwner(path) : TFileServices::UnknownOwner;

  auto node = std::make_unique<TFolderNode>();
  node->Parent_ = parent;
  node->Data_ = std::make_unique<TFolderNodeData>(name, ownerText, info, parent);
  TFolderNode* added = node.get();
  auto& children = parent->Children_;
  added->Row_ = static_cast<uint32_t>(children.size());
  children.push_back(std::move(node));
  if (parent->ChildIndex_.Built())
    parent->ChildIndex_.Insert(children.size() - 1, name,
                               [parent](size_t i) { return parent->Children_[i]->Data_->Name.View(); });

  if (!parent->Dirty_) {
    parent->Dirty_ = true;
    DirtyNodes_.push_back(parent);
  }
  if (!InUpdate()) {
    BeginUpdate();
    EndUpdate();
  }

  ++TotalFolders;
  return added;
}

bool TSizeTree::AddFileNode(std::string_view fullPath, TFolderNode* folderNode, int64_t size,
                            const TItemInfo& info, std::string_view owner, TPathStyle style) {
  const size_t folderLength = FolderPartLength(fullPath, style);
  const std::string_view name = fullPath.substr(folderLength);
  if (!folderNode) folderNode = GetFolderNode(fullPath.substr(0, folderLength), info, nullptr, {}, style);
  TFolderNodeData* folder = FolderData(folderNode);
  if (!folder || folder->Files.Find(name)) return false;
  try {
    const int64_t allocated = Services_.GetAllocatedSize(fullPath, size, style);
    auto file = std::make_unique<TFileNodeData>(name, size, allocated, folderNode, info, owner);
    if (!folder->AddFile(file.get())) return false;
    file.release();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void TSizeTree::AddSizesToFolder(TFolderNode* folderNode, int64_t size, int64_t allocated,
                                 int64_t count) {
  TFolderNodeData* folder = FolderData(folderNode);
  if (!folder) return;
  folder->OwnSize = SatAdd(folder->OwnSize, size);
  folder->OwnAllocated = SatAdd(folder->OwnAllocated, allocated);
  TotalFiles = SatAdd(TotalFiles, count);
  for (TFolderNode* n = folderNode; n && !n->IsHiddenRoot(); n = n->Parent_) {
    n->Data_->TotalSize = SatAdd(n->Data_->TotalSize, size);
    n->Data_->TotalAllocated = SatAdd(n->Data_->TotalAllocated, allocated);
    n->Data_->FileCount = SatAdd(n->Data_->FileCount, count);
  }
}

// ---- removal ----

void TSizeTree::RemoveSubtree(TFolderNode* top) {
  std::vector<TFolderNode*> pending{top};
  while (!pending.empty()) {
    TFolderNode* node = pending.back();
    pending.pop_back();
    for (auto& child : node->Children_) pending.push_back(child.get());
    --TotalFolders;
    TotalFiles -= static_cast<int64_t>(node->Data_->Files.Count());
    if (node->Dirty_) ForgetDirty(node);
  }
}

void TSizeTree::ForgetDirty(TFolderNode* node) {
  DirtyNodes_.erase(std::remove(DirtyNodes_.begin(), DirtyNodes_.end(), node), DirtyNodes_.end());
  node->Dirty_ = false;
}

void TSizeTree::RemoveFolderNode(TFolderNode* node) {
  if (!node || node->IsHiddenRoot()) return;
  TFolderNode* parent = node->Parent_;
  const size_t row = node->Row_;
  const bool visible = node->Published_;
  if (visible && Observer_) Observer_->RowsAboutToBeRemoved(parent, row, row);

  RemoveSubtree(node);
  auto& children = parent->Children_;
  const auto it = std::find_if(children.begin(), children.end(),
                               [node](const auto& child) { return child.get() == node; });
  const size_t pos = static_cast<size_t>(it - children.begin());
  children.erase(it);  // frees the folder data with its files
  if (pos < parent->PublishedCount_) --parent->PublishedCount_;
  for (size_t k = pos; k < children.size(); ++k) children[k]->Row_ = static_cast<uint32_t>(k);
  parent->ChildIndex_.Clear();  // positions moved; rebuilt on the next look-up

  if (visible && Observer_) Observer_->RowsRemoved(parent, row, row);
}

void TSizeTree::Clear() {
  if (Observer_) Observer_->TreeAboutToBeCleared();
  Root_->Children_.clear();
  Root_->PublishedCount_ = 0;
  Root_->ChildIndex_.Clear();
  DirtyNodes_.clear();
  Root_->Dirty_ = false;
  Links_.Clear();
  if (Observer_) Observer_->TreeCleared();
}

void TSizeTree::RecountCounters() {
  int64_t files = 0, folders = 0;
  for (const auto& top : Root_->Children_) {
    files = SatAdd(files, top->Data_->FileCount);
    folders = SatAdd(folders, SatAdd(top->Data_->FolderCount, 1));
  }
  TotalFiles = files;
  TotalFolders = folders;
}

void TSizeTree::RecountTotals() {
  // Children before parents, with a stack of its own: trees can be deep.
  std::vector<TFolderNode*> order;
  std::vector<TFolderNode*> pending{Root_.get()};
  while (!pending.empty()) {
    TFolderNode* node = pending.back();
    pending.pop_back();
    order.push_back(node);
    for (auto& child : node->Children_) pending.push_back(child.get());
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    TFolderNode* node = *it;
    TFolderNodeData* data = node->Data_.get();
    if (!data) continue;
    int64_t size = data->OwnSize, allocated = data->OwnAllocated;
    int64_t fileCount = static_cast<int64_t>(data->Files.Count()), folderCount = 0;
    for (const auto& child : node->Children_) {
      const TFolderNodeData& sub = *child->Data_;
      size = SatAdd(size, sub.TotalSize);
      allocated = SatAdd(allocated, sub.TotalAllocated);
      fileCount = SatAdd(fileCount, sub.FileCount);
      folderCount = SatAdd(folderCount, SatAdd(sub.FolderCount, 1));
    }
    data->TotalSize = size;
    data->TotalAllocated = allocated;
    data->FileCount = fileCount;
    data->FolderCount = folderCount;
  }
  RecountCounters();
}

// ---- status ----

void TSizeTree::MarkComplete(TFolderNode* node) {
  while (node && !node->IsHiddenRoot()) {
    for (const auto& child : node->Children_)
      if (!child->Data_->Complete) return;
    node->Data_->Complete = true;
    node = node->Parent_;
  }
}

void TSizeTree::UpdateTreePercents(TFolderNode* node) {
  while (node) {
    UpdateChildPercents(node);
    node = node->Parent_;
    if (node && node->IsHiddenRoot()) break;
  }
}

void TSizeTree::UpdateChildPercents(TFolderNode* node) {
  if (!node) return;
  // Stored totals may come from a file and be as large as anything.
  TShareTotal total;
  for (const auto& child : node->Children_) {
    total.Add(child->Data_->TotalSize);
    child->Data_->TreePercent = 0;
  }
  if (!total.Positive()) return;
  for (const auto& child : node->Children_) child->Data_->TreePercent = total.PercentOf(child->Data_->TotalSize);
}

}  // namespace kv
