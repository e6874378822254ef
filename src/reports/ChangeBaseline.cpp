#include "reports/ChangeBaseline.h"

#include <algorithm>
#include <bit>
#include <unordered_set>

namespace kv {
namespace {

constexpr uint64_t FnvPrime = 1099511628211ull;
constexpr int64_t SizeLimit = (int64_t{1} << 47) - 1;
constexpr uint16_t FlagBit = 0x8000;

// Windows compares names without case. ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic capitals cover the names met in practice; the rest
// compares as written.
uint32_t FoldCodePoint(uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddPairs ? (c % 2 == 1) : (c % 2 == 0)) return c + 1;
    return c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

void PutUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Calls emit for each byte of the folded text. Only two-byte sequences can
// hold a capital that folds; longer ones and broken bytes pass unchanged.
template <class Emit>
void FoldBytes(std::string_view text, Emit&& emit) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      emit(static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b));
    } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      const uint32_t c = FoldCodePoint((uint32_t{b} & 0x1F) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
      std::string bytes;
      PutUtf8(bytes, c);
      for (char x : bytes) emit(static_cast<unsigned char>(x));
      ++i;
    } else {
      emit(b);
    }
  }
}

uint64_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdull;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ull;
  x ^= x >> 33;
  return x;
}

TBaselineSizes SizesOf(const TFolderNodeData& folder) { return {folder.TotalSize, folder.TotalAllocated}; }
TBaselineSizes SizesOf(const TFileNodeData& file) { return {file.FileSize(), file.AllocatedSize()}; }

// Visits every folder node below the hidden root with its path.
template <class Visit>
void WalkFolders(const TSizeTree& tree, Visit&& visit) {
  std::vector<const TFolderNode*> stack;
  for (size_t i = tree.Root()->ChildCount(); i-- > 0;) stack.push_back(tree.Root()->Child(i));
  while (!stack.empty()) {
    const TFolderNode* node = stack.back();
    stack.pop_back();
    visit(node);
    for (size_t i = node->ChildCount(); i-- > 0;) stack.push_back(node->Child(i));
  }
}

}  // namespace

void TPathKey::Add(std::string_view text) {
  uint64_t state = State_;
  if (Fold_) {
    FoldBytes(text, [&](unsigned char b) { state = (state ^ b) * FnvPrime; });
  } else {
    for (char c : text) state = (state ^ static_cast<unsigned char>(c)) * FnvPrime;
  }
  State_ = state;
}

uint64_t TPathKey::Hash() const { return Mix(State_); }

std::string TPathKey::Folded(std::string_view text, TPathStyle style) {
  if (style != TPathStyle::Windows) return std::string(text);
  std::string out;
  out.reserve(text.size());
  FoldBytes(text, [&](unsigned char b) { out += static_cast<char>(b); });
  return out;
}

TPathStyle TChangeBaseline::StyleOf(const TFolderNode* node) const { return NodeStyle(node); }

TPathKey TChangeBaseline::FolderKey(const TFolderNode* node) const {
  TPathKey key(StyleOf(node));
  key.Add(GetNodePath(node));
  return key;
}

void TChangeBaseline::Clear() {
  *this = TChangeBaseline();
}

void TChangeBaseline::Add(uint64_t hash, const TBaselineSizes& sizes, bool folder, std::string&& exactKey) {
  TEntry e{};
  e.HashLo = static_cast<uint32_t>(hash);
  e.HashHi = static_cast<uint32_t>(hash >> 32);
  const bool fits = sizes.Size >= 0 && sizes.Size <= SizeLimit && sizes.Allocated >= 0 && sizes.Allocated <= SizeLimit;
  if (fits) {
    e.SizeLo = static_cast<uint32_t>(sizes.Size);
    e.SizeHi = static_cast<uint16_t>(sizes.Size >> 32);
    e.AllocLo = static_cast<uint32_t>(sizes.Allocated);
    e.AllocHi = static_cast<uint16_t>(sizes.Allocated >> 32);
  } else {
    e.AllocHi = FlagBit;
    Exact_[std::move(exactKey)] = {sizes, folder};
  }
  if (folder) e.SizeHi |= FlagBit;
  Entries_.push_back(e);
}

void TChangeBaseline::Seal() {
  Entries_.shrink_to_fit();
  std::sort(Entries_.begin(), Entries_.end(), [](const TEntry& a, const TEntry& b) { return a.Hash() < b.Hash(); });
  // About four entries a bucket: one short scan after one look-up.
  const int bits = std::max(1, static_cast<int>(std::bit_width(Entries_.size() / 4 + 1)));
  BucketShift_ = 64 - bits;
  Buckets_.assign((size_t{1} << bits) + 1, 0);
  size_t at = 0;
  for (size_t b = 0; b + 1 < Buckets_.size(); ++b) {
    Buckets_[b] = static_cast<uint32_t>(at);
    while (at < Entries_.size() && (Entries_[at].Hash() >> BucketShift_) == b) ++at;
  }
  Buckets_.back() = static_cast<uint32_t>(Entries_.size());
}

