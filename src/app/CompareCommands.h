// What the window compares the tree with: the baseline read from a result
// file or from the history, and the history written after each finished scan.
#pragma once

#include <string>

#include "app/ExportCommands.h"
#include "app/ScanHistory.h"
#include "reports/ChangeBaseline.h"

namespace kv {

class ILocale;
class TOption;

class TCompareState {
 public:
  explicit TCompareState(std::string historyFolder) : History_(std::move(historyFolder)) {}

  const TChangeBaseline& Baseline() const { return Baseline_; }
  bool Active() const { return !Baseline_.SourceFile.empty(); }
  TScanHistory& History() { return History_; }

  // The open dialog, then the file read as the baseline. A file that cannot be
  // read shows the reader's message and keeps the baseline there was.
  TCommandOutcome CompareWithFile(const TSizeTree& tree, const ILocale& locale, TFileCommandEnv& env);
  // A given file (a history entry), read the same way.
  TCommandOutcome CompareWith(const std::string& file, const TSizeTree& tree, const ILocale& locale,
                              TFileCommandEnv& env);
  // The newest history entry of the folder or of the nearest folder above it
  // that has one; false when none has.
  bool LastScanOf(const TFolderNode* node, THistoryEntry& entry);
  void Clear() { Baseline_.Clear(); }

  // After a finished scan of root: a new history entry when the options keep
  // one. Empty when written or not wanted; else the message of the first
  // failure since the start, once: later failures return empty too.
  std::string KeepScan(const TSizeTree& tree, const std::string& root, const TOption& options);

 private:
  TChangeBaseline Baseline_;
  TScanHistory History_;
  bool FailureTold_ = false;
};

// Now in UTC as "20261210T181500": names sort by time.
std::string HistoryTimeNow();

}  // namespace kv
