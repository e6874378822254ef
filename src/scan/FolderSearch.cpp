#include "scan/FolderSearch.h"

#include <algorithm>

#include "scan/FileServices.h"
#include "scan/Saturate.h"
#include "scan/SizeTree.h"

namespace kv {

namespace {

// More entries than this since the last hand-over make the next folder
// boundary a hand-over.
constexpr int64_t HandOverEntries = 2050;

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

// ---- TFolderSearch ----

TFolderSearch::TFolderSearch(TScanEngine& engine, std::string rootPath)
    : Engine_(engine),
      RootPath_(engine.Services().IncludeTrailingSeparator(rootPath)),
      Filter_(std::make_unique<TFilter>(engine.Settings(), engine.Locale())),
      Calls_(std::make_shared<TCallGroup>()) {
  Thread_ = std::thread([this] { Execute(); });
}

TFolderSearch::~TFolderSearch() {
  RequestStop();
  Engine_.Queue().Cancel(Calls_);
  Join();
}

void TFolderSearch::RequestStop() { StopRequested_ = true; }

void TFolderSearch::Join() {
  if (Thread_.joinable()) Thread_.join();
}

const std::string* TFolderSearch::OwnerOf(const std::string& folderPath, const TDirEntry& entry) {
  TFileServices& services = Engine_.Services();
  if (entry.Owner.Empty()) return InternOwner(services.GetFileOwner(folderPath + entry.Name));
  // The listing told the owner already (POSIX): no security query needed.
  if (LastOwner_ && entry.Owner.Bytes == LastSid_) return LastOwner_;
  LastSid_ = entry.Owner.Bytes;
  LastOwner_ = InternOwner(services.OwnerText(entry.Owner));
  return LastOwner_;
}

// A hand-over is queued and the walk goes on reading while the UI thread
// applies it; the next hand-over first waits for it. The hand-over points and
// what reaches the tree are the same as when waiting at once, but reading the
// disk and building the tree overlap.
bool TFolderSearch::HandOver() {
  if (!WaitForHandOver()) return false;
  if (Pending_.empty()) return !StopRequested_;
  InFlight_.swap(Pending_);
  Ticket_ = Engine_.Queue().Post(Calls_, [this] { Engine_.FlushPending(InFlight_, *this); });
  return true;
}

bool TFolderSearch::WaitForHandOver() {
  if (!Ticket_) return true;
  const auto ticket = std::move(Ticket_);
  Ticket_.reset();
  struct TRelease {
    std::vector<std::unique_ptr<TListGlobalItem>>& Batches;
    ~TRelease() { Batches.clear(); }  // dropped hand-overs are freed here
  } release{InFlight_};
  return Engine_.Queue().Wait(ticket);
}

void TFolderSearch::Execute() {
  bool ended = true;
  try {
    Walk();
  } catch (const EMaskError& e) {
    // The filter cannot be applied: the scan ends with what was applied so far.
    Engine_.Queue().Call(Calls_, [this, error = e] {
      if (Engine_.OnScanError) Engine_.OnScanError(RootPath_, error);
    });
  } catch (const std::exception&) {
    ended = !StopRequested_;
  }
  try {
    WaitForHandOver();  // the UI thread may still be applying the last one
  } catch (const std::exception&) {
  }
  Pending_.clear();
  if (ended) Engine_.Queue().Call(Calls_, [this] { Engine_.ScanFinished(*this); });
  // The thread cannot join itself: the UI thread does, once this thread has
  // nothing left to do but return. Nobody waits for the call; it captures
  // only the engine, which cancels such calls before it goes.
  TScanEngine& engine = Engine_;
  const std::shared_ptr<TCallGroup> reaps = engine.ReapCalls_;
  Finished_ = true;
  engine.Queue().Post(reaps, [&engine] { engine.ReapFinished(); });
}

void TFolderSearch::Walk() {
  struct TQueued {
    std::string Path;  // folder path with trailing separator
    TDirEntry Record;  // the folder's own entry; empty name for the root
  };
  IFileSystem& fileSystem = *Engine_.Services().Platform().FileSystem;
  fileSystem.PrepareScanThread();
  const char sep = PathSeparator(Engine_.Services().Style());

  std::vector<TQueued> level{{RootPath_, {}}};
  std::vector<TQueued> next;
  int64_t counter = 0;
  bool firstBatch = true;

  while (!level.empty()) {
    for (TQueued& folder : level) {
      if (StopRequested_) return;
      auto batch = std::make_unique<TListGlobalItem>();
      batch->Path = std::move(folder.Path);
      batch->SearchRec = std::move(folder.Record);
      if (auto listing = fileSystem.OpenDirectory(batch->Path)) {
        TDirEntry entry;
        while (listing->Next(entry)) {
          // An entry without a name is no entry; "." and ".." are only counted.
          if (!entry.Name.empty() && !IsDotEntry(entry.Name)) {
            const std::string* owner = OwnerOf(batch->Path, entry);
            if (entry.IsDirectory() && !(entry.Attr & faReparsePoint))
              next.push_back({batch->Path + entry.Name + sep, entry});
            batch->Entries.push_back({std::move(entry), owner});
          }
          if (StopRequested_) return;
          ++counter;
        }
      }
      Pending_.push_back(std::move(batch));
      if (firstBatch || counter > HandOverEntries) {
        if (!HandOver()) return;
        firstBatch = false;
        counter = 0;
      }
    }
    level.swap(next);
    next.clear();
  }
  if (HandOver()) WaitForHandOver();
}

// ---- TScanEngine ----

TScanEngine::TScanEngine(TSizeTree& tree, TUiCallQueue& queue, ISettingsStore& settings,
                         const ILocale& locale)
    : Tree_(tree), Queue_(queue), Settings_(settings), Locale_(locale) {}

TScanEngine::~TScanEngine() {
  StopScans();
  Stopping_.clear();  // joins: each stopped thread ends after its current entry
  // Every thread has ended: no reap call comes any more, and none queued may run.
  Queue_.Cancel(ReapCalls_);
}

TFileServices& TScanEngine::Services() const { return Tree_.Services(); }

bool TScanEngine::StartScan(const std::string& path) {
  TFileServices& services = Services();
  // A folder of the other platform (from a result file) names nothing here.
  if (PathStyleOf(path, services.Style()) != services.Style()) return false;
  const char sep = PathSeparator(services.Style());
  const std::string wanted = services.ExcludeTrailingSeparator(path);
  for (const std::string& root : ScanRoots_) {
    // Refused only inside the root on a component boundary: a scan of
    // C:\Data refuses C:\Data\x but not C:\Database.
    const std::string running = services.ExcludeTrailingSeparator(root);
    if (wanted == running ||
        (wanted.size() > running.size() && wanted.compare(0, running.size(), running) == 0 &&
         wanted[running.size()] == sep))
      return false;
  }
  ScanRoots_.push_back(path);
  ++ActiveScans_;
  Scanners_.push_back(std::make_unique<TFolderSearch>(*this, path));
  return true;
}

void TScanEngine::StopScans() {
  ActiveScans_ = 0;
  for (auto& scanner : Scanners_) {
    if (!scanner->Finished()) {
      scanner->RequestStop();
      Queue_.Cancel(scanner->Calls_);
    }
    Stopping_.push_back(std::move(scanner));
  }
  Scanners_.clear();
  ScanRoots_.clear();
  ReapStopped();
}

void TScanEngine::ReapStopped() {
  std::erase_if(Stopping_, [](const auto& scanner) { return scanner->Finished(); });
}

void TScanEngine::ReapFinished() {
  // A finished scanner's thread has only its return left: joining is at once.
  std::erase_if(Scanners_, [](const auto& scanner) { return scanner->Finished(); });
  ReapStopped();
}

void TScanEngine::FlushPending(std::vector<std::unique_ptr<TListGlobalItem>>& batches,
                               TFolderSearch& scanner) {
  if (batches.empty()) return;
  if (OnHandOver) OnHandOver(batches.size());
  struct TUpdate {
    std::vector<std::unique_ptr<TListGlobalItem>>& Batches;
    TSizeTree& Tree;
    ~TUpdate() {
      Batches.clear();
      Tree.EndUpdate();
    }
  } update{batches, Tree_};
  Tree_.BeginUpdate();
  for (auto& batch : batches) ApplyBatch(scanner, batch->SearchRec, batch->Path, batch->Entries);
}

void TScanEngine::ApplyBatch(TFolderSearch& scanner, const TDirEntry& folderRecord,
                             const std::string& path, std::vector<TMySearchRec>& batch) {
  TFileServices& services = Services();
  int64_t size = 0, allocated = 0, count = 0;
  bool hasSubfolders = false;

  TItemInfo folderInfo;
  if (!folderRecord.Name.empty())
    folderInfo = services.ItemInfoFromSearchRec(folderRecord);
  else
    services.ItemInfoFromPath(path, folderInfo);
  TFolderNode* folder = Tree_.GetFolderNode(path, folderInfo, nullptr, {});

  // What was recorded is always counted, also when a malformed mask stops the batch.
  struct TSums {
    TSizeTree& Tree;
    TFolderNode* Folder;
    int64_t& Size;
    int64_t& Allocated;
    int64_t& Count;
    bool Applied = false;
    ~TSums() {
      if (!Applied) Tree.AddSizesToFolder(Folder, Size, Allocated, Count);
    }
  } sums{Tree_, folder, size, allocated, count};

  const TFilter& filter = *scanner.Filter_;
  TFolderNodeData* folderData = folder->Data();
  std::string full;
  for (TMySearchRec& rec : batch) {
    const TDirEntry& entry = rec.SearchRec;
    full.assign(path).append(entry.Name);
    const std::string_view owner = rec.Owner ? std::string_view(*rec.Owner) : std::string_view();
    if (entry.IsDirectory()) {
      TFolderNode* sub = Tree_.GetFolderNode(full, services.ItemInfoFromSearchRec(entry), folder, owner);
      if (entry.Attr & faReparsePoint) {
        // Shown but never read: nothing below it will ever arrive.
        sub->Data()->Complete = true;
      } else {
        hasSubfolders = true;
      }
      continue;
    }
    if (!filter.Accepts(entry.Name, entry.Size, owner)) continue;
    if (Tree_.AddFileNode(full, folder, entry.Size, services.ItemInfoFromSearchRec(entry), owner)) {
      size = SatAdd(size, entry.Size);
      allocated = SatAdd(allocated, folderData->Files[folderData->Files.Count() - 1]->AllocatedSize);  // just computed
      ++count;
    }
  }
  sums.Applied = true;
  Tree_.AddSizesToFolder(folder, size, allocated, count);
  Tree_.UpdateTreePercents(folder);
  if (!hasSubfolders) {
    folder->Data()->Complete = true;
    Tree_.MarkComplete(folder->Parent());
  }
}

void TScanEngine::ScanFinished(TFolderSearch& scanner) {
  if (ActiveScans_ > 0) --ActiveScans_;
  scanner.Filter_.reset();
  scanner.Pending_.clear();
}

void TScanEngine::RefreshScanStatus() {
  ReapFinished();
  ProgressVisible_ = !Scanners_.empty() && ActiveScans_ > 0;
  if (OnUpdateCounters) OnUpdateCounters();
  if (!ProgressVisible_) {
    ScanRoots_.clear();
    if (OnRepaintTree) OnRepaintTree();
  }
  if (OnUpdateCommandState) OnUpdateCommandState();
}

void TScanEngine::StepProgress() {
  if (ProgressPosition_ >= 100)
    ProgressPosition_ = 0;
  else
    ProgressPosition_ += 10;
}

// ---- TSearchProgress ----

TSearchProgress::TSearchProgress(TScanEngine& engine, std::chrono::milliseconds interval)
    : Engine_(engine), Interval_(interval) {
  Thread_ = std::thread([this] { Execute(); });
}

TSearchProgress::~TSearchProgress() {
  {
    std::lock_guard guard(Lock_);
    Stop_ = true;
  }
  Wake_.notify_all();
  Engine_.Queue().Cancel(Calls_);
  Thread_.join();
}

void TSearchProgress::Execute() {
  TUiCallQueue& queue = Engine_.Queue();
  for (;;) {
    if (!queue.Call(Calls_, [this] { Engine_.RefreshScanStatus(); })) return;
    if (!queue.Call(Calls_, [this] { Engine_.StepProgress(); })) return;
    std::unique_lock guard(Lock_);
    if (Wake_.wait_for(guard, Interval_, [this] { return Stop_; })) return;
  }
}

}  // namespace kv