const TChangeBaseline::TEntry* TChangeBaseline::FindEntry(uint64_t hash) const {
  if (Entries_.empty()) return nullptr;
  const size_t b = static_cast<size_t>(hash >> BucketShift_);
  for (uint32_t i = Buckets_[b]; i < Buckets_[b + 1]; ++i)
    if (Entries_[i].Hash() == hash) return &Entries_[i];
  return nullptr;
}

bool TChangeBaseline::Lookup(uint64_t hash, bool folder, const std::string& exactKey, TBaselineSizes& sizes) const {
  const TEntry* e = FindEntry(hash);
  if (!e) return false;
  if (e->AllocHi & FlagBit) {
    const auto it = Exact_.find(exactKey);
    if (it == Exact_.end() || it->second.IsFolder != folder) return false;
    sizes = it->second.Sizes;
    return true;
  }
  if (((e->SizeHi & FlagBit) != 0) != folder) return false;
  sizes.Size = static_cast<int64_t>((uint64_t{e->SizeHi & 0x7FFFu} << 32) | e->SizeLo);
  sizes.Allocated = static_cast<int64_t>((uint64_t{e->AllocHi} << 32) | e->AllocLo);
  return true;
}

bool TChangeBaseline::Lookup(uint64_t hash, bool folder, std::string_view folderPath, std::string_view name,
                             TBaselineSizes& sizes) const {
  const TEntry* e = FindEntry(hash);
  if (!e) return false;
  if (e->AllocHi & FlagBit) {
    // Rare: only these need the full key built.
    const TPathStyle style = PathStyleOf(folderPath, NativePathStyle());
    return Lookup(hash, folder, TPathKey::Folded(std::string(folderPath) + std::string(name), style), sizes);
  }
  if (((e->SizeHi & FlagBit) != 0) != folder) return false;
  sizes.Size = static_cast<int64_t>((uint64_t{e->SizeHi & 0x7FFFu} << 32) | e->SizeLo);
  sizes.Allocated = static_cast<int64_t>((uint64_t{e->AllocHi} << 32) | e->AllocLo);
  return true;
}

bool TChangeBaseline::FindFolder(const TFolderNode* node, TBaselineSizes& sizes) const {
  if (!FolderData(node)) return false;
  return Lookup(FolderKey(node).Hash(), true, GetNodePath(node), {}, sizes);
}

bool TChangeBaseline::FindFile(const TPathKey& folderKey, std::string_view folderPath, std::string_view name,
                               TBaselineSizes& sizes) const {
  TPathKey key = folderKey;
  key.Add(name);
  return Lookup(key.Hash(), false, folderPath, name, sizes);
}

