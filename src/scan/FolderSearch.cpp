#include "scan/FolderSearch.h"

#include <algorithm>
#include <system_error>

#include "model/FileServices.h"
#include "model/Saturate.h"
#include "model/SizeTree.h"

namespace kv {

namespace {

// More entries than this read by the scan since the last hand-over make the
// next folder boundary a hand-over.
constexpr int64_t HandOverEntries = 2050;
// A huge folder does not make every later batch as large.
constexpr size_t MaxEntriesHint = 4096;

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

// ---- TFolderSearch ----

int DefaultReaderCount() {
  const unsigned threads = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(threads, 2u, 8u));
}

// What one reader thread keeps for itself.
struct TFolderSearch::TReader {
  TDirEntry Entry;  // reused, so its name keeps its capacity
  // Owner texts by SID bytes, so most entries need no shared look-up.
  std::string LastSid;
  const std::string* LastOwner = nullptr;
  // Entries listed in the folder being read, "." and ".." included.
  int64_t Listed = 0;
  // Room for the next folder's entries: a tree's folders are mostly alike.
  size_t LastEntries = 16;
};

TFolderSearch::TFolderSearch(TScanEngine& engine, std::string rootPath, int readers)
    : Engine_(engine),
      RootPath_(engine.Services().IncludeTrailingSeparator(rootPath)),
      ReaderCount_(std::max(readers, 1)),
      Filter_(std::make_unique<TFilter>(engine.Settings(), engine.Locale())),
      CountLinksOnce_(engine.CountLinksOnce()),
      OneFileSystem_(engine.OneFileSystem_ || Filter_->OneFileSystem),
      Calls_(std::make_shared<TCallGroup>()) {
  Work_.push_back({RootPath_, {}});
  Thread_ = std::thread([this] { Execute(); });
}

TFolderSearch::~TFolderSearch() {
  RequestStop();
  Engine_.Queue().Cancel(Calls_);
  Join();
}

void TFolderSearch::Halt(std::atomic<bool>& flag) {
  {
    std::lock_guard guard(WorkLock_);
    flag = true;
  }
  WorkReady_.notify_all();  // readers waiting for work end
}

void TFolderSearch::Join() {
  if (Thread_.joinable()) Thread_.join();
}

const std::string* TFolderSearch::OwnerOf(TReader& reader, const std::string& folderPath,
                                          const TDirEntry& entry) {
  if (entry.Owner.Empty()) return InternOwner(Engine_.Services().GetFileOwner(folderPath + entry.Name));
  // The listing told the owner already (POSIX): no security query needed, and
  // mostly the owner of the entry before, which touches nothing shared.
  if (reader.LastOwner && entry.Owner.Bytes == reader.LastSid) return reader.LastOwner;
  reader.LastSid = entry.Owner.Bytes;
  reader.LastOwner = InternOwner(Engine_.Services().OwnerText(entry.Owner));
  return reader.LastOwner;
}

// The batches pending when the scan's count passed the mark are taken out at
// once, in the reader that passed it, so every hand-over holds exactly the
// batches up to its point, however many readers read. That reader posts the
// taken hand-overs in the order they were taken, each after the one before
// has been applied; the other readers read on meanwhile.
bool TFolderSearch::HandOver() {
  std::lock_guard turn(HandOverLock_);
  for (;;) {
    std::vector<std::unique_ptr<TListGlobalItem>> next;
    {
      std::lock_guard guard(WorkLock_);
      if (Ready_.empty()) break;
      next = std::move(Ready_.front());
      Ready_.pop_front();
    }
    if (!WaitForHandOver()) return false;
    if (next.empty()) continue;
    InFlight_ = std::move(next);
    Ticket_ = Engine_.Queue().Post(Calls_, [this] { Engine_.FlushPending(InFlight_, *this); });
  }
  return !Halted();
}

// With WorkLock_ held.
void TFolderSearch::TakePending() {
  Ready_.push_back(std::move(Pending_));
  Pending_.clear();
  PendingEntries_ = 0;
}

// With HandOverLock_ held.
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
  if (OneFileSystem_) {
    TFileServices& services = Engine_.Services();
    TDirEntry root;
    if (services.Platform().FileSystem->QueryEntry(services.ExcludeTrailingSeparator(RootPath_), root))
      RootDevice_ = root.Device;
  }
  try {
    // This thread is one of the readers.
    std::vector<std::thread> readers;
    try {
      for (int i = 1; i < ReaderCount_; ++i) readers.emplace_back([this] { ReadLoop(); });
    } catch (const std::system_error&) {
      // Fewer readers than asked for still read everything.
    }
    ReadLoop();
    for (std::thread& reader : readers) reader.join();
    if (Error_) std::rethrow_exception(Error_);
    if (!Halted()) {
      {
        std::lock_guard guard(WorkLock_);
        TakePending();
      }
      if (HandOver()) {
        std::lock_guard turn(HandOverLock_);
        WaitForHandOver();
      }
    }
  } catch (const EMaskError& e) {
    // The filter cannot be applied: the scan ends with what was applied so far.
    Engine_.Queue().Call(Calls_, [this, error = e] {
      if (Engine_.OnScanError) Engine_.OnScanError(RootPath_, error);
    });
  } catch (const std::exception&) {
    ended = !StopRequested_;
  }
  try {
    std::lock_guard turn(HandOverLock_);
    WaitForHandOver();  // the UI thread may still be applying the last one
  } catch (const std::exception&) {
  }
  Pending_.clear();
  Ready_.clear();
  Work_.clear();
  if (ended) Engine_.Queue().Call(Calls_, [this] { Engine_.ScanFinished(*this); });
  // The thread cannot join itself: the UI thread does, once this thread has
  // nothing left to do but return. Nobody waits for the call; it captures
  // only the engine, which cancels such calls before it goes.
  TScanEngine& engine = Engine_;
  const std::shared_ptr<TCallGroup> reaps = engine.ReapCalls_;
  Finished_ = true;
  engine.Queue().Post(reaps, [&engine] { engine.ReapFinished(); });
}

