#include "scan/NodeData.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/Locale.h"
#include "scan/SizeTree.h"
#include "scan/SmallAlloc.h"

namespace kv {

namespace {
TSizeType gSizeType = TSizeType::FileSize;
}  // namespace

TSizeType CurrentSizeType() { return gSizeType; }
void SetCurrentSizeType(TSizeType type) { gSizeType = type; }

// ---- TCompactString ----

void TCompactString::Assign(std::string_view text) {
  if (text.size() <= SmallCapacity) {
    std::memcpy(Small_, text.data(), text.size());
    SetSmallLength(text.size());
  } else {
    char* heap = static_cast<char*>(SmallAlloc(text.size() + 1));
    std::memcpy(heap, text.data(), text.size());
    heap[text.size()] = 0;
    Large_.Ptr = heap;
    Large_.Len = static_cast<uint32_t>(text.size());
    Small_[15] = static_cast<char>(LargeTag);
  }
}

void TCompactString::Release() {
  if (IsLarge()) SmallFree(Large_.Ptr, Large_.Len + size_t{1});
  SetSmallLength(0);
}

TCompactString& TCompactString::operator=(const TCompactString& other) {
  if (this != &other) {
    Release();
    Assign(other.View());
  }
  return *this;
}

// ---- owners ----

const std::string* InternOwner(std::string_view owner) {
  // Files of one folder mostly share their owner.
  thread_local const std::string* last = nullptr;
  if (last && *last == owner) return last;
  // Node-based set: element addresses survive rehashing.
  static std::mutex lock;
  static std::unordered_set<std::string> owners;
  std::lock_guard guard(lock);
  last = &*owners.emplace(owner).first;
  return last;
}

// ---- TBaseNodeData ----

TBaseNodeData::TBaseNodeData(std::string_view name, TFolderNode* parent, const TItemInfo& info,
                             std::string_view owner)
    : Name(name), ParentNode(parent), Info(info), Owner_(InternOwner(owner)) {}

std::string TBaseNodeData::GetParentPath() const { return GetNodePath(ParentNode); }

std::string TBaseNodeData::GetFullPath() const {
  std::string path = GetParentPath();
  path.append(Name.View());
  return path;
}

// ---- TFileNodeData ----

TFileNodeData::TFileNodeData(std::string_view name, int64_t fileSize, int64_t allocatedSize,
                             TFolderNode* parent, const TItemInfo& info, std::string_view owner)
    : TBaseNodeData(name, parent, info, owner), FileSize(fileSize), AllocatedSize(allocatedSize) {}

void* TFileNodeData::operator new(size_t size) { return SmallAlloc(size); }
void TFileNodeData::operator delete(void* block, size_t size) { SmallFree(block, size); }

std::string TFileNodeData::Extension() const { return ExtractExtension(Name.View()); }

std::string ExtractExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  for (char& c : ext) {
    if (static_cast<unsigned char>(c) >= 0x80) return CurrentLocale().ToLower(name.substr(dot));
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

// ---- TFileList ----

TFileList::~TFileList() {
  for (TFileNodeData* file : Items_) delete file;
}

TFileNodeData* TFileList::Find(std::string_view name) const {
  if (Items_.size() <= TNameIndex::LinearLimit) {
    for (TFileNodeData* file : Items_)
      if (file->Name == name) return file;
    return nullptr;
  }
  auto nameAt = [this](size_t i) { return Items_[i]->Name.View(); };
  if (!Index_.Built()) Index_.Rebuild(Items_.size(), nameAt);
  const int64_t pos = Index_.Find(name, nameAt);
  return pos < 0 ? nullptr : Items_[static_cast<size_t>(pos)];
}

bool TFileList::Add(TFileNodeData* file) {
  if (Find(file->Name.View())) return false;
  Items_.push_back(file);
  if (Index_.Built())
    Index_.Insert(Items_.size() - 1, file->Name.View(),
                  [this](size_t i) { return Items_[i]->Name.View(); });
  return true;
}

void TFileList::AddUnique(TFileNodeData* file) {
  Items_.push_back(file);
  if (Index_.Built())
    Index_.Insert(Items_.size() - 1, file->Name.View(),
                  [this](size_t i) { return Items_[i]->Name.View(); });
}

void TFileList::Remove(TFileNodeData* file) {
  const int64_t pos = IndexOf(file);
  if (pos < 0) return;
  Items_.erase(Items_.begin() + pos);
  Index_.Clear();  // positions moved; rebuilt on the next look-up
  delete file;
}

int64_t TFileList::IndexOf(const TFileNodeData* file) const {
  for (size_t i = 0; i < Items_.size(); ++i)
    if (Items_[i] == file) return static_cast<int64_t>(i);
  return -1;
}

// ---- TFolderNodeData ----

TFolderNodeData::TFolderNodeData(std::string_view name, std::string_view owner,
                                 const TItemInfo& info, TFolderNode* parent)
    : TBaseNodeData(name, parent, info, owner) {}

bool TFolderNodeData::IsTopLevel() const { return ParentNode == nullptr || ParentNode->IsHiddenRoot(); }

int32_t TFolderNodeData::GetOpenImage() {
  if (OpenImage < 0) OpenImage = IsTopLevel() ? 2 : 1;
  return OpenImage;
}

int32_t TFolderNodeData::GetClosedImage() {
  if (ClosedImage < 0) ClosedImage = IsTopLevel() ? 2 : 0;
  return ClosedImage;
}

}  // namespace kv