void TChangeBaseline::Build(const TSizeTree& before, const TSizeTree& now) {
  Clear();
  Entries_.reserve(static_cast<size_t>(std::max<int64_t>(0, SatAdd(before.TotalFiles, before.TotalFolders))));
  // First pass: every item by hash; sizes too large for 47 bits go by full key.
  WalkFolders(before, [&](const TFolderNode* node) {
    const std::string path = GetNodePath(node);
    const TPathStyle style = StyleOf(node);
    TPathKey key(style);
    key.Add(path);
    const TFolderNodeData& data = *node->Data();
    Add(key.Hash(), SizesOf(data), true, TPathKey::Folded(path, style));
    for (const TFileNodeData* file : data.Files) {
      TPathKey fileKey = key;
      fileKey.Add(file->Name.View());
      Add(fileKey.Hash(), SizesOf(*file), false, TPathKey::Folded(path + file->Name.Str(), style));
    }
  });
  for (size_t i = 0; i < before.Root()->ChildCount(); ++i)
    if (const TFolderNodeData* top = before.Root()->Child(i)->Data()) {
      Total_.Size = SatAdd(Total_.Size, top->TotalSize);
      Total_.Allocated = SatAdd(Total_.Allocated, top->TotalAllocated);
    }
  Seal();

  // Hashes met more than once are told apart by their full keys.
  std::vector<uint64_t> shared;
  for (size_t i = 1; i < Entries_.size(); ++i)
    if (Entries_[i].Hash() == Entries_[i - 1].Hash() &&
        (shared.empty() || shared.back() != Entries_[i].Hash()))
      shared.push_back(Entries_[i].Hash());
  if (!shared.empty()) {
    auto isShared = [&](uint64_t h) { return std::binary_search(shared.begin(), shared.end(), h); };
    WalkFolders(before, [&](const TFolderNode* node) {
      const std::string path = GetNodePath(node);
      const TPathStyle style = StyleOf(node);
      TPathKey key(style);
      key.Add(path);
      if (isShared(key.Hash())) Exact_[TPathKey::Folded(path, style)] = {SizesOf(*node->Data()), true};
      for (const TFileNodeData* file : node->Data()->Files) {
        TPathKey fileKey = key;
        fileKey.Add(file->Name.View());
        if (isShared(fileKey.Hash()))
          Exact_[TPathKey::Folded(path + file->Name.Str(), style)] = {SizesOf(*file), false};
      }
    });
    for (TEntry& e : Entries_)
      if (isShared(e.Hash())) e.AllocHi |= FlagBit;
  }

  // What `now` lacks is kept by name: the map alone cannot list it.
  // Folders on the way down ("/", "/home") say nothing: only a shared file or
  // a shared folder that holds files makes it the same tree.
  bool anyShared = false;
  {
    // The items of `now` as a set of hashes, for this pass only.
    std::vector<uint64_t> present;
    present.reserve(static_cast<size_t>(std::max<int64_t>(0, now.TotalFiles + now.TotalFolders)));
    WalkFolders(now, [&](const TFolderNode* node) {
      TPathKey key = FolderKey(node);
      present.push_back(key.Hash());
      for (const TFileNodeData* file : node->Data()->Files) {
        TPathKey fileKey = key;
        fileKey.Add(file->Name.View());
        present.push_back(fileKey.Hash());
      }
    });
    std::sort(present.begin(), present.end());
    auto inNow = [&](uint64_t h) { return std::binary_search(present.begin(), present.end(), h); };
    WalkFolders(before, [&](const TFolderNode* node) {
      const std::string path = GetNodePath(node);
      TPathKey key(StyleOf(node));
      key.Add(path);
      const TFolderNodeData& data = *node->Data();
      if (!inNow(key.Hash())) {
        // Everything below a gone folder is gone too and listed as such.
        TGoneItem item{data.GetParentPath(), data.Name.Str(), true, SizesOf(data)};
        Gone_.push_back(std::move(item));
      } else if (data.Files.Count() > 0) {
        anyShared = true;
      }
      for (const TFileNodeData* file : data.Files) {
        TPathKey fileKey = key;
        fileKey.Add(file->Name.View());
        if (!inNow(fileKey.Hash()))
          Gone_.push_back({path, file->Name.Str(), false, SizesOf(*file)});
        else
          anyShared = true;
      }
    });
  }
  OtherRoot_ = !anyShared && now.Root()->ChildCount() > 0;
}

void TChangeBaseline::MarkGone(const TFolderNode* folder, const TFileNodeData* file) {
  if (Empty() || !FolderData(folder)) return;
  TBaselineSizes sizes;
  if (file) {
    const std::string path = GetNodePath(folder);
    if (FindFile(FolderKey(folder), path, file->Name.View(), sizes)) Gone_.push_back({path, file->Name.Str(), false, sizes});
    return;
  }
  std::vector<const TFolderNode*> stack{folder};
  while (!stack.empty()) {
    const TFolderNode* node = stack.back();
    stack.pop_back();
    const TFolderNodeData& data = *node->Data();
    if (FindFolder(node, sizes)) Gone_.push_back({data.GetParentPath(), data.Name.Str(), true, sizes});
    const TPathKey key = FolderKey(node);
    const std::string path = GetNodePath(node);
    for (const TFileNodeData* each : data.Files)
      if (FindFile(key, path, each->Name.View(), sizes)) Gone_.push_back({path, each->Name.Str(), false, sizes});
    for (size_t i = 0; i < node->ChildCount(); ++i) stack.push_back(node->Child(i));
  }
}

namespace {

// A folder's name into a key as AppendComponent writes it into a path.
void AddFolderName(TPathKey& key, std::string_view name, TPathStyle style) {
  key.Add(name);
  const char separator = PathSeparator(style);
  if (name.empty() || name.back() != separator) key.Add(std::string_view(&separator, 1));
}

}  // namespace