// One reader: takes folders from the work list until it is empty and no other
// reader is still listing one (which could add more).
void TFolderSearch::ReadLoop() {
  Engine_.Services().Platform().FileSystem->PrepareScanThread();
  TReader reader;
  std::vector<TQueued> subfolders;
  bool busy = false;
  try {
    for (;;) {
      TQueued folder;
      bool root = false;
      {
        std::unique_lock guard(WorkLock_);
        WorkReady_.wait(guard, [this] { return Halted() || !Work_.empty() || Busy_ == 0; });
        if (Halted() || Work_.empty()) break;
        folder = std::move(Work_.front());
        Work_.pop_front();
        root = FirstBatch_;
        FirstBatch_ = false;
        ++Busy_;
        busy = true;
      }
      std::unique_ptr<TListGlobalItem> batch = ReadFolder(folder, reader, subfolders);
      const bool read = batch != nullptr;
      bool handOver = false;
      // The root's batch is handed over alone and at once: taken out before
      // any subfolder can be read.
      std::unique_lock rootTurn(HandOverLock_, std::defer_lock);
      if (root) rootTurn.lock();
      {
        std::lock_guard guard(WorkLock_);
        --Busy_;
        busy = false;
        if (batch) {
          PendingEntries_ += reader.Listed;
          Pending_.push_back(std::move(batch));
          for (TQueued& sub : subfolders) Work_.push_back(std::move(sub));
          if (root) {
            InFlight_.swap(Pending_);
            PendingEntries_ = 0;
          } else if (PendingEntries_ > HandOverEntries) {
            TakePending();
            handOver = true;
          }
        }
      }
      subfolders.clear();
      WorkReady_.notify_all();
      if (!read) break;  // stopped in the middle of the folder
      if (root) {
        Ticket_ = Engine_.Queue().Post(Calls_, [this] { Engine_.FlushPending(InFlight_, *this); });
        continue;
      }
      if (handOver && !HandOver()) {
        Halt(Aborted_);
        break;
      }
    }
  } catch (...) {
    {
      std::lock_guard guard(WorkLock_);
      if (busy) --Busy_;
      if (!Error_) Error_ = std::current_exception();
    }
    Halt(Aborted_);
  }
  WorkReady_.notify_all();  // the last reader's end ends the others' waits
}

