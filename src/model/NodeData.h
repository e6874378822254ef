// The objects the views show: folders and files of the size tree, and the
// rows of the aggregate reports.
//
// A file record (TFileNodeData), 64 bytes on 64-bit systems (asserted in NodeData.cpp):
//    0  Name           30  inline up to 29 bytes, else a pooled block
//   30  attributes      1  read-only, hidden, system, archive
//   31  marks           1
//   32  times          16  three 42-bit millisecond counts (TPackedTimes)
//   48  folder number   4  its folder (FolderByNumber)
//   52  owner number   22 bits; 1 bit telling folder from file (no virtual table);
//                      6 bits saying how the allocated size follows from the size;
//                      1 bit for times kept in a side table; 1 bit for a size that
//                      takes the whole size word; 1 bit for allocated above the rounding
//   56  size word       8  the size in the low 48 bits, 16 bits of steps above
// The allocated size is nearly always the size rounded up to a power of two
// (the cluster), so the record keeps only that power. Compressed and sparse
// files allocate some whole clusters fewer (or, preallocated, more): the
// steps count them, so they pack as well. Rare values that do not pack
// (sizes from 2^48 on with such a difference, times before 1960 or imported
// from elsewhere) wait in side tables.
// Each file also costs its folder's list an 8-byte pointer. What views show
// beside a row (its percentage, its icon) stays in the views.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/FolderNumbers.h"
#include "model/NameIndex.h"
#include "model/PackedTimes.h"
#include "platform/PathStyle.h"
#include "model/Saturate.h"

namespace kv {

// What a scan found out about an item beyond its attributes.
enum : uint8_t {
  imHardLink = 0x01,        // a further name of a file counted elsewhere: adds nothing
  imReadError = 0x02,       // a folder that could not be listed
  imOtherFileSystem = 0x04, // a folder on another file system, not entered
  imOnlineOnly = 0x08,      // a cloud placeholder whose data is not on the disk
  imExcluded = 0x10,        // left out by the scan that made an imported file
};

// Times and attributes of an item. Stored byte for byte in the result file,
// so the layout is fixed. Marks takes a byte that files written before it
// left zero, so older files read as unmarked.
struct TItemInfo {
  double Created = 0;     // local day-count date-times
  double Modified = 0;
  double LastAccess = 0;
  bool ReadOnly = false;
  bool Hidden = false;
  bool System = false;
  bool Archive = false;
  uint8_t Marks = 0;
  uint8_t Padding[3] = {};
};
static_assert(sizeof(bool) == 1);
static_assert(sizeof(TItemInfo) == 32);
static_assert(offsetof(TItemInfo, Created) == 0);
static_assert(offsetof(TItemInfo, Modified) == 8);
static_assert(offsetof(TItemInfo, LastAccess) == 16);
static_assert(offsetof(TItemInfo, ReadOnly) == 24);
static_assert(offsetof(TItemInfo, Hidden) == 25);
static_assert(offsetof(TItemInfo, System) == 26);
static_assert(offsetof(TItemInfo, Archive) == 27);
static_assert(offsetof(TItemInfo, Marks) == 28);

// Which of the two sizes a figure shows; the caller says which it wants.
enum class TSizeType { FileSize, Allocated };

// A string of 30 bytes: up to 29 bytes inline, longer texts on the heap.
// Names of millions of files are kept in these; most file names fit inline.
// Byte-aligned, so that a record can put its small fields right after it.
class TCompactString {
 public:
  TCompactString() { SetSmallLength(0); }
  explicit TCompactString(std::string_view text) { Assign(text); }
  TCompactString(const TCompactString& other) { Assign(other.View()); }
  TCompactString& operator=(const TCompactString& other);
  ~TCompactString() { Release(); }

  std::string_view View() const {
    return IsLarge() ? std::string_view(LargePtr(), LargeLength()) : std::string_view(Bytes_, SmallLength());
  }
  operator std::string_view() const { return View(); }
  std::string Str() const { return std::string(View()); }
  bool operator==(std::string_view other) const { return View() == other; }

 private:
  static constexpr size_t Bytes = 30;
  static constexpr size_t SmallCapacity = Bytes - 1;
  static constexpr unsigned char LargeTag = 0xFF;

