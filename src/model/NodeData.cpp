#include "model/NodeData.h"

#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/Locale.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "model/SmallAlloc.h"

namespace kv {

static_assert(sizeof(void*) != 8 || sizeof(TFileNodeData) == 64, "a file record takes 64 bytes");

// ---- TCompactString ----

void TCompactString::Assign(std::string_view text) {
  if (text.size() <= SmallCapacity) {
    std::memcpy(Bytes_, text.data(), text.size());
    SetSmallLength(text.size());
  } else {
    // No terminating zero: the length is stored.
    char* heap = static_cast<char*>(SmallAlloc(text.size()));
    std::memcpy(heap, text.data(), text.size());
    const auto len = static_cast<uint32_t>(text.size());
    std::memcpy(Bytes_, &heap, sizeof heap);
    std::memcpy(Bytes_ + sizeof heap, &len, sizeof len);
    Bytes_[SmallCapacity] = static_cast<char>(LargeTag);
  }
}

void TCompactString::Release() {
  if (IsLarge()) SmallFree(const_cast<char*>(LargePtr()), LargeLength());
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

namespace {

// Texts by number in fixed chunks that never move, so a number can be read
// without the lock by whoever was handed it.
constexpr size_t OwnerChunkSize = 1024;
constexpr size_t OwnerChunks = 4096;

struct TOwnerTable {
  std::mutex Lock;
  std::unordered_map<std::string_view, uint32_t> Numbers;
  std::unique_ptr<std::string[]> Chunks[OwnerChunks];
  uint32_t Count = 0;

  uint32_t Intern(std::string_view owner) {
    std::lock_guard guard(Lock);
    if (auto it = Numbers.find(owner); it != Numbers.end()) return it->second;
    // Past four million owners the rest share the first one's text: never
    // met in practice, and nothing breaks.
    if (Count == OwnerChunkSize * OwnerChunks) return 0;
    auto& chunk = Chunks[Count / OwnerChunkSize];
    if (!chunk) chunk = std::make_unique<std::string[]>(OwnerChunkSize);
    std::string& text = chunk[Count % OwnerChunkSize];
    text.assign(owner);
    Numbers.emplace(text, Count);
    return Count++;
  }
};

TOwnerTable& Owners() {
  static TOwnerTable* table = new TOwnerTable;  // never destroyed: records may outlive statics
  return *table;
}

}  // namespace

uint32_t InternOwnerIndex(std::string_view owner) {
  // Files of one folder mostly share their owner.
  thread_local uint32_t last = 0;
  thread_local bool have = false;
  if (have && OwnerAt(last) == owner) return last;
  last = Owners().Intern(owner);
  have = true;
  return last;
}

const std::string& OwnerAt(uint32_t index) {
  return Owners().Chunks[index / OwnerChunkSize][index % OwnerChunkSize];
}

const std::string* InternOwner(std::string_view owner) { return &OwnerAt(InternOwnerIndex(owner)); }

// ---- TBaseNodeData ----

TBaseNodeData::TBaseNodeData(std::string_view name, TFolderNode* parent, const TItemInfo& info,
                             std::string_view owner, bool folder)
    : Name(name), Attributes_(0), Marks_(0), Parent_(parent ? parent->Number() : 0),
      OwnerIndex_(InternOwnerIndex(owner)), IsFolder_(folder), AllocatedCode_(0), OddTimes_(0),
      WholeSizeWord_(0), AllocatedAbove_(0) {
  SetInfo(info);
}

namespace {

enum : uint8_t { atReadOnly = 1, atHidden = 2, atSystem = 4, atArchive = 8 };

// Values of the rare records whose fields do not pack, by the record's
// address. Never destroyed: records may outlive statics.
template <class TValue>
class TSideTable {
 public:
  size_t Count() {
    std::lock_guard guard(Lock_);
    return Values_.size();
  }
  TValue Get(const void* record) {
    std::lock_guard guard(Lock_);
    return Values_.at(record);
  }
  void Set(const void* record, const TValue& value) {
    std::lock_guard guard(Lock_);
    Values_.insert_or_assign(record, value);
  }
  void Erase(const void* record) {
    std::lock_guard guard(Lock_);
    Values_.erase(record);
  }

 private:
  std::mutex Lock_;
  std::unordered_map<const void*, TValue> Values_;
};

TSideTable<TItemInfo>& OddTimes() {
  static auto* table = new TSideTable<TItemInfo>;
  return *table;
}

}  // namespace

size_t OddTimesCount() { return OddTimes().Count(); }

TBaseNodeData::~TBaseNodeData() {
  if (OddTimes_) OddTimes().Erase(this);
}

TItemInfo TBaseNodeData::Info() const {
  TItemInfo info;
  if (OddTimes_) {
    info = OddTimes().Get(this);
  } else {
    Times_.Unpack(info.Created, info.Modified, info.LastAccess);
  }
  info.ReadOnly = (Attributes_ & atReadOnly) != 0;
  info.Hidden = (Attributes_ & atHidden) != 0;
  info.System = (Attributes_ & atSystem) != 0;
  info.Archive = (Attributes_ & atArchive) != 0;
  info.Marks = Marks_;
  return info;
}

void TBaseNodeData::SetInfo(const TItemInfo& info) {
  Attributes_ = static_cast<uint8_t>((info.ReadOnly ? atReadOnly : 0) | (info.Hidden ? atHidden : 0) |
                                     (info.System ? atSystem : 0) | (info.Archive ? atArchive : 0));
  Marks_ = info.Marks;
  const bool packed = Times_.Pack(info.Created, info.Modified, info.LastAccess);
  if (packed && !OddTimes_) return;
  if (packed) {
    OddTimes().Erase(this);
  } else {
    // Only the times are read from here; attributes and marks stay in the record.
    TItemInfo times;
    times.Created = info.Created;
    times.Modified = info.Modified;
    times.LastAccess = info.LastAccess;
    OddTimes().Set(this, times);
  }
  OddTimes_ = packed ? 0 : 1;
}

int64_t TBaseNodeData::GetSize(TSizeType type) const {
  return IsFolder_ ? static_cast<const TFolderNodeData*>(this)->GetSize(type)
                   : static_cast<const TFileNodeData*>(this)->GetSize(type);
}

void TBaseNodeData::SetParentNode(TFolderNode* parent) { Parent_ = parent ? parent->Number() : 0; }

std::string TBaseNodeData::GetParentPath() const { return GetNodePath(ParentNode()); }

std::string TBaseNodeData::GetFullPath() const {
  std::string path = GetParentPath();
  path.append(Name.View());
  return path;
}

// ---- TFileNodeData ----

TFileNodeData::TFileNodeData(std::string_view name, int64_t fileSize, int64_t allocatedSize,
                             TFolderNode* parent, const TItemInfo& info, std::string_view owner)
    : TBaseNodeData(name, parent, info, owner, false), SizeWord_(0) {
  SetFileSize(fileSize);
  SetAllocatedSize(allocatedSize);
}

namespace {

// Code 0: nothing allocated; 1 + k: the size rounded up to 2^k, less (or
// more) the size word's steps of 2^k; 62: not known yet (-1, until the scan
// fills it in: every file on Windows, so no lock); 63: in a side table.
constexpr uint32_t UnknownAllocated = 62;
constexpr uint32_t OddAllocated = 63;
constexpr uint64_t MaxSteps = 0xFFFF;

TSideTable<int64_t>& OddSizes() {
  static auto* table = new TSideTable<int64_t>;
  return *table;
}

}  // namespace

size_t OddAllocatedSizeCount() { return OddSizes().Count(); }

TFileNodeData::~TFileNodeData() {
  if (AllocatedCode_ == OddAllocated) OddSizes().Erase(this);
}

int64_t TFileNodeData::AllocatedSize() const {
  const uint32_t code = AllocatedCode_;
  if (code == 0) return 0;
  if (code == UnknownAllocated) return -1;
  if (code == OddAllocated) return OddSizes().Get(this);
  const int shift = static_cast<int>(code) - 1;
  const int64_t rounded = AllocatedSizeFor(FileSize(), int64_t{1} << shift);
  if (WholeSizeWord_) return rounded;
  // The steps were set from a difference below 2^63: no overflow either way.
  const auto steps = static_cast<int64_t>(SizeWord_ >> SizeBits) << shift;
  return AllocatedAbove_ ? rounded + steps : rounded - steps;
}

void TFileNodeData::SetFileSize(int64_t fileSize) {
  SizeWord_ = static_cast<uint64_t>(fileSize);
  WholeSizeWord_ = fileSize < 0 || static_cast<uint64_t>(fileSize) > SizeMask;
}

void TFileNodeData::SetSizes(int64_t fileSize, int64_t allocatedSize) {
  SetFileSize(fileSize);
  SetAllocatedSize(allocatedSize);
}

void TFileNodeData::SetAllocatedSize(int64_t allocatedSize) {
  uint32_t code = OddAllocated;
  uint64_t steps = 0;
  bool above = false;
  if (allocatedSize == 0) {
    code = 0;
  } else if (allocatedSize == -1) {
    code = UnknownAllocated;
  } else if (allocatedSize > 0) {
    // Steps of the largest power of two dividing the allocated size: the
    // fewest, and the rounded size is a whole number of them too.
    const int shift = std::countr_zero(static_cast<uint64_t>(allocatedSize));
    if (shift + 1 < static_cast<int>(UnknownAllocated)) {
      const int64_t rounded = AllocatedSizeFor(FileSize(), int64_t{1} << shift);
      if (rounded == allocatedSize) {
        code = static_cast<uint32_t>(shift) + 1;
      } else if (!WholeSizeWord_) {
        // A size below 2^48 rounds without saturating, so the difference is whole steps.
        above = allocatedSize > rounded;
        steps = static_cast<uint64_t>(above ? allocatedSize - rounded : rounded - allocatedSize) >> shift;
        if (steps <= MaxSteps) code = static_cast<uint32_t>(shift) + 1;
      }
    }
  }
  if (code == OddAllocated) steps = 0, above = false;
  if (!WholeSizeWord_) SizeWord_ = (SizeWord_ & SizeMask) | (steps << SizeBits);
  AllocatedAbove_ = above;
  if (code != OddAllocated && AllocatedCode_ != OddAllocated) {
    AllocatedCode_ = code;
    return;
  }
  if (code == OddAllocated)
    OddSizes().Set(this, allocatedSize);
  else
    OddSizes().Erase(this);
  AllocatedCode_ = code;
}

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
    : TBaseNodeData(name, parent, info, owner, true) {}

bool TFolderNodeData::IsTopLevel() const { const TFolderNode* parent = ParentNode();
  return parent == nullptr || parent->IsHiddenRoot(); }

int32_t TFolderNodeData::GetOpenImage() {
  if (OpenImage < 0) OpenImage = IsTopLevel() ? 2 : 1;
  return OpenImage;
}

int32_t TFolderNodeData::GetClosedImage() {
  if (ClosedImage < 0) ClosedImage = IsTopLevel() ? 2 : 0;
  return ClosedImage;
}

}  // namespace kv