// Lists one folder and prepares its batch; nothing when a stop came meanwhile.
std::unique_ptr<TListGlobalItem> TFolderSearch::ReadFolder(TQueued& folder, TReader& reader,
                                                           std::vector<TQueued>& subfolders) {
  TFileServices& services = Engine_.Services();
  IFileSystem& fileSystem = *services.Platform().FileSystem;
  const char sep = PathSeparator(services.Style());
  auto batch = std::make_unique<TListGlobalItem>();
  batch->Path = std::move(folder.Path);
  batch->SearchRec = std::move(folder.Record);
  if (Halted()) return nullptr;
  reader.Listed = 0;
  auto listing = batch->SearchRec.Name.empty()
                     ? fileSystem.OpenDirectory(batch->Path, &batch->ReadError)
                     : fileSystem.OpenListedDirectory(batch->Path, batch->SearchRec, &batch->ReadError);
  if (listing) {
    // Sized by the folder read before, so most batches grow without moving.
    batch->Entries.reserve(reader.LastEntries);
    TDirEntry& entry = reader.Entry;
    while (listing->Next(entry)) {
      // An entry without a name is no entry; "." and ".." are only counted.
      if (!entry.Name.empty() && !IsDotEntry(entry.Name)) {
        const std::string* owner = OwnerOf(reader, batch->Path, entry);
        const TItemInfo info = services.ItemInfoFromSearchRec(entry);
        if (entry.IsDirectory()) {
          TSubfolderRec sub{entry.Name, info, entry.Attr, owner};
          if (OneFileSystem_ && entry.Device != RootDevice_)
            sub.Info.Marks |= imOtherFileSystem;  // shown, not entered
          else if (!(entry.Attr & faReparsePoint))
            subfolders.push_back({batch->Path + entry.Name + sep, entry});
          TMySearchRec rec;
          rec.Subfolder = static_cast<uint32_t>(batch->Subfolders.size());
          batch->Entries.push_back(std::move(rec));
          batch->Subfolders.push_back(std::move(sub));
        } else {
          // The allocated size stays -1 where the listing did not tell it.
          TMySearchRec rec;
          rec.File = std::make_unique<TFileNodeData>(entry.Name, entry.Size, entry.Allocated, nullptr, info, *owner);
          if (entry.OnlineOnly) rec.File->AddMarks(imOnlineOnly);
          if (CountLinksOnce_ && entry.Links > 1) {
            rec.SeveralNames = true;
            rec.Key = {entry.Device, entry.FileId};
          }
          batch->Entries.push_back(std::move(rec));
        }
      }
      if (Halted()) return nullptr;
      ++reader.Listed;
    }
    reader.LastEntries = std::min<size_t>(batch->Entries.size() + batch->Entries.size() / 8 + 4, MaxEntriesHint);
  }
  return batch;
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
  Scanners_.push_back(std::make_unique<TFolderSearch>(*this, path, ReaderCount_));
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
  for (auto& batch : batches) ApplyBatch(scanner, *batch);
}

void TScanEngine::ApplyBatch(TFolderSearch& scanner, TListGlobalItem& batch) {
  TFileServices& services = Services();
  const std::string& path = batch.Path;
  int64_t size = 0, allocated = 0, count = 0;
  bool hasSubfolders = false;

  TItemInfo folderInfo;
  if (!batch.SearchRec.Name.empty())
    folderInfo = services.ItemInfoFromSearchRec(batch.SearchRec);
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
  const bool acceptAll = filter.IsEmpty();
  TFolderNodeData* folderData = folder->Data();
  TFileList& files = folderData->Files;
  if (!batch.ReadError.empty()) {
    folderData->AddMarks(imReadError);
    ReadErrors_.push_back({services.ExcludeTrailingSeparator(path), batch.ReadError});
  }
  // A listing names each entry once: only files recorded before this batch
  // (by an overlapping scan) can be duplicates.
  const bool fresh = files.Count() == 0;
  if (fresh) files.Reserve(batch.Entries.size() - batch.Subfolders.size());
  // Every file of the folder shares the folder's cluster size.
  const int64_t cluster = services.GetClusterSize(path);
  std::string full;
  for (TMySearchRec& rec : batch.Entries) {
    if (!rec.File) {
      const TSubfolderRec& entry = batch.Subfolders[rec.Subfolder];
      TFolderNode* sub = Tree_.FindChild(folder, entry.Name);
      if (!sub) {
        full.assign(path).append(entry.Name);
        sub = Tree_.AddFolderNode(folder, entry.Name, full, entry.Info,
                                  entry.Owner ? std::string_view(*entry.Owner) : std::string_view());
      }
      if ((entry.Attr & faReparsePoint) || (entry.Info.Marks & imOtherFileSystem)) {
        // Shown but never read: nothing below it will ever arrive.
        sub->Data()->Complete = true;
        sub->Data()->AddMarks(entry.Info.Marks);
      } else {
        hasSubfolders = true;
      }
      continue;
    }
    TFileNodeData& file = *rec.File;
    if (!acceptAll && !filter.Accepts(file.Name.View(), file.FileSize(), file.Owner())) continue;
    if (!fresh && files.Find(file.Name.View())) continue;
    if (file.AllocatedSize() < 0) file.SetAllocatedSize(AllocatedSizeFor(file.FileSize(), cluster));
    file.SetParentNode(folder);
    files.AddUnique(rec.File.release());
    if (rec.SeveralNames) Tree_.Links().Place(file, path, rec.Key);
    size = SatAdd(size, file.FileSize());
    allocated = SatAdd(allocated, file.AllocatedSize());
    ++count;
  }
  sums.Applied = true;
  Tree_.AddSizesToFolder(folder, size, allocated, count);
  Tree_.UpdateTreePercents(folder);
  if (!hasSubfolders) {
    folder->Data()->Complete = true;
    Tree_.MarkComplete(folder->Parent());
  }
}

std::string TScanEngine::ReadErrorOf(const std::string& path) const {
  for (const TReadError& error : ReadErrors_)
    if (error.Path == path) return error.Reason;
  return {};
}

void TScanEngine::ScanFinished(TFolderSearch& scanner) {
  if (ActiveScans_ > 0) --ActiveScans_;
  scanner.Filter_.reset();
  scanner.Pending_.clear();
  if (OnScanFinished) OnScanFinished(scanner.RootPath());
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
