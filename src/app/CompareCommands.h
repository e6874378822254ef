// What the window compares the tree with: the baseline read from a result
// file or from the history, and the history written after each finished scan.
#pragma once

#include <map>
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
  // that has one; false when none has. The entry written from the tree shown
  // now is passed over: the last scan is the one before.
  bool LastScanOf(const TFolderNode* node, THistoryEntry& entry);
  void Clear() { Baseline_.Clear(); }
  // After a scan or an import: what is gone follows the tree as it is now
  // (see TChangeBaseline::Settle); false without a baseline.
  bool Settle(const TSizeTree& tree) { return Active() && (Baseline_.Settle(tree), true); }
  // Before a removal from the list: see TChangeBaseline::MarkGone.
  void ItemsLeaving(const TFolderNode* folder, const TFileNodeData* file = nullptr) {
    Baseline_.MarkGone(folder, file);
  }

  // After a finished scan of root: a new history entry when the options keep
  // one. Empty when written or not wanted; else the message of the first
  // failure since the start, once: later failures return empty too.
  std::string KeepScan(const TSizeTree& tree, const std::string& root, const TOption& options);
  // KeepScan in two parts, so that compressing runs off the UI thread. The
  // first (UI thread) writes the tree out; false when no entry is wanted or
  // that failed, `told` then as KeepScan returns it. The caller runs
  // History().Finish(pending) anywhere and hands its result to Told.
  bool BeginKeep(const TSizeTree& tree, const std::string& root, const TOption& options, TPendingEntry& pending,
                 std::string& told);
  std::string Told(const TFileResult& result);

 private:
  TChangeBaseline Baseline_;
  TScanHistory History_;
  bool FailureTold_ = false;
  // Per root, the entry written after its last scan in this session.
  std::map<std::string, std::string> Written_;
};

// Now in UTC as "20261210T181500": names sort by time.
std::string HistoryTimeNow();

}  // namespace kv
