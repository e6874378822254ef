// The history of scans: each finished scan's result file, compressed, in the
// user's data folder, a few per scanned root. Named by root, time and total,
// so the list needs no file opened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/FileResult.h"
#include "platform/Platform.h"

namespace kv {

class TSizeTree;

// A new entry half made: the tree written out as a plain result file beside
// the entry's place, still to be compressed into it.
struct TPendingEntry {
  std::string Root;
  std::string Plain;   // written, removed by Finish
  std::string Target;  // the entry's file
  int Keep = 5;
};

struct THistoryEntry {
  std::string Path;   // the compressed file
  std::string Root;   // the scanned folder
  std::string Time;   // "20261210T181500", the scan's end in UTC; "~002" on for a later one in that second
  int64_t Total = 0;  // the scan's total file size
  int64_t OnDisk = 0; // the space the entry takes
};

// $XDG_DATA_HOME/kestrove/history (default ~/.local/share) on Linux,
// %LOCALAPPDATA%\Varnholt\Kestrove\History on Windows; empty when neither is known.
std::string DefaultHistoryFolder();

// An entry's time ("20261210T181500", UTC, perhaps with "~002") as a file
// time; 0 for any other text.
FileTime HistoryFileTime(const std::string& time);

class TScanHistory {
 public:
  explicit TScanHistory(std::string folder) : Folder_(std::move(folder)) {}
  const std::string& Folder() const { return Folder_; }

  // Every entry, newest first; of one root only when `root` is not empty.
  std::vector<THistoryEntry> List(const std::string& root = {}) const;
  // The newest entry of the root, if any.
  const THistoryEntry* Newest(const std::vector<THistoryEntry>& entries) const {
    return entries.empty() ? nullptr : &entries.front();
  }

  // Writes the tree as a new entry of `root`, then drops that root's oldest
  // entries beyond `keep`. A failure costs only the new entry.
  TFileResult Add(const TSizeTree& tree, const std::string& root, int64_t total, const std::string& time,
                  int keep);
  // Add in two parts. Begin reads the tree (UI thread): the plain result
  // file. Finish touches no tree and may run on a worker: compresses, removes
  // the plain file and drops the root's oldest entries. A failure of either
  // costs only the new entry.
  TFileResult Begin(const TSizeTree& tree, const std::string& root, int64_t total, const std::string& time,
                    int keep, TPendingEntry& pending);
  TFileResult Finish(const TPendingEntry& pending) const;
  bool Remove(const THistoryEntry& entry) const;
  // The entry a file of this history stands for; false for any other file.
  bool EntryOf(const std::string& path, THistoryEntry& entry) const;

  // The file name part that stands for a root: bytes outside letters, digits,
  // '.', '-' and '_' as %XX, so that any root gives a valid name everywhere.
  static std::string EncodeRoot(const std::string& root);
  static std::string DecodeRoot(const std::string& text);

 private:
  std::string UnusedTime(const std::string& root, const std::string& time) const;
  std::string Folder_;
};

}  // namespace kv
