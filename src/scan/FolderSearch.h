// Scanning: each scan reads its folder tree with a few reader threads that
// take folders from one shared work list, and hands batches of prepared
// entries to the UI thread, where they are filtered and linked into the size
// tree.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "scan/ItemFilter.h"
#include "model/HardLinks.h"
#include "model/NodeData.h"
#include "platform/UiCallQueue.h"

namespace kv {

class TFileServices;
class TScanEngine;
class TSizeTree;

// A subfolder entry of a batch, with its times and owner already worked out.
struct TSubfolderRec {
  std::string Name;
  TItemInfo Info;  // its marks say when it is not read (another file system)
  uint32_t Attr = 0;
  const std::string* Owner = nullptr;  // interned owner text
};

// One entry of a batch, prepared by the reader: a file as the very record
// the tree keeps (its folder and allocated size are filled in when linked),
// or else a subfolder of the batch.
struct TMySearchRec {
  std::unique_ptr<TFileNodeData> File;
  uint32_t Subfolder = 0;  // index into TListGlobalItem::Subfolders when File is null
  bool SeveralNames = false;  // a file with more than one link: Key tells which file it is
  TFileKey Key;
};

// The entries of one folder, in listing order.
struct TListGlobalItem {
  TDirEntry SearchRec;  // the folder's own entry as its parent listed it; empty for the root
  std::string Path;     // with a trailing separator
  std::vector<TMySearchRec> Entries;
  std::vector<TSubfolderRec> Subfolders;
  std::string ReadError;  // why the folder could not be listed; empty when it was
};

// A folder a scan could not list, and the system's reason.
struct TReadError {
  std::string Path;
  std::string Reason;
};

// Readers per scan: the hardware threads, at least 2, at most 8.
int DefaultReaderCount();

// Windows marks junctions and directory links with this bit; they are shown
// but never followed.
constexpr uint32_t faReparsePoint = 0x400;

// One scan: a worker thread and what it has read but not yet handed over.
class TFolderSearch {
 public:
  // UI thread: loads the stored filter and starts the threads.
  TFolderSearch(TScanEngine& engine, std::string rootPath, int readers);
  ~TFolderSearch();
  TFolderSearch(const TFolderSearch&) = delete;
  TFolderSearch& operator=(const TFolderSearch&) = delete;

  const std::string& RootPath() const { return RootPath_; }
  bool Finished() const { return Finished_.load(); }
  const TFilter& Filter() const { return *Filter_; }

 private:
  friend class TScanEngine;
  // A folder waiting in the work list.
  struct TQueued {
    std::string Path;  // folder path with trailing separator
    TDirEntry Record;  // the folder's own entry; empty name for the root
  };
  struct TReader;

  void Execute();
  void ReadLoop();
  std::unique_ptr<TListGlobalItem> ReadFolder(TQueued& folder, TReader& reader,
                                              std::vector<TQueued>& subfolders);
  // Posts the taken hand-overs in order; false when the scan was stopped.
  bool HandOver();
  void TakePending();
  bool WaitForHandOver();
  const std::string* OwnerOf(TReader& reader, const std::string& folderPath, const TDirEntry& entry);
  bool Halted() const { return StopRequested_.load() || Aborted_.load(); }
  void Halt(std::atomic<bool>& flag);
  void RequestStop() { Halt(StopRequested_); }
  void Join();

  TScanEngine& Engine_;
  std::string RootPath_;
  int ReaderCount_;
  std::unique_ptr<TFilter> Filter_;
  bool CountLinksOnce_;
  bool OneFileSystem_;
  uint64_t RootDevice_ = 0;  // set before the readers start

  // The work list and what was read but not handed over, under WorkLock_. A
  // folder's batch enters Pending_ before its subfolders enter the work list,
  // so a batch is always applied after its parent's.
  std::mutex WorkLock_;
  std::condition_variable WorkReady_;
  std::deque<TQueued> Work_;
  int Busy_ = 0;  // readers listing a folder
  bool FirstBatch_ = true;
  std::vector<std::unique_ptr<TListGlobalItem>> Pending_;
  int64_t PendingEntries_ = 0;  // entries listed by the scan since the last hand-over
  // Hand-overs taken but not yet posted, in the order they were taken.
  std::deque<std::vector<std::unique_ptr<TListGlobalItem>>> Ready_;
  std::exception_ptr Error_;

  // One hand-over at a time: handed over and being applied on the UI thread
  // while the readers read on.
  std::mutex HandOverLock_;
  std::vector<std::unique_ptr<TListGlobalItem>> InFlight_;
  std::shared_ptr<TUiCallQueue::TTicket> Ticket_;

  std::shared_ptr<TCallGroup> Calls_;
  std::atomic<bool> StopRequested_{false};
  std::atomic<bool> Aborted_{false};  // a reader failed: the others end too
  std::atomic<bool> Finished_{false};
  std::thread Thread_;
};

// The scan state of the main window and its scan operations. UI thread only,
// apart from what TFolderSearch hands over through the queue.
class TScanEngine {
 public:
  TScanEngine(TSizeTree& tree, TUiCallQueue& queue, ISettingsStore& settings, const ILocale& locale);
  ~TScanEngine();
  TScanEngine(const TScanEngine&) = delete;
  TScanEngine& operator=(const TScanEngine&) = delete;

