// A scan over SSH for the window: a worker thread reads the far side's stream
// and hands the entries to the UI thread in batches, where they are linked
// into the tree, so the tree grows as the scan goes.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/UiCallQueue.h"
#include "scan/SshScan.h"

namespace kv {

class TSizeTree;
class TNcduTreeBuilder;

class TSshScanJob {
 public:
  // UI thread: starts the worker. onEnd runs on the UI thread with the
  // failure (empty when everything arrived), unless the job was stopped.
  TSshScanJob(TSizeTree& tree, TUiCallQueue& queue, const TSshTarget& target, TSshMethod method,
              std::function<void(const std::string& error)> onEnd);
  ~TSshScanJob();
  TSshScanJob(const TSshScanJob&) = delete;
  TSshScanJob& operator=(const TSshScanJob&) = delete;

  // UI thread: ends the ssh process; nothing more reaches the tree.
  void Stop();
  bool Finished() const { return Finished_.load(); }
  const TSshTarget& Target() const { return Target_; }

 private:
  class TBatchSink;
  void Execute();

  TSizeTree& Tree_;
  TUiCallQueue& Queue_;
  TSshTarget Target_;
  TSshScan Scan_;
  std::function<void(const std::string&)> OnEnd_;
  std::unique_ptr<TNcduTreeBuilder> Builder_;  // UI thread only
  std::shared_ptr<TCallGroup> Calls_ = std::make_shared<TCallGroup>();
  std::atomic<bool> Finished_{false};
  std::thread Thread_;
};

}  // namespace kv
