#include "scan/NcduTree.h"

#include <memory>

#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {

namespace {
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t UnixEpochSeconds = 11644473600;
constexpr uint64_t TypeMask = 0170000, TypeFile = 0100000, TypeLink = 0120000;
}  // namespace

TNcduTreeBuilder::TNcduTreeBuilder(TSizeTree& tree) : Tree_(tree) {}

TNcduTreeBuilder::~TNcduTreeBuilder() { Finish(); }

std::string TNcduTreeBuilder::CheckName(const std::string& name) const {
  if (name.empty()) return "an entry without a name";
  if (name == "." || name == "..") return "an entry named \"" + name + "\"";
  const TPathStyle style = NodeStyle(Stack_.back().Node);
  if (name.find('\0') != std::string::npos || name.find(PathSeparator(style)) != std::string::npos)
    return "a name with a separator or NUL byte";
  return {};
}

const std::string& TNcduTreeBuilder::OwnerOf(const TNcduEntry& entry) {
  // The far machine's user numbers name no one here: they are shown as numbers.
  if (!entry.HasUid) {
    static const std::string unknown = TFileServices::UnknownOwner;
    return unknown;
  }
  if (entry.Uid != LastUid_) {
    LastUid_ = entry.Uid;
    OwnerText_ = "unknown\\" + std::to_string(entry.Uid);
  }
  return OwnerText_;
}

void TNcduTreeBuilder::FillInfo(const TNcduEntry& entry, bool folder, TItemInfo& info) const {
  info = TItemInfo{};
  if (entry.HasMtime && entry.Mtime < (uint64_t{1} << 40)) {
    const FileTime time = (static_cast<int64_t>(entry.Mtime) + UnixEpochSeconds) * 10000000;
    info.Modified = Tree_.Services().FileTimeToLocalDateTime(time);
  }
  info.Hidden = !entry.Name.empty() && entry.Name[0] == '.';
  if (entry.HasMode) {
    info.ReadOnly = (entry.Mode & 0200) == 0;
    const uint64_t type = entry.Mode & TypeMask;
    info.System = !folder && type != TypeFile && type != TypeLink && type != 0;
  } else {
    info.System = !folder && entry.NotRegular;
  }
  if (entry.ReadError) info.Marks |= imReadError;
}

std::string TNcduTreeBuilder::Folder(const TNcduEntry& entry) {
  if (Ended_) return "a second root";
  TItemInfo info;
  FillInfo(entry, true, info);
  TFolderNode* node;
  uint64_t dev = entry.Dev;
  if (Stack_.empty()) {
    if (entry.Name.empty()) return "a root without a path";
    // The root names its path in the far machine's style.
    const TPathStyle style = PathStyleOf(entry.Name, Tree_.Style());
    // "/a///" names the folder "/a/" names: taken whole, its ends would become
    // folders without names, and each export would lose one of them.
    std::string_view name = entry.Name;
    const char sep = PathSeparator(style);
    while (name.size() > 1 && name.back() == sep && name[name.size() - 2] == sep) name.remove_suffix(1);
    node = Tree_.GetFolderNode(name, info, nullptr, OwnerOf(entry), style);
    if (node->IsHiddenRoot()) return "a root without a path";
    RootNode_ = node;
    Path_ = GetNodePath(node);
    node->Data()->AddMarks(info.Marks);
    Stack_.push_back({node, 0, dev});
    return {};
  }
  if (std::string bad = CheckName(entry.Name); !bad.empty()) return bad;
  if (!entry.HasDev) dev = Stack_.back().Dev;
  node = Subfolder(entry);
  node->Data()->AddMarks(info.Marks);
  if (!entry.Excluded.empty()) node->Data()->AddMarks(entry.Excluded == "pattern" ? imExcluded : imOtherFileSystem);
  const size_t parentLength = Path_.size();
  AppendComponent(Path_, entry.Name, NodeStyle(node));
  Stack_.push_back({node, parentLength, dev});
  return {};
}

TFolderNode* TNcduTreeBuilder::Subfolder(const TNcduEntry& entry) {
  TFolderNode* parent = Stack_.back().Node;
  if (TFolderNode* there = Tree_.FindChild(parent, entry.Name)) return there;
  TItemInfo info;
  FillInfo(entry, true, info);
  Full_.assign(Path_).append(entry.Name);
  return Tree_.AddFolderNode(parent, entry.Name, Full_, info, OwnerOf(entry), NodeStyle(parent));
}

std::string TNcduTreeBuilder::File(const TNcduEntry& entry) {
  if (Stack_.empty()) return "an entry outside the root folder";
  if (std::string bad = CheckName(entry.Name); !bad.empty()) return bad;
  TFrame& frame = Stack_.back();
  if (!entry.Excluded.empty()) {
    // Shown as the scan shows a folder it did not enter: marked, without contents.
    TFolderNode* node = Subfolder(entry);
    const bool pattern = entry.Excluded == "pattern";
    node->Data()->AddMarks(pattern ? imExcluded : imOtherFileSystem);
    node->Data()->Complete = true;
    return {};
  }
  TFolderNodeData* folder = frame.Node->Data();
  TItemInfo info;
  FillInfo(entry, false, info);
  auto file = std::make_unique<TFileNodeData>(entry.Name, entry.ASize, entry.DSize, frame.Node, info,
                                              OwnerOf(entry));
  if (!folder->Files.Add(file.get())) return {};  // already there (a merge): counted once
  TFileNodeData& added = *file.release();
  if (entry.HardLink && entry.HasIno) {
    const uint64_t dev = entry.HasDev ? entry.Dev : frame.Dev;
    Tree_.Links().Place(added, Path_, TFileKey{dev, entry.Ino});
  }
  frame.Size = SatAdd(frame.Size, added.FileSize());
  frame.Allocated = SatAdd(frame.Allocated, added.AllocatedSize());
  ++frame.Count;
  ++Files_;
  return {};
}

void TNcduTreeBuilder::Close(TFrame& frame) {
  Tree_.AddSizesToFolder(frame.Node, frame.Size, frame.Allocated, frame.Count);
  frame.Size = frame.Allocated = frame.Count = 0;
  Tree_.UpdateChildPercents(frame.Node);
}

void TNcduTreeBuilder::EndFolder() {
  if (Stack_.empty()) return;
  TFrame& frame = Stack_.back();
  Close(frame);
  frame.Node->Data()->Complete = true;
  Path_.resize(frame.PathLength);
  Stack_.pop_back();
  if (Stack_.empty()) Ended_ = true;
}

void TNcduTreeBuilder::Finish() {
  if (Finished_) return;
  Finished_ = true;
  // Folders cut short keep what arrived and stay incomplete.
  for (auto it = Stack_.rbegin(); it != Stack_.rend(); ++it) Close(*it);
  Stack_.clear();
  if (RootNode_) {
    if (Ended_) Tree_.MarkComplete(RootNode_->Parent());
    Tree_.UpdateTreePercents(RootNode_->Parent());
  }
}

void TNcduTreeBuilder::Flush() {
  for (auto it = Stack_.rbegin(); it != Stack_.rend(); ++it) Close(*it);
}

std::string ReadNcduJson(TSizeTree& tree, IByteSource& source) {
  tree.BeginUpdate();
  std::string error;
  {
    TNcduTreeBuilder builder(tree);
    error = ParseNcduJson(source, builder);
    builder.Finish();
  }
  tree.EndUpdate();
  return error;
}

}  // namespace kv