  void Assign(std::string_view text);
  void Release();
  bool IsLarge() const { return static_cast<unsigned char>(Bytes_[SmallCapacity]) == LargeTag; }
  size_t SmallLength() const { return SmallCapacity - static_cast<unsigned char>(Bytes_[SmallCapacity]); }
  void SetSmallLength(size_t n) {
    if (n < SmallCapacity) Bytes_[n] = 0;
    Bytes_[SmallCapacity] = static_cast<char>(SmallCapacity - n);  // 0 when full: doubles as the end
  }
  // A long text: its block's address, then its length, copied in and out
  // since the bytes have no alignment.
  const char* LargePtr() const {
    const char* ptr;
    std::memcpy(&ptr, Bytes_, sizeof ptr);
    return ptr;
  }
  uint32_t LargeLength() const {
    uint32_t len;
    std::memcpy(&len, Bytes_ + sizeof(char*), sizeof len);
    return len;
  }

  char Bytes_[Bytes];
};
static_assert(sizeof(TCompactString) == 30 && alignof(TCompactString) == 1);

// Owner texts are few and shared by many items: one copy each, for the life of
// the program, numbered so that a record keeps 4 bytes for its owner. Safe to
// call from any thread.
const std::string* InternOwner(std::string_view owner);
uint32_t InternOwnerIndex(std::string_view owner);
// The text of a number InternOwnerIndex gave.
const std::string& OwnerAt(uint32_t index);

class TFolderNode;

// The common base of every row the views show. No virtual functions: a table
// pointer in each of millions of records costs more than a kind bit.
class TAbstractNodeData {
 protected:
  TAbstractNodeData() = default;
  TAbstractNodeData(const TAbstractNodeData&) = default;
  TAbstractNodeData& operator=(const TAbstractNodeData&) = default;
  ~TAbstractNodeData() = default;
};

// What files and folders share.
class TBaseNodeData : public TAbstractNodeData {
 public:
  std::string_view GetText() const { return Name.View(); }
  // The file's size, or the folder's total.
  int64_t GetSize(TSizeType type) const;
  bool IsFolder() const { return IsFolder_ != 0; }

  // Path of the containing folder, each name followed by a separator; empty
  // for a top-level folder.
  std::string GetParentPath() const;
  // The parent path followed by the name, without a trailing separator.
  std::string GetFullPath() const;

  const std::string& Owner() const { return OwnerAt(OwnerIndex_); }
  void SetOwner(std::string_view owner) { OwnerIndex_ = InternOwnerIndex(owner); }

  TFolderNode* ParentNode() const { return FolderByNumber(Parent_); }
  void SetParentNode(TFolderNode* parent);

  // The times, attributes and marks as the result file stores them.
  TItemInfo Info() const;
  void SetInfo(const TItemInfo& info);
  uint8_t Marks() const { return Marks_; }
  void AddMarks(uint8_t marks) { Marks_ = static_cast<uint8_t>(Marks_ | marks); }

  TCompactString Name;

 private:
  uint8_t Attributes_;
  uint8_t Marks_;

 protected:
  TBaseNodeData(std::string_view name, TFolderNode* parent, const TItemInfo& info,
                std::string_view owner, bool folder);
  TBaseNodeData(const TBaseNodeData&) = delete;
  TBaseNodeData& operator=(const TBaseNodeData&) = delete;
  ~TBaseNodeData();

 private:
  TPackedTimes Times_;
  uint32_t Parent_;
  // InternOwnerIndex numbers stay below 2^22.
  uint32_t OwnerIndex_ : 22;
  uint32_t IsFolder_ : 1;

 protected:
  // Files keep their allocated size's rule here; folders leave it 0.
  uint32_t AllocatedCode_ : 6;

 private:
  uint32_t OddTimes_ : 1;

 protected:
  // Files only: the size word holds the size alone (no steps), and the steps
  // are added to the rounded size rather than taken off.
  uint32_t WholeSizeWord_ : 1;
  uint32_t AllocatedAbove_ : 1;
};

class TFileNodeData final : public TBaseNodeData {
 public:
  TFileNodeData(std::string_view name, int64_t fileSize, int64_t allocatedSize, TFolderNode* parent,
                const TItemInfo& info, std::string_view owner);
  TFileNodeData(const TFileNodeData&) = delete;
  TFileNodeData& operator=(const TFileNodeData&) = delete;
  ~TFileNodeData();

  int64_t GetSize(TSizeType type) const { return type == TSizeType::FileSize ? FileSize() : AllocatedSize(); }
  int64_t FileSize() const {
    return static_cast<int64_t>(WholeSizeWord_ ? SizeWord_ : SizeWord_ & SizeMask);
  }
  int64_t AllocatedSize() const;
  void SetSizes(int64_t fileSize, int64_t allocatedSize);
  // Keeps the size; what the scan fills in where the listing did not tell it.
  void SetAllocatedSize(int64_t allocatedSize);
  // Millions of these: taken from the small-block pool.
  static void* operator new(size_t size);
  static void operator delete(void* block, size_t size);

