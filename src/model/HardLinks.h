// Files with several names (hard links) count once. Of the names a scan finds,
// the one whose full path sorts first, byte by byte, carries the sizes; the
// others are marked and add nothing. Which one that is does not depend on the
// order in which readers find them, so totals and result files are the same
// with one reader or many. UI thread only, like the tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kv {

class TFileNodeData;
class TFolderNode;
class TSizeTree;

// A file's identity: its file system and its number there.
struct TFileKey {
  uint64_t Device = 0;
  uint64_t FileId = 0;
  bool operator==(const TFileKey&) const = default;
};

class THardLinks {
 public:
  explicit THardLinks(TSizeTree& tree) : Tree_(tree) {}

  // Takes a file with several names just linked into folder (whose path ends
  // in a separator), sizes not yet added anywhere. False when another name
  // carries the sizes: the file is then marked and its sizes are zero. When it
  // takes over from a name that sorts after it, that one's sizes leave its
  // folder's totals.
  bool Place(TFileNodeData& file, std::string_view folderPath, TFileKey key);
  // Names counted so far.
  size_t Count() const { return Carriers_.size(); }
  void Clear() {
    Carriers_.clear();
    Names_.clear();
  }
  // The file a name placed here belongs to (full path), for exports that
  // write the links; null for other names.
  const TFileKey* KeyOf(std::string_view path) const {
    const auto it = Names_.find(std::string(path));
    return it == Names_.end() ? nullptr : &it->second;
  }
  // The record carrying the sizes of a file; null when it is gone.
  TFileNodeData* CarrierOf(const TFileKey& key) const {
    const auto it = Carriers_.find(key);
    return it == Carriers_.end() ? nullptr : Find(it->second);
  }

 private:
  struct TKeyHash {
    size_t operator()(const TFileKey& key) const {
      return std::hash<uint64_t>()(key.FileId * 0x9E3779B97F4A7C15ull ^ key.Device);
    }
  };
  struct TCarrier {
    std::string Path;   // full path of the name that carries the sizes
    size_t Folder = 0;  // length of its folder part, separator included
  };
  // The carrier's record while it is in the tree; null once it was removed.
  TFileNodeData* Find(const TCarrier& carrier) const;

  TSizeTree& Tree_;
  std::unordered_map<TFileKey, TCarrier, TKeyHash> Carriers_;
  // Every name placed, only files with several names: few.
  std::unordered_map<std::string, TFileKey> Names_;
};

}  // namespace kv
