#include "export/NcduExport.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <vector>

#include "export/OutputFile.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {

namespace {

constexpr int64_t UnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
constexpr double UnixEpochDays = 25569;            // 1899-12-30 to 1970-01-01

class TJsonWriter {
 public:
  explicit TJsonWriter(TOutputFile& file) : File_(file) {}

  void Raw(std::string_view text) { File_.Put(text); }
  void Number(uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    File_.Put(digits, static_cast<size_t>(end - digits));
  }
  void Field(std::string_view key, uint64_t value) {
    Raw(",\"");
    Raw(key);
    Raw("\":");
    Number(value);
  }
  // Names go out as the bytes they are, as ncdu writes them; only what JSON
  // cannot hold raw is escaped.
  void String(std::string_view bytes) {
    Raw("\"");
    size_t plain = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F) continue;
      File_.Put(bytes.substr(plain, i - plain));
      plain = i + 1;
      switch (c) {
        case '"': Raw("\\\""); break;
        case '\\': Raw("\\\\"); break;
        case '\n': Raw("\\n"); break;
        case '\t': Raw("\\t"); break;
        case '\r': Raw("\\r"); break;
        default: {
          static const char hex[] = "0123456789abcdef";
          const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
          File_.Put(escaped, sizeof escaped);
        }
      }
    }
    File_.Put(bytes.substr(plain));
    Raw("\"");
  }

 private:
  TOutputFile& File_;
};

// The user number an imported owner carries ("unknown\1000").
bool UidOf(const std::string& owner, uint64_t& uid) {
  const size_t slash = owner.rfind('\\');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (start >= owner.size()) return false;
  const auto [end, ec] = std::from_chars(owner.data() + start, owner.data() + owner.size(), uid);
  return ec == std::errc() && end == owner.data() + owner.size();
}

// Local day-count date-times back to Unix seconds: a guess from the zone's
// offset now, corrected once by converting it back.
class TUnixTime {
 public:
  explicit TUnixTime(const TFileServices& services) : Services_(services) {}
  bool Get(double local, uint64_t& seconds) const {
    if (local <= 0 || !std::isfinite(local)) return false;
    double guess = (local - UnixEpochDays) * 86400.0;
    for (int i = 0; i < 2; ++i) {
      if (guess < 0 || guess > 1e12) return false;
      const auto t = static_cast<int64_t>(std::llround(guess));
      const double back = Services_.FileTimeToLocalDateTime((t + UnixEpochSeconds) * 10000000);
      guess = static_cast<double>(t) + (local - back) * 86400.0;
    }
    if (guess < 0 || guess > 1e12) return false;
    seconds = static_cast<uint64_t>(std::llround(guess));
    return true;
  }

 private:
  const TFileServices& Services_;
};

void PutInfo(TJsonWriter& out, const TBaseNodeData& item, const TUnixTime& times) {
  uint64_t uid = 0, mtime = 0;
  if (UidOf(item.Owner(), uid)) out.Field("uid", uid);
  if (times.Get(item.Info().Modified, mtime)) out.Field("mtime", mtime);
}

// The folder the file's root names.
const TFolderNode* ExportRoot(const TSizeTree& tree, std::string& error) {
  const TFolderNode* root = tree.Root();
  if (root->ChildCount() != 1) {
    error = root->ChildCount() == 0 ? "the tree is empty" : "ncdu JSON holds one root, and the tree has several top-level folders";
    return nullptr;
  }
  const TFolderNode* node = root->Child(0);
  // The folders above the scanned one hold nothing of their own. A folder
  // that was not entered stays below the root, where it can keep its mark.
  const auto entered = [](const TFolderNode* folder) {
    return (folder->Data()->Info().Marks & (imOtherFileSystem | imExcluded)) == 0;
  };
  while (node->ChildCount() == 1 && node->Data()->Files.Count() == 0 && node->Data()->Info().Marks == 0 &&
         entered(node->Child(0)))
    node = node->Child(0);
  return node;
}

}  // namespace

