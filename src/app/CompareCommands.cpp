#include "app/CompareCommands.h"

#include <chrono>
#include <cstdio>

#include "app/Option.h"
#include "export/BaselineFile.h"
#include "model/SizeTree.h"
#include "settings/TextIds.h"

namespace kv {

TCommandOutcome TCompareState::CompareWithFile(const TSizeTree& tree, const ILocale& locale, TFileCommandEnv& env) {
  std::string name;
  const std::string title = env.Translate ? env.Translate(IdCompareWithFile) : std::string(IdCompareWithFile);
  // Whatever the importer reads can be a baseline.
  if (!env.Dialog.OpenFileName(title, ImportFilter, name) || name.empty()) return TCommandOutcome::Cancelled;
  return CompareWith(name, tree, locale, env);
}

TCommandOutcome TCompareState::CompareWith(const std::string& file, const TSizeTree& tree, const ILocale& locale,
                                           TFileCommandEnv& env) {
  TFileResult result;
  {
    if (env.Busy) env.Busy(true);
    result = ReadBaselineFile(file, tree, locale, Baseline_);
    if (env.Busy) env.Busy(false);
  }
  if (result) return TCommandOutcome::Done;
  env.Dialog.ShowError(result.Message);
  return TCommandOutcome::Failed;
}

bool TCompareState::LastScanOf(const TFolderNode* node, THistoryEntry& entry) {
  for (; FolderData(node); node = node->Parent()) {
    const std::string root = GetNodePath(node);
    const auto written = Written_.find(root);
    for (const THistoryEntry& candidate : History_.List(root)) {
      if (written != Written_.end() && candidate.Path == written->second) continue;
      entry = candidate;
      return true;
    }
  }
  return false;
}

std::string TCompareState::KeepScan(const TSizeTree& tree, const std::string& root, const TOption& options) {
  TPendingEntry pending;
  std::string told;
  if (!BeginKeep(tree, root, options, pending, told)) return told;
  return Told(History_.Finish(pending));
}

bool TCompareState::BeginKeep(const TSizeTree& tree, const std::string& root, const TOption& options,
                              TPendingEntry& pending, std::string& told) {
  told.clear();
  if (!options.KeepHistory || History_.Folder().empty()) return false;
  const TFolderNodeData* data = FolderData(tree.FindFolderNode(root));
  const TFileResult result =
      History_.Begin(tree, root, data ? data->TotalSize : 0, HistoryTimeNow(), options.HistoryEntries, pending);
  if (!result) {
    told = Told(result);
    return false;
  }
  Written_[root] = pending.Target;
  return true;
}

std::string TCompareState::Told(const TFileResult& result) {
  if (result || FailureTold_) return {};
  FailureTold_ = true;
  return result.Message;
}

std::string HistoryTimeNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date(day);
  const hh_mm_ss<seconds> time(now - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02u%02uT%02d%02d%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace kv