bool TChangeBaseline::Settle(const TSizeTree& now) {
  const size_t goneBefore = Gone_.size();
  if (!Gone_.empty()) {
    // The key each gone item had, its folder's part hashed once per run of
    // items in one folder (removals list a folder's items together).
    std::vector<uint64_t> keys(Gone_.size());
    std::vector<size_t> runs;  // where each run starts
    TPathKey folderKey(TPathStyle::Posix);
    TPathStyle style = TPathStyle::Posix;
    for (size_t i = 0; i < Gone_.size(); ++i) {
      const TGoneItem& item = Gone_[i];
      if (i == 0 || item.Folder != Gone_[i - 1].Folder) {
        runs.push_back(i);
        style = PathStyleOf(item.Folder.empty() ? item.Name : item.Folder, NativePathStyle());
        folderKey = TPathKey(style);
        folderKey.Add(item.Folder);
      }
      TPathKey key = folderKey;
      if (item.IsFolder)
        AddFolderName(key, item.Name, style);
      else
        key.Add(item.Name);
      keys[i] = key.Hash();
    }
    // The keys in an open table: one probe or two a look-up, where a sorted
    // array took twenty at a million gone items. The keys are mixed already.
    const size_t mask = std::bit_ceil(keys.size() * 2) - 1;
    std::vector<uint64_t> wanted(mask + 2, 0);  // 0: free; the last slot: none
    auto slot = [&](uint64_t h, bool add) {
      h += h == 0;
      for (size_t i = h & mask;; i = (i + 1) & mask) {
        if (wanted[i] == h) return i;
        if (wanted[i] == 0) {
          if (!add) return mask + 1;
          wanted[i] = h;
          return i;
        }
      }
    };
    for (uint64_t& key : keys) key = slot(key, true);
    // Each folder of a gone item once: what it holds now, by key, so that a
    // name of another case on Windows paths counts as the same item.
    std::vector<char> back(wanted.size(), 0), listed(wanted.size(), 0);
    std::unordered_set<std::string_view> visited;
    for (const size_t start : runs) {
      const std::string& folder = Gone_[start].Folder;
      if (!visited.insert(folder).second) continue;
      const TFolderNode* node = folder.empty() ? now.Root() : now.FindFolderNode(folder);
      if (!folder.empty() && (node->IsHiddenRoot() || GetNodePath(node) != folder)) continue;
      const TPathStyle nodeStyle = node->IsHiddenRoot() ? NativePathStyle() : StyleOf(node);
      const TPathKey key = node->IsHiddenRoot() ? TPathKey(nodeStyle) : FolderKey(node);
      for (size_t i = 0; i < node->ChildCount(); ++i) {
        const TFolderNode* child = node->Child(i);
        TPathKey childKey = node->IsHiddenRoot() ? TPathKey(StyleOf(child)) : key;
        AddFolderName(childKey, child->Data()->Name.View(), node->IsHiddenRoot() ? StyleOf(child) : nodeStyle);
        back[slot(childKey.Hash(), false)] = 1;
      }
      if (node->IsHiddenRoot()) continue;
      for (const TFileNodeData* file : node->Data()->Files) {
        TPathKey fileKey = key;
        fileKey.Add(file->Name.View());
        back[slot(fileKey.Hash(), false)] = 1;
      }
    }
    // Kept: what is still missing, once (a folder removed twice is listed once).
    size_t out = 0;
    for (size_t i = 0; i < Gone_.size(); ++i) {
      const size_t at = keys[i];  // its slot by now
      if (back[at] || listed[at]) continue;
      listed[at] = 1;
      if (out != i) Gone_[out] = std::move(Gone_[i]);
      ++out;
    }
    Gone_.resize(out);
  }
  const bool otherRoot = now.Root()->ChildCount() > 0 && !SharesWith(now);
  const bool changed = otherRoot != OtherRoot_ || Gone_.size() != goneBefore;
  OtherRoot_ = otherRoot;
  return changed;
}

bool TChangeBaseline::SharesWith(const TSizeTree& now) const {
  // Stops at the first shared item: where the roots match that comes soon.
  TBaselineSizes sizes;
  std::vector<const TFolderNode*> stack;
  for (size_t i = 0; i < now.Root()->ChildCount(); ++i) stack.push_back(now.Root()->Child(i));
  while (!stack.empty()) {
    const TFolderNode* node = stack.back();
    stack.pop_back();
    const TFolderNodeData& data = *node->Data();
    if (data.Files.Count() > 0) {
      if (FindFolder(node, sizes)) return true;
      const TPathKey key = FolderKey(node);
      const std::string path = GetNodePath(node);
      for (const TFileNodeData* file : data.Files)
        if (FindFile(key, path, file->Name.View(), sizes)) return true;
    }
    for (size_t i = 0; i < node->ChildCount(); ++i) stack.push_back(node->Child(i));
  }
  return false;
}

size_t TChangeBaseline::MemoryBytes() const {
  size_t bytes = Entries_.capacity() * sizeof(TEntry) + Buckets_.capacity() * sizeof(uint32_t);
  for (const auto& [key, item] : Exact_) bytes += key.capacity() + sizeof(item) + 32;
  for (const TGoneItem& g : Gone_) bytes += sizeof(g) + g.Folder.capacity() + g.Name.capacity();
  return bytes;
}

}  // namespace kv
