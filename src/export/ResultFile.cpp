#include "export/ResultFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "export/OutputFile.h"
#include "platform/CompressedInput.h"
#include "platform/InputFile.h"
#include "platform/Platform.h"
#include "model/NodeData.h"
#include "model/FileServices.h"
#include "platform/PathStyle.h"
#include "model/SizeTree.h"
#include "scan/NcduTree.h"
#include "settings/TextIds.h"

namespace kv {

namespace {

// TItemInfo is stored as its in-memory bytes and the format is little-endian.
static_assert(std::endian::native == std::endian::little);

constexpr size_t FolderFixedSize = 96;
constexpr size_t FileFixedSize = 48;
constexpr size_t InfoSize = sizeof(TItemInfo);
// Reads are batched a megabyte at a time.
constexpr size_t BufferSize = size_t{1} << 20;

void PutLe32(unsigned char* p, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

void PutLe64(unsigned char* p, int64_t value) {
  const auto u = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

int32_t GetLe32(const unsigned char* p) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | p[i];
  return static_cast<int32_t>(u);
}

int64_t GetLe64(const unsigned char* p) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
  return static_cast<int64_t>(u);
}

TItemInfo DecodeInfo(const unsigned char* p) {
  TItemInfo info;  // the rest of the padding stays zero: it has no meaning
  std::memcpy(&info.Created, p, 8);
  std::memcpy(&info.Modified, p + 8, 8);
  std::memcpy(&info.LastAccess, p + 16, 8);
  // Any non-zero byte is true, so no invalid bool is ever loaded.
  info.ReadOnly = p[24] != 0;
  info.Hidden = p[25] != 0;
  info.System = p[26] != 0;
  info.Archive = p[27] != 0;
  info.Marks = p[28] & (imHardLink | imReadError | imOtherFileSystem | imOnlineOnly | imExcluded);
  return info;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every ANSI code page extends ASCII, so the common pure-ASCII text needs
// neither conversion nor a copy.
std::string_view ToFileText(std::string_view utf8, std::string& scratch) {
  if (IsAscii(utf8)) return utf8;
  scratch = ToAnsiCodePage(utf8);
  return scratch;
}

std::string_view FromFileText(std::string_view bytes, std::string& scratch) {
  if (IsAscii(bytes)) return bytes;
  scratch = FromAnsiCodePage(bytes);
  return scratch;
}

std::string ErrnoText(int error) { return std::strerror(error != 0 ? error : EIO); }

// ---- writing ----

class TResultWriter {
 public:
  explicit TResultWriter(TOutputFile& file) : File_(file) {}

  bool Failed() const { return File_.Failed(); }

  void PutFolder(const TFolderNodeData& folder, std::string_view path, std::string_view owner) {
    const size_t fileCount = folder.Files.Count();
    if (!Fits(path.size()) || !Fits(owner.size()) || !Fits(fileCount)) return;
    unsigned char fixed[FolderFixedSize] = {};  // the padding bytes stay zero
    PutLe32(fixed, static_cast<int32_t>(path.size()));
    PutLe32(fixed + 4, static_cast<int32_t>(owner.size()));
    const TItemInfo info = folder.Info();
    std::memcpy(fixed + 8, &info, InfoSize);
    PutLe64(fixed + 40, folder.TotalSize);
    PutLe64(fixed + 48, folder.TotalAllocated);
    PutLe64(fixed + 56, folder.OwnSize);
    PutLe64(fixed + 64, folder.OwnAllocated);
    PutLe64(fixed + 72, folder.FileCount);
    PutLe64(fixed + 80, folder.FolderCount);
    fixed[88] = folder.Complete ? 1 : 0;
    PutLe32(fixed + 92, static_cast<int32_t>(fileCount));
    File_.Put(fixed, sizeof fixed);
    File_.Put(path);
    File_.Put(owner);
  }

  void PutFile(const TFileNodeData& file, std::string_view path, std::string_view owner) {
    if (!Fits(path.size()) || !Fits(owner.size())) return;
    unsigned char fixed[FileFixedSize];
    PutLe32(fixed, static_cast<int32_t>(path.size()));
    PutLe32(fixed + 4, static_cast<int32_t>(owner.size()));
    PutLe64(fixed + 8, file.FileSize());
    const TItemInfo info = file.Info();
    std::memcpy(fixed + 16, &info, InfoSize);
    File_.Put(fixed, sizeof fixed);
    File_.Put(path);
    File_.Put(owner);
  }

 private:
  // Counts and lengths are 32-bit in the file.
  bool Fits(size_t n) {
    if (n <= static_cast<size_t>(std::numeric_limits<int32_t>::max())) return true;
    File_.Fail("a text or file list is too long for the file format");
    return false;
  }

  TOutputFile& File_;
};

// Owners are interned and shared by many items: convert each one once.
class TOwnerTexts {
 public:
  std::string_view Get(const std::string& owner) {
    if (IsAscii(owner)) return owner;
    if (&owner != Last_) {
      Last_ = &owner;
      Text_ = ToAnsiCodePage(owner);
    }
    return Text_;
  }

 private:
  const std::string* Last_ = nullptr;
  std::string Text_;
};

// ---- reading ----

class TResultReader {
 public:
  TResultReader(IByteSource& source, std::optional<uint64_t> size)
      : Source_(source), Size_(size), Buffer_(new unsigned char[BufferSize]) {}

  uint64_t Position() const { return Position_; }
  // What the file still holds, when its size is known (a plain file).
  std::optional<uint64_t> Left() const {
    if (!Size_) return std::nullopt;
    return Position_ < *Size_ ? *Size_ - Position_ : 0;
  }
  bool AtEnd() {
    if (Begin_ < End_) return false;
    Begin_ = 0;
    End_ = Source_.Read(Buffer_.get(), BufferSize);
    return End_ == 0;
  }
  bool SystemError() const { return !Source_.Error().empty(); }
  const std::string& ErrorText() const { return Source_.Error(); }

  // Exactly n bytes, or false when the file gives fewer.
  bool Read(void* target, size_t n) {
    auto* out = static_cast<unsigned char*>(target);
    while (n > 0) {
      if (Begin_ == End_) {
        if (n >= BufferSize) {
          const size_t got = Source_.Read(out, n);
          Position_ += got;
          return got == n;
        }
        Begin_ = 0;
        End_ = Source_.Read(Buffer_.get(), BufferSize);
        if (End_ == 0) return false;
      }
      const size_t take = std::min(n, End_ - Begin_);
      std::memcpy(out, Buffer_.get() + Begin_, take);
      Begin_ += take;
      Position_ += take;
      out += take;
      n -= take;
    }
    return true;
  }

 private:
  IByteSource& Source_;
  std::optional<uint64_t> Size_;
  uint64_t Position_ = 0;
  std::unique_ptr<unsigned char[]> Buffer_;
  size_t Begin_ = 0;
  size_t End_ = 0;
};

// The first bytes of a stream, looked at before the stream is read from its start.
class TPeekedSource final : public IByteSource {
 public:
  explicit TPeekedSource(IByteSource& source) : Source_(source) {
    while (Size_ < sizeof Head_) {
      const size_t got = Source_.Read(Head_ + Size_, sizeof Head_ - Size_);
      if (got == 0) break;
      Size_ += got;
    }
  }
  const unsigned char* Head() const { return Head_; }
  size_t HeadSize() const { return Size_; }
  size_t Read(void* target, size_t n) override {
    size_t done = 0;
    if (Used_ < Size_) {
      done = std::min(n, Size_ - Used_);
      std::memcpy(target, Head_ + Used_, done);
      Used_ += done;
    }
    if (done < n) done += Source_.Read(static_cast<unsigned char*>(target) + done, n - done);
    return done;
  }
  const std::string& Error() const override { return Source_.Error(); }

 private:
  IByteSource& Source_;
  unsigned char Head_[64];
  size_t Size_ = 0, Used_ = 0;
};

class TImporter {
 public:
  TImporter(TSizeTree& tree, IByteSource& source, std::optional<uint64_t> size, const std::string& path)
      : Tree_(tree), Reader_(source, size), Path_(path) {
    Tree_.BeginUpdate();
  }
  TImporter(const TImporter&) = delete;
  TImporter& operator=(const TImporter&) = delete;

  // Also after a read error or an exception. A whole file read into folders
  // the tree did not hold keeps its stored totals exactly; stored totals
  // merged into folders that held more, or a file cut short, would not be the
  // sum below them, so then every total is counted again from the folders' own
  // sizes, files and subfolders.
  ~TImporter() {
    // The builder counts every folder node it creates in all its ancestors,
    // and ancestors come first in the file, so the stored folder counts are
    // set once more.
    for (const auto& [node, folderCount] : StoredFolderCounts_) node->Data()->FolderCount = folderCount;
    if (Merged_ || !Finished_)
      Tree_.RecountTotals();
    else
      Tree_.RecountCounters();
    // Percentages as a scan leaves them, among the children of every folder
    // whose totals were set or whose children's were (in place: no allocation here).
    std::sort(PercentNodes_.begin(), PercentNodes_.end());
    const auto end = std::unique(PercentNodes_.begin(), PercentNodes_.end());
    for (auto it = PercentNodes_.begin(); it != end; ++it) Tree_.UpdateChildPercents(*it);
    Tree_.EndUpdate();
  }

  TFileResult Run() {
    while (!Reader_.AtEnd())
      if (!ReadFolderBlock()) return Error_;
    if (Reader_.SystemError()) {
      Fail(Reader_.ErrorText());
      return Error_;
    }
    Finished_ = true;
    return {};
  }

 private:
  bool ReadFolderBlock() {
    const uint64_t start = Reader_.Position();
    unsigned char fixed[FolderFixedSize];
    if (!ReadFixed(fixed, sizeof fixed, "folder")) return false;
    if (!ReadString(GetLe32(fixed), start, PathBytes_) ||
        !ReadString(GetLe32(fixed + 4), start + 4, OwnerBytes_))
      return false;
    const std::string_view path = FromFileText(PathBytes_, PathText_);
    // Each path tells its own style by the rule the writer follows for each
    // top-level folder, so a file written on the other platform keeps its
    // drives and separators, and what is written reads back the same.
    Style_ = PathStyleOf(path, Tree_.Style());
    // "/d//x" would make a folder without a name, which is written back as
    // "/d/" and read again as "/d" itself: totals would move.
    for (const std::string& component : SplitPath(path, *Style_))
      if (component.empty()) return Fail("the folder path at byte " + std::to_string(start) + " has an empty component");
    static constexpr size_t Numbers[] = {40, 48, 56, 64, 72, 80};
    for (const size_t at : Numbers)
      if (GetLe64(fixed + at) < 0) return Fail(Impossible("value", GetLe64(fixed + at), start + at));
    const int32_t fileCount = GetLe32(fixed + 92);
    if (fileCount < 0) return Fail(Impossible("file count", fileCount, start + 92));
    // An owner the file leaves empty is not looked up here: the path may name
    // something else on this machine, and a deep path would be asked per level.
    std::string_view owner = FromFileText(OwnerBytes_, OwnerText_);
    if (owner.empty()) owner = TFileServices::UnknownOwner;
    const int64_t foldersBefore = Tree_.TotalFolders;
    TFolderNode* node = Tree_.GetFolderNode(path, DecodeInfo(fixed + 8), nullptr, owner, *Style_);
    if (!node->IsHiddenRoot() && Tree_.TotalFolders == foldersBefore) Merged_ = true;  // it was there already
    // An empty path names the hidden root, which takes nothing.
    if (TFolderNodeData* folder = FolderData(node)) {
      PercentNodes_.push_back(node);
      // Top-level folders keep no percentage.
      if (!node->Parent()->IsHiddenRoot()) PercentNodes_.push_back(node->Parent());
      folder->TotalSize = GetLe64(fixed + 40);
      folder->TotalAllocated = GetLe64(fixed + 48);
      folder->OwnSize = GetLe64(fixed + 56);
      folder->OwnAllocated = GetLe64(fixed + 64);
      folder->FileCount = GetLe64(fixed + 72);
      folder->FolderCount = GetLe64(fixed + 80);
      folder->Complete = fixed[88] != 0;
      StoredFolderCounts_.emplace_back(node, folder->FolderCount);
    }
    for (int32_t i = 0; i < fileCount; ++i)
      if (!ReadFileRecord(node)) return false;
    return true;
  }

  bool ReadFileRecord(TFolderNode* folderNode) {
    const uint64_t start = Reader_.Position();
    unsigned char fixed[FileFixedSize];
    if (!ReadFixed(fixed, sizeof fixed, "file")) return false;
    if (!ReadString(GetLe32(fixed), start, PathBytes_) ||
        !ReadString(GetLe32(fixed + 4), start + 4, OwnerBytes_))
      return false;
    const std::string_view path = FromFileText(PathBytes_, PathText_);
    if (FolderPartLength(path, *Style_) == path.size())
      return Fail("the file path at byte " + std::to_string(start) + " has no name");
    const int64_t size = GetLe64(fixed + 8);
    if (size < 0) return Fail(Impossible("file size", size, start + 8));
    Tree_.AddFileNode(path, folderNode, size, DecodeInfo(fixed + 16), FromFileText(OwnerBytes_, OwnerText_),
                      *Style_);
    return true;
  }

  bool ReadFixed(unsigned char* fixed, size_t n, const char* kind) {
    const uint64_t start = Reader_.Position();
    if (Reader_.Left().value_or(n) >= n && Reader_.Read(fixed, n)) return true;
    if (Reader_.SystemError()) return Fail(Reader_.ErrorText());
    return Fail("the file ends inside a " + std::string(kind) + " record at byte " + std::to_string(start));
  }

  // Checked against the rest of the file before anything is allocated.
  bool ReadString(int32_t length, uint64_t lengthAt, std::string& bytes) {
    if (length < 0)
      return Fail("impossible string length " + std::to_string(length) + " at byte " +
                  std::to_string(lengthAt));
    if (Reader_.Left() && static_cast<uint64_t>(length) > *Reader_.Left())
      return Fail("the string length " + std::to_string(length) + " at byte " + std::to_string(lengthAt) +
                  " runs past the end of the file");
    // A stream of unknown length grows the string as its bytes arrive, so a
    // false length costs no more memory than the data that is there.
    constexpr size_t Step = size_t{1} << 20;
    bytes.clear();
    while (bytes.size() < static_cast<size_t>(length)) {
      const size_t have = bytes.size();
      bytes.resize(std::min(static_cast<size_t>(length), have + Step));
      if (!Reader_.Read(bytes.data() + have, bytes.size() - have)) {
        if (Reader_.SystemError()) return Fail(Reader_.ErrorText());
        return Fail("the file ends inside a string at byte " + std::to_string(Reader_.Position()));
      }
    }
    return true;
  }

  static std::string Impossible(const char* what, int64_t value, uint64_t at) {
    return "impossible " + std::string(what) + " " + std::to_string(value) + " at byte " + std::to_string(at);
  }

  bool Fail(const std::string& reason) {
    Error_ = TFileResult::Failure("Read error in \"" + Path_ + "\": " + reason);
    return false;
  }

  TSizeTree& Tree_;
  TResultReader Reader_;
  const std::string& Path_;
  TFileResult Error_;
  bool Finished_ = false;
  bool Merged_ = false;
  std::vector<std::pair<TFolderNode*, int64_t>> StoredFolderCounts_;
  std::vector<TFolderNode*> PercentNodes_;
  std::optional<TPathStyle> Style_;
  // Reused from record to record.
  std::string PathBytes_, OwnerBytes_, PathText_, OwnerText_;
};

}  // namespace

TFileResult WriteResultFile(const TSizeTree& tree, const std::string& path) {
  TOutputFile file;
  if (TFileResult opened = file.Open(path); !opened) return opened;
  TResultWriter writer(file);
  TOwnerTexts owners;
  TPathStyle style = tree.Style();

  // Depth-first pre-order without recursion: trees can be deeper than a stack.
  struct TFrame {
    const TFolderNode* Node;
    size_t NextChild;
    size_t ParentPathLength;
  };
  std::vector<TFrame> stack{{tree.Root(), 0, 0}};
  std::string nodePath;  // of the folder being written, with its trailing separator
  std::string filePath, scratch;
  while (!stack.empty() && !writer.Failed()) {
    TFrame& top = stack.back();
    if (top.NextChild >= top.Node->ChildCount()) {
      nodePath.resize(top.ParentPathLength);
      stack.pop_back();
      continue;
    }
    const TFolderNode* node = top.Node->Child(top.NextChild++);
    const TFolderNodeData& folder = *node->Data();
    // Each top-level folder tells the style of its subtree: imports of the
    // other platform are written back as they were read.
    if (top.Node->IsHiddenRoot()) style = NodeStyle(node);
    const size_t parentLength = nodePath.size();
    AppendComponent(nodePath, folder.Name.View(), style);
    // The folder's full path: its parent's path and its name, no separator.
    const std::string_view fullPath =
        std::string_view(nodePath).substr(0, parentLength + folder.Name.View().size());
    writer.PutFolder(folder, ToFileText(fullPath, scratch), owners.Get(folder.Owner()));
    for (const TFileNodeData* entry : folder.Files) {
      filePath.assign(nodePath).append(entry->Name.View());
      writer.PutFile(*entry, ToFileText(filePath, scratch), owners.Get(entry->Owner()));
    }
    stack.push_back({node, 0, parentLength});
  }
  return file.Close();
}

TFileResult ReadResultFile(TSizeTree& tree, const std::string& path) {
  TOpenedInput opened = OpenCompressedInput(path, ResultFileLimit);
  if (!opened.Input) return InputFailure(opened, path);
  return ReadResultFile(tree, *opened.Input, opened.PlainSize, path);
}

TFileResult ReadResultFile(TSizeTree& tree, IByteSource& source, std::optional<uint64_t> size,
                           const std::string& path) {
  // The content tells the format: ncdu's JSON starts with an array and its
  // version number, which no result file does (its first bytes are a length).
  TPeekedSource peeked(source);
  if (LooksLikeNcduJson(peeked.Head(), peeked.HeadSize())) {
    if (std::string error = ReadNcduJson(tree, peeked); !error.empty())
      return TFileResult::Failure("Read error in \"" + path + "\": " + error);
    return {};
  }
  TImporter importer(tree, peeked, size, path);
  return importer.Run();
}

TFileResult InputFailure(const TOpenedInput& opened, const std::string& path) {
  switch (opened.Fault) {
    case TInputFault::NotRegular:
      return TFileResult::Failure(InputFaultText(TInputFault::NotRegular, path, 0), IdNotRegularFile, path);
    case TInputFault::TooLarge:
      return TFileResult::Failure(InputFaultText(TInputFault::TooLarge, path, 0), IdFileTooLarge, path);
    default:
      return TFileResult::Failure("Cannot open file \"" + path + "\": " + ErrnoText(opened.Error));
  }
}

}  // namespace kv