TFileResult WriteNcduJson(const TSizeTree& tree, const std::string& path) {
  std::string error;
  const TFolderNode* root = ExportRoot(tree, error);
  TOutputFile file;
  if (TFileResult opened = file.Open(path); !opened) return opened;
  if (!root) {
    file.Fail(error);
    return file.Close();
  }
  TJsonWriter out(file);
  const TUnixTime times(tree.Services());
  const THardLinks& links = tree.Links();
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch()).count();
  out.Raw("[1,2,{\"progname\":\"kestrove\",\"progver\":\"2.4\",\"timestamp\":");
  out.Number(static_cast<uint64_t>(now));
  out.Raw("},\n");

  const TPathStyle style = NodeStyle(root);
  std::string rootName = GetNodePath(root);
  if (rootName.size() > 1 && rootName.back() == PathSeparator(style) &&
      !(style == TPathStyle::Windows && rootName.size() == 3 && rootName[1] == ':'))
    rootName.pop_back();
  uint64_t rootDev = 0;

  // Depth-first without recursion: trees can be deeper than a stack.
  struct TFrame {
    const TFolderNode* Node;
    size_t NextChild;
    size_t ParentPathLength;
  };
  std::string nodePath = GetNodePath(root), filePath;
  std::vector<TFrame> stack;
  auto openFolder = [&](const TFolderNode* node, std::string_view name, size_t parentLength) {
    const TFolderNodeData& folder = *node->Data();
    const uint8_t marks = folder.Info().Marks;
    // The root itself is always written as a folder: the format has no other root.
    if (!stack.empty() && (marks & (imOtherFileSystem | imExcluded))) {
      // Not entered: ncdu writes such a folder as an entry without contents.
      out.Raw(",\n{\"name\":");
      out.String(name);
      out.Raw((marks & imExcluded) ? ",\"excluded\":\"pattern\"}" : ",\"excluded\":\"otherfs\"}");
      return;
    }
    out.Raw(stack.empty() ? "[{\"name\":" : ",\n[{\"name\":");
    out.String(name);
    out.Raw(",\"asize\":0,\"dsize\":0");
    if (stack.empty()) out.Field("dev", rootDev);
    PutInfo(out, folder, times);
    if (marks & imReadError) out.Raw(",\"read_error\":true");
    out.Raw("}");
    for (const TFileNodeData* entry : folder.Files) {
      out.Raw(",\n{\"name\":");
      out.String(entry->Name.View());
      int64_t size = entry->FileSize(), allocated = entry->AllocatedSize();
      const TFileKey* key = nullptr;
      if (links.Count() > 0) {
        filePath.assign(nodePath).append(entry->Name.View());
        key = links.KeyOf(filePath);
      }
      if (key && (entry->Info().Marks & imHardLink)) {
        // Every name carries the sizes: ncdu counts the file once by its inode.
        if (const TFileNodeData* carrier = links.CarrierOf(*key)) {
          size = carrier->FileSize();
          allocated = carrier->AllocatedSize();
        }
      }
      if (size > 0) out.Field("asize", static_cast<uint64_t>(size));
      if (allocated > 0) out.Field("dsize", static_cast<uint64_t>(allocated));
      PutInfo(out, *entry, times);
      if (entry->Info().System) out.Raw(",\"notreg\":true");
      if (key) {
        if (key->Device != rootDev) out.Field("dev", key->Device);
        out.Field("ino", key->FileId);
        out.Raw(",\"hlnkc\":true");
      }
      out.Raw("}");
    }
    stack.push_back({node, 0, parentLength});
  };
  openFolder(root, rootName, 0);
  while (!stack.empty() && !file.Failed()) {
    TFrame& top = stack.back();
    if (top.NextChild >= top.Node->ChildCount()) {
      nodePath.resize(top.ParentPathLength);
      stack.pop_back();
      out.Raw("]");
      continue;
    }
    const TFolderNode* node = top.Node->Child(top.NextChild++);
    const size_t parentLength = nodePath.size();
    AppendComponent(nodePath, node->Data()->Name.View(), style);
    const size_t depth = stack.size();
    openFolder(node, node->Data()->Name.View(), parentLength);
    if (stack.size() == depth) nodePath.resize(parentLength);  // written without contents
  }
  out.Raw("]\n");
  return file.Close();
}

}  // namespace kv
