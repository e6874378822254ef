// Builds the size tree from ncdu entries (an ncdu or gdu JSON file, or a scan
// over SSH), counting as a scan does: files once per name, a file with several
// names once, folders' own entry sizes left out (ncdu counts the folder's own
// block, gdu writes its totals there; a scan counts neither).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scan/NcduJson.h"

namespace kv {

class TFolderNode;
class TSizeTree;

class TNcduTreeBuilder final : public INcduSink {
 public:
  // The caller holds the tree in a bulk update while entries arrive.
  explicit TNcduTreeBuilder(TSizeTree& tree);
  ~TNcduTreeBuilder() override;
  TNcduTreeBuilder(const TNcduTreeBuilder&) = delete;
  TNcduTreeBuilder& operator=(const TNcduTreeBuilder&) = delete;

  std::string Folder(const TNcduEntry& entry) override;
  std::string File(const TNcduEntry& entry) override;
  void EndFolder() override;

  // Counts what arrived. Folders still open (the stream ended early) stay
  // incomplete. Called by the destructor when not before.
  void Finish();
  // Adds what the open folders have received so far to the totals, so a
  // stream shows its progress before its folders end.
  void Flush();
  // The folder the stream's root entry named, once it arrived.
  TFolderNode* RootNode() const { return RootNode_; }
  // Files counted so far, for progress.
  int64_t Files() const { return Files_; }

 private:
  struct TFrame {
    TFolderNode* Node;
    size_t PathLength;  // of the parent's path
    uint64_t Dev;
    int64_t Size = 0, Allocated = 0, Count = 0;
  };
  std::string CheckName(const std::string& name) const;
  TFolderNode* Subfolder(const TNcduEntry& entry);
  void Close(TFrame& frame);
  const std::string& OwnerOf(const TNcduEntry& entry);
  void FillInfo(const TNcduEntry& entry, bool folder, struct TItemInfo& info) const;

  TSizeTree& Tree_;
  std::vector<TFrame> Stack_;
  std::string Path_;  // of the open folder, with its trailing separator
  TFolderNode* RootNode_ = nullptr;
  bool Finished_ = false;
  bool Ended_ = false;  // the root folder closed
  int64_t Files_ = 0;
  uint64_t LastUid_ = UINT64_MAX;
  std::string OwnerText_;
  std::string Full_;
};

// Reads an ncdu JSON stream into the tree; the failure names the stream and
// tells the byte and the reason. What was read before a failure stays.
std::string ReadNcduJson(TSizeTree& tree, IByteSource& source);

}  // namespace kv