  // Lower-case extension with its dot, derived from the name.
  std::string Extension() const;

 private:
  static constexpr int SizeBits = 48;
  static constexpr uint64_t SizeMask = (uint64_t{1} << SizeBits) - 1;
  void SetFileSize(int64_t fileSize);

  uint64_t SizeWord_;
};

// Records whose allocated size or times wait in the side tables (for tests and benchmarks).
size_t OddAllocatedSizeCount();
size_t OddTimesCount();

// The extension of a file name: from its last "." on, lower-cased; empty without a dot.
std::string ExtractExtension(std::string_view name);

// The files directly in one folder, in the order they were added. Owns them.
class TFileList {
 public:
  TFileList() = default;
  TFileList(const TFileList&) = delete;
  TFileList& operator=(const TFileList&) = delete;
  ~TFileList();

  // Appends unless a file of the same name (exact comparison) is present. A
  // rejected file is not taken over.
  bool Add(TFileNodeData* file);
  // Appends a file the caller knows to be absent, without a look-up.
  void AddUnique(TFileNodeData* file);
  void Reserve(size_t count) { Items_.reserve(Items_.size() + count); }
  // Frees a file of this list and takes it out.
  void Remove(TFileNodeData* file);
  int64_t IndexOf(const TFileNodeData* file) const;
  TFileNodeData* Find(std::string_view name) const;
  size_t Count() const { return Items_.size(); }
  TFileNodeData* operator[](size_t i) const { return Items_[i]; }
  auto begin() const { return Items_.begin(); }
  auto end() const { return Items_.end(); }

 private:
  std::vector<TFileNodeData*> Items_;
  mutable TNameIndex Index_;
};

class TFolderNodeData final : public TBaseNodeData {
 public:
  TFolderNodeData(std::string_view name, std::string_view owner, const TItemInfo& info,
                  TFolderNode* parent);

  int64_t GetSize(TSizeType type) const { return type == TSizeType::FileSize ? TotalSize : TotalAllocated; }
  // The files directly in the folder.
  int64_t GetOwnSize(TSizeType type) const { return type == TSizeType::FileSize ? OwnSize : OwnAllocated; }
  bool AddFile(TFileNodeData* file) { return Files.Add(file); }
  bool IsTopLevel() const;
  int32_t GetOpenImage();
  int32_t GetClosedImage();

  TFileList Files;
  int64_t TotalSize = 0;
  int64_t TotalAllocated = 0;
  int64_t OwnSize = 0;
  int64_t OwnAllocated = 0;
  int64_t FileCount = 0;
  int64_t FolderCount = 0;
  double TreePercent = 0;
  int32_t OpenImage = -1;
  int32_t ClosedImage = -1;
  bool Complete = false;
};

// The folder or file a tree object is; null when it is the other kind (or null).
inline TFolderNodeData* AsFolderData(TBaseNodeData* n) {
  return n && n->IsFolder() ? static_cast<TFolderNodeData*>(n) : nullptr;
}
inline const TFolderNodeData* AsFolderData(const TBaseNodeData* n) {
  return n && n->IsFolder() ? static_cast<const TFolderNodeData*>(n) : nullptr;
}
inline TFileNodeData* AsFileData(TBaseNodeData* n) {
  return n && !n->IsFolder() ? static_cast<TFileNodeData*>(n) : nullptr;
}
inline const TFileNodeData* AsFileData(const TBaseNodeData* n) {
  return n && !n->IsFolder() ? static_cast<const TFileNodeData*>(n) : nullptr;
}

// One row of an aggregate report (an extension, an owner, a size or time range).
class TExtensionsNodeData final : public TAbstractNodeData {
 public:
  TExtensionsNodeData(std::string name, int64_t size, std::string iconKey)
      : Name(std::move(name)), IconKey(std::move(iconKey)), Size(size) {}

  std::string_view GetText() const { return Name; }
  // Aggregate rows sum file sizes whatever the size type.
  int64_t GetSize(TSizeType) const { return Size; }
  void AddItem(int64_t size) {
    Size = SatAdd(Size, size);
    ++Count;
  }

  std::string Name;
  std::string IconKey;
  int64_t Size;
  int64_t Count = 1;
  int32_t IconIndex = -1;
};

}  // namespace kv