  // Starts a scan unless the path lies inside a running scan's root (on a
  // component boundary) or is written in the other platform's style; false
  // when refused.
  bool StartScan(const std::string& path);
  // Ends every running scan at once: nothing they read but did not hand over
  // reaches the tree, and their ends do not count down ActiveScans.
  void StopScans();

  // The two steps of the status refresh, every 300 ms.
  void RefreshScanStatus();
  void StepProgress();

  // Reader threads of the scans started from now on.
  void SetReaderCount(int readers) { ReaderCount_ = readers < 1 ? 1 : readers; }
  int ReaderCount() const { return ReaderCount_; }
  // Scans started from now on count each file with several names once (the
  // default), or every name as a file of its own.
  void SetCountLinksOnce(bool once) { CountLinksOnce_ = once; }
  bool CountLinksOnce() const { return CountLinksOnce_; }
  // Scans started from now on stay on their root's file system even where the
  // stored filter does not ask it.
  void SetOneFileSystem(bool one) { OneFileSystem_ = one; }

  // The folders the scans since the last ClearReadErrors could not list.
  const std::vector<TReadError>& ReadErrors() const { return ReadErrors_; }
  // Why a folder (path without trailing separator) could not be listed; empty when it could.
  std::string ReadErrorOf(const std::string& path) const;
  void ClearReadErrors() { ReadErrors_.clear(); }

  int32_t ActiveScans() const { return ActiveScans_; }
  const std::vector<std::string>& ScanRoots() const { return ScanRoots_; }
  // Scanners whose threads have not been released yet: a scanner is joined
  // and freed on the UI thread soon after it ends.
  size_t ScannerCount() const { return Scanners_.size() + Stopping_.size(); }
  bool ProgressVisible() const { return ProgressVisible_; }
  int ProgressPosition() const { return ProgressPosition_; }

  TSizeTree& Tree() const { return Tree_; }
  TFileServices& Services() const;
  TUiCallQueue& Queue() const { return Queue_; }
  ISettingsStore& Settings() const { return Settings_; }
  const ILocale& Locale() const { return Locale_; }

  // Hooks for the window (all called on the UI thread).
  std::function<void()> OnUpdateCounters;
  std::function<void()> OnUpdateCommandState;
  std::function<void()> OnRepaintTree;
  // A scan ended early because its filter has a malformed mask.
  std::function<void(const std::string& root, const EMaskError& error)> OnScanError;
  // A scan ran to its end (not stopped), with its root.
  std::function<void(const std::string& root)> OnScanFinished;
  // Every hand-over, with the number of batches it applies.
  std::function<void(size_t batches)> OnHandOver;

 private:
  friend class TFolderSearch;
  void FlushPending(std::vector<std::unique_ptr<TListGlobalItem>>& batches, TFolderSearch& scanner);
  void ApplyBatch(TFolderSearch& scanner, TListGlobalItem& batch);
  void ScanFinished(TFolderSearch& scanner);
  void ReapStopped();
  // Joins and frees every scanner whose thread has ended.
  void ReapFinished();

  TSizeTree& Tree_;
  TUiCallQueue& Queue_;
  ISettingsStore& Settings_;
  const ILocale& Locale_;

  // Scanners started since the last stop and not yet released.
  std::vector<std::unique_ptr<TFolderSearch>> Scanners_;
  // Stopped scanners whose threads may still be finishing their last entry.
  std::vector<std::unique_ptr<TFolderSearch>> Stopping_;
  std::vector<std::string> ScanRoots_;
  int32_t ActiveScans_ = 0;
  int ReaderCount_ = DefaultReaderCount();
  bool CountLinksOnce_ = true;
  bool OneFileSystem_ = false;
  std::vector<TReadError> ReadErrors_;
  // The calls by which ending threads have the UI thread release them.
  std::shared_ptr<TCallGroup> ReapCalls_ = std::make_shared<TCallGroup>();
  bool ProgressVisible_ = false;
  int ProgressPosition_ = 0;
};

// The status ticker: has the UI thread refresh the scan status every 300 ms
// from creation to destruction.
class TSearchProgress {
 public:
  TSearchProgress(TScanEngine& engine, std::chrono::milliseconds interval = std::chrono::milliseconds(300));
  ~TSearchProgress();
  TSearchProgress(const TSearchProgress&) = delete;
  TSearchProgress& operator=(const TSearchProgress&) = delete;

 private:
  void Execute();

  TScanEngine& Engine_;
  std::chrono::milliseconds Interval_;
  std::shared_ptr<TCallGroup> Calls_ = std::make_shared<TCallGroup>();
  std::mutex Lock_;
  std::condition_variable Wake_;
  bool Stop_ = false;
  std::thread Thread_;
};

}  // namespace kv
