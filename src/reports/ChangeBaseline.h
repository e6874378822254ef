// An earlier state of the tree to compare with: a compact map from full path
// to the two sizes, built from a tree read out of a result file and then
// dropped. Each item costs 20 bytes and the bucket index about one more; only
// the items gone since keep their names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/SizeTree.h"
#include "platform/PathStyle.h"

namespace kv {

struct TBaselineSizes {
  int64_t Size = 0;
  int64_t Allocated = 0;
  int64_t Get(TSizeType type) const { return type == TSizeType::FileSize ? Size : Allocated; }
};

// The key of a path, hashed as it is read, so that a file's key is its folder's
// state plus its name and no full path is ever built. Windows paths fold case.
class TPathKey {
 public:
  explicit TPathKey(TPathStyle style) : Fold_(style == TPathStyle::Windows) {}
  void Add(std::string_view text);
  uint64_t Hash() const;
  // The bytes hashed so far, for the rare items kept by their full key.
  static std::string Folded(std::string_view text, TPathStyle style);

 private:
  uint64_t State_ = 14695981039346656037ull;
  bool Fold_;
};

// An item of the baseline that the tree does not hold any more.
struct TGoneItem {
  std::string Folder;  // its folder's path, each name followed by a separator
  std::string Name;
  bool IsFolder = false;
  TBaselineSizes Sizes;
};

class TChangeBaseline {
 public:
  // Every folder and file of `before`; the items of `before` that `now` lacks
  // are kept by name as gone.
  void Build(const TSizeTree& before, const TSizeTree& now);
  void Clear();
  bool Empty() const { return Entries_.empty() && Gone_.empty(); }

  // The baseline's sizes of a folder (its path with the trailing separator)
  // or of a file (its folder's path and its name); false when it is new.
  bool FindFolder(const TFolderNode* node, TBaselineSizes& sizes) const;
  bool FindFile(const TPathKey& folderKey, std::string_view folderPath, std::string_view name,
                TBaselineSizes& sizes) const;
  // The key state after a folder's path, for FindFile.
  TPathKey FolderKey(const TFolderNode* node) const;

  const std::vector<TGoneItem>& Gone() const { return Gone_; }
  // Call before an item leaves the tree (removed from the list): what of it
  // the baseline holds, a folder with everything below it, is gone from now
  // on. Costs lookups of the removed items only, no second read of the file.
  // `file` in `folder`; without a file, the folder itself.
  void MarkGone(const TFolderNode* folder, const TFileNodeData* file = nullptr);
  // After items came into the tree (a scan, an import): the gone ones it
  // holds again are gone no more, and whether it is another root is asked
  // again. Costs lookups of the gone items' folders, not a walk of the tree
  // nor a second read of the file; true when anything changed.
  bool Settle(const TSizeTree& now);
  // The baseline shares no file, nor any folder holding files, with the
  // tree: it was taken of another root, and everything compares as new.
  bool OtherRoot() const { return OtherRoot_; }
  // The sum over the baseline's top-level folders.
  TBaselineSizes Total() const { return Total_; }
  size_t ItemCount() const { return Entries_.size(); }
  // What the map holds, for the memory figure of the benchmark.
  size_t MemoryBytes() const;

  // Where it was read from, for the window to tell and to read again.
  std::string SourceFile;

 private:
  // 20 bytes: the hash, then both sizes in 47 bits each. The top bit of SizeHi
  // marks a folder, that of AllocHi an item kept in Exact_ by its full key
  // (hashes that collide, or sizes that do not fit).
  struct TEntry {
    uint32_t HashLo, HashHi;
    uint32_t SizeLo, AllocLo;
    uint16_t SizeHi, AllocHi;
    uint64_t Hash() const { return (uint64_t{HashHi} << 32) | HashLo; }
  };
  static_assert(sizeof(TEntry) == 20);

  struct TExactItem {
    TBaselineSizes Sizes;
    bool IsFolder;
  };

  void Add(uint64_t hash, const TBaselineSizes& sizes, bool folder, std::string&& exactKey);
  void Seal();
  const TEntry* FindEntry(uint64_t hash) const;
  bool Lookup(uint64_t hash, bool folder, const std::string& exactKey, TBaselineSizes& sizes) const;
  bool Lookup(uint64_t hash, bool folder, std::string_view folderPath, std::string_view name,
              TBaselineSizes& sizes) const;

  TPathStyle StyleOf(const TFolderNode* node) const;
  bool SharesWith(const TSizeTree& now) const;

  std::vector<TEntry> Entries_;    // sorted by hash once built
  std::vector<uint32_t> Buckets_;  // first entry of each value of the hash's top bits
  int BucketShift_ = 64;
  std::unordered_map<std::string, TExactItem> Exact_;
  std::vector<TGoneItem> Gone_;
  TBaselineSizes Total_;
  bool OtherRoot_ = false;
};

}  // namespace kv
