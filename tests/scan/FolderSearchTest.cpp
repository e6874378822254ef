#include <gtest/gtest.h>

#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>

#include "fakes/Drain.h"
#include "fakes/FakePlatform.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "platform/Locale.h"
#include "model/FileServices.h"
#include "scan/FolderSearch.h"
#include "export/ResultFile.h"
#include "model/SizeTree.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Utf8;
using test::WriteFile;

class TempTree {
 public:
  TempTree() : Root(test::MakeTempFolder("kestrove-scan")) {}
  ~TempTree() {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  fs::path Root;
};

// A listing that waits at a chosen folder until released, for stopping mid-scan.
class GatedFileSystem : public test::FakeFileSystem {
 public:
  std::string GateFolder;
  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string& folderPath,
                                                std::string* failure = nullptr) override {
    if (folderPath == GateFolder) {
      std::unique_lock guard(Lock);
      Reached = true;
      Changed.notify_all();
      Changed.wait(guard, [this] { return Open; });
    }
    return test::FakeFileSystem::OpenDirectory(folderPath, failure);
  }
  // False when no reader reaches the gate within the limit.
  bool WaitUntilReached(std::chrono::seconds limit = 30s) {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, limit, [this] { return Reached; });
  }
  void Release() {
    std::lock_guard guard(Lock);
    Open = true;
    Changed.notify_all();
  }
  std::mutex Lock;
  std::condition_variable Changed;
  bool Reached = false, Open = false;
};

struct FakeRig {
  FakeRig() {
    fake.FileSystem = gated;
    fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    // C:\Data with two subfolders; A is listed, B is where the gate stands.
    auto& f = gated->Folders;
    f["C:\\Data\\"] = {test::MakeEntry("A", faDirectory), test::MakeEntry("B", faDirectory),
                       test::MakeEntry("top.bin", 0, 100)};
    f["C:\\Data\\A\\"] = {test::MakeEntry("a.bin", 0, 5000)};
    f["C:\\Data\\B\\"] = {test::MakeEntry("C", faDirectory), test::MakeEntry("b.bin", 0, 7)};
    f["C:\\Data\\B\\C\\"] = {test::MakeEntry("c.bin", 0, 1)};
  }
  std::shared_ptr<GatedFileSystem> gated = std::make_shared<GatedFileSystem>();
  test::FakePlatform fake;
};

// Everything a scan needs, with the UI thread being the test's thread.
struct ScanRig {
  explicit ScanRig(TPlatform platform, TPathStyle style = NativePathStyle())
      : Services(std::move(platform), style), Tree(Services, CurrentLocale()),
        Engine(Tree, Queue, Store, CurrentLocale()) {
    Engine.OnHandOver = [this](size_t batches) { HandOvers.push_back(batches); };
    Engine.OnScanError = [this](const std::string&, const EMaskError& error) { Errors.push_back(error.what()); };
  }
  // Over the gated fake: its gate opens before the engine's teardown on every
  // exit path, so a failed assertion never leaves a reader blocked.
  explicit ScanRig(FakeRig& fr) : ScanRig(fr.fake.Platform(), TPathStyle::Windows) {
    Ungate = [gated = fr.gated] { gated->Release(); };
  }
  ~ScanRig() {
    if (Ungate) Ungate();
  }
  // Drains hand-overs until every scan has ended.
  void RunToEnd() {
    ASSERT_TRUE(test::DrainUntil(Queue, [this] { return Engine.ActiveScans() == 0; }, 60s)) << "scan did not end";
  }
  // Drains until no more than n scanners hold threads, or gives up after a minute.
  size_t DrainUntilScanners(size_t n) {
    test::DrainUntil(Queue, [&] { return Engine.ScannerCount() <= n; }, 60s);
    return Engine.ScannerCount();
  }
  TFolderNodeData* Folder(const std::string& path) {
    TFolderNode* node = Tree.FindFolderNode(path);
    const std::string want = Services.ExcludeTrailingSeparator(path);
    if (node->IsHiddenRoot() || node->Data()->GetFullPath() != want) return nullptr;
    return node->Data();
  }

  TMemorySettingsStore Store;
  TFileServices Services;
  TSizeTree Tree;
  TUiCallQueue Queue;
  TScanEngine Engine;
  std::vector<size_t> HandOvers;
  std::vector<std::string> Errors;
  std::function<void()> Ungate;
};

TEST(FolderSearch, EmptyFolderIsOneCompleteBatchWithZeroTotals) {
  TempTree tmp;
  ScanRig rig(CreateNativePlatform());
  ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root)));
  rig.RunToEnd();
  EXPECT_EQ(rig.HandOvers, std::vector<size_t>{1});
  TFolderNodeData* root = rig.Folder(Utf8(tmp.Root));
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->Complete);
  EXPECT_EQ(root->TotalSize, 0);
  EXPECT_EQ(root->FileCount, 0);
  EXPECT_EQ(root->FolderCount, 0);
  // Every folder above the root is complete too, and counted.
  for (TFolderNode* n = rig.Tree.FindFolderNode(Utf8(tmp.Root)); !n->IsHiddenRoot(); n = n->Parent())
    EXPECT_TRUE(n->Data()->Complete) << n->Data()->GetFullPath();
  EXPECT_EQ(rig.Tree.TotalFolders, static_cast<int64_t>(SplitPath(Utf8(tmp.Root), NativePathStyle()).size()));
}

TEST(FolderSearch, HandsOverFirstBatchAloneThenPastEveryTwoThousandFiftyEntries) {
  TempTree tmp;
  for (int d = 0; d < 10; ++d) {
    const fs::path sub = tmp.Root / ("sub" + std::to_string(d));
    fs::create_directory(sub);
    for (int f = 0; f < 300; ++f) WriteFile(sub / ("f" + std::to_string(f)), static_cast<size_t>(f % 7));
  }
  // The points are counted for the whole scan, however many read it.
  for (const int readers : {1, DefaultReaderCount(), 4}) {
    ScanRig rig(CreateNativePlatform());
    rig.Engine.SetReaderCount(readers);
    ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root)));
    rig.RunToEnd();
    // Each subfolder lists 300 files plus "." and "..": after seven, 2114 entries.
    EXPECT_EQ(rig.HandOvers, (std::vector<size_t>{1, 7, 3})) << readers << " readers";
  }
  ScanRig rig(CreateNativePlatform());
  ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root)));
  rig.RunToEnd();
  TFolderNodeData* root = rig.Folder(Utf8(tmp.Root));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->FileCount, 3000);
  EXPECT_EQ(root->FolderCount, 10);
  int64_t expected = 0;
  for (int f = 0; f < 300; ++f) expected += f % 7;
  EXPECT_EQ(root->TotalSize, 10 * expected);
  EXPECT_EQ(root->OwnSize, 0);
  EXPECT_TRUE(root->Complete);
  EXPECT_EQ(rig.Tree.TotalFiles, 3000);
  // Allocated sizes are whole clusters.
  const int64_t cluster = rig.Services.GetClusterSize(Utf8(tmp.Root / "sub0" / "f1"));
  ASSERT_GT(cluster, 0);
  EXPECT_EQ(root->TotalAllocated % cluster, 0);
  EXPECT_GE(root->TotalAllocated, root->TotalSize);
}

TEST(FolderSearch, IncludedMaskRecordsMatchingFilesButEveryFolder) {
  TempTree tmp;
  fs::create_directories(tmp.Root / "docs" / "deep");
  fs::create_directories(tmp.Root / "pictures");
  WriteFile(tmp.Root / "a.txt", 10);
  WriteFile(tmp.Root / "b.log", 20);
  WriteFile(tmp.Root / "docs" / "c.TXT", 30);
  WriteFile(tmp.Root / "pictures" / "d.jpg", 40);
  ScanRig rig(CreateNativePlatform());
  WriteRegString(rig.Store, "Filter-Mask-Included-Value", "*.txt");
  ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root)));
  rig.RunToEnd();
  TFolderNodeData* root = rig.Folder(Utf8(tmp.Root));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->TotalSize, 40);
  EXPECT_EQ(root->FileCount, 2);
  EXPECT_EQ(root->FolderCount, 3);
  TFolderNodeData* pictures = rig.Folder(Utf8(tmp.Root / "pictures"));
  ASSERT_NE(pictures, nullptr);
  EXPECT_EQ(pictures->TotalSize, 0);
  EXPECT_TRUE(pictures->Complete);
  ASSERT_NE(rig.Folder(Utf8(tmp.Root / "docs" / "deep")), nullptr);
}

TEST(FolderSearch, OddNamesSurviveAndLinksAreNeverFollowed) {
  if (NativePathStyle() != TPathStyle::Posix) GTEST_SKIP() << "POSIX names and links";
  TempTree tmp;
  const std::string odd = "with space ä\nnewline";
  fs::create_directory(tmp.Root / odd);
  WriteFile(tmp.Root / odd / "Größe 1.bin", 5);
  fs::create_directory(tmp.Root / "loop");
  fs::create_directory_symlink(tmp.Root, tmp.Root / "loop" / "back");  // a cycle
  fs::create_directory_symlink(tmp.Root / "loop" / "self", tmp.Root / "loop" / "self");
  ScanRig rig(CreateNativePlatform());
  ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root) + "/"));
  rig.RunToEnd();
  TFolderNodeData* oddFolder = rig.Folder(Utf8(tmp.Root / odd));
  ASSERT_NE(oddFolder, nullptr);
  ASSERT_EQ(oddFolder->Files.Count(), 1u);
  EXPECT_EQ(oddFolder->Files[0]->Name.View(), "Größe 1.bin");
  TFolderNodeData* loop = rig.Folder(Utf8(tmp.Root / "loop"));
  ASSERT_NE(loop, nullptr);
  // The links are files of their own size; nothing below them was read.
  EXPECT_EQ(loop->Files.Count(), 2u);
  EXPECT_EQ(loop->FolderCount, 0);
  EXPECT_EQ(rig.Folder(Utf8(tmp.Root / "loop" / "back")), nullptr);
  EXPECT_TRUE(loop->Complete);
}

TEST(FolderSearch, StopDropsWhatWasNotHandedOverAndLeavesUnreadFoldersIncomplete) {
  FakeRig fr;
  fr.gated->GateFolder = "C:\\Data\\B\\";
  ScanRig rig(fr);
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  // The root's batch comes at once; A is read and waits in Pending for the next hand-over.
  ASSERT_TRUE(test::DrainUntil(rig.Queue, [&] { return !rig.HandOvers.empty(); }));
  ASSERT_TRUE(fr.gated->WaitUntilReached());
  rig.Engine.StopScans();
  EXPECT_EQ(rig.Engine.ActiveScans(), 0);
  EXPECT_TRUE(rig.Engine.ScanRoots().empty());
  fr.gated->Release();
  // Whatever the stopped thread does now never reaches the tree.
  for (int i = 0; i < 20; ++i) rig.Queue.WaitAndDrain(5ms);
  EXPECT_EQ(rig.HandOvers, std::vector<size_t>{1});
  EXPECT_EQ(rig.Engine.ActiveScans(), 0);
  TFolderNodeData* data = rig.Folder("C:\\Data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->TotalSize, 100);
  EXPECT_FALSE(data->Complete);
  ASSERT_NE(rig.Folder("C:\\Data\\A"), nullptr);
  EXPECT_FALSE(rig.Folder("C:\\Data\\A")->Complete);
  EXPECT_EQ(rig.Folder("C:\\Data\\A")->TotalSize, 0);
  EXPECT_EQ(rig.Folder("C:\\Data\\B\\C"), nullptr);
  EXPECT_EQ(rig.Tree.TotalFiles, 1);
  // The status refresh hides the bar and may start a scan inside the old root again.
  rig.Engine.RefreshScanStatus();
  EXPECT_FALSE(rig.Engine.ProgressVisible());
  EXPECT_TRUE(rig.Engine.StartScan("C:\\Data\\A"));
  rig.RunToEnd();
  EXPECT_EQ(rig.Folder("C:\\Data\\A")->TotalSize, 5000);
  EXPECT_EQ(rig.Folder("C:\\Data")->TotalSize, 5100);
}

TEST(FolderSearch, ScannersAreReleasedWhenTheyEndWithoutWaitingForAStop) {
  FakeRig fr;
  fr.gated->GateFolder = "C:\\Data\\B\\";
  ScanRig rig(fr);
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  ASSERT_TRUE(rig.Engine.StartScan("D:\\"));
  // Neither a stop nor a status refresh comes: D:\ is joined and freed as it ends.
  EXPECT_EQ(rig.DrainUntilScanners(1), 1u);
  EXPECT_EQ(rig.Engine.ActiveScans(), 1);
  fr.gated->Release();
  rig.RunToEnd();
  EXPECT_EQ(rig.DrainUntilScanners(0), 0u);
}

TEST(FolderSearch, UnreadableFolderIsCompleteWithSizeZeroAndMarked) {
  FakeRig fr;
  fr.gated->Folders.erase("C:\\Data\\B\\");  // the listing of B fails
  ScanRig rig(fr);
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data\\"));
  rig.RunToEnd();
  TFolderNodeData* b = rig.Folder("C:\\Data\\B");
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->Complete);
  EXPECT_EQ(b->TotalSize, 0);
  EXPECT_EQ(b->Info().Marks, imReadError);
  EXPECT_EQ(rig.Folder("C:\\Data")->Info().Marks, 0);
  ASSERT_EQ(rig.Engine.ReadErrors().size(), 1u);
  EXPECT_EQ(rig.Engine.ReadErrorOf("C:\\Data\\B"), "Access is denied");
  EXPECT_EQ(rig.Folder("C:\\Data")->TotalSize, 5100);
  EXPECT_TRUE(rig.Folder("C:\\Data")->Complete);
  EXPECT_TRUE(rig.Folder("C:")->Complete);
  EXPECT_EQ(rig.Folder("C:\\Data")->TotalAllocated, 4096 + 8192);
}

TEST(FolderSearch, ReparsePointsAreShownButNotRead) {
  FakeRig fr;
  fr.gated->Folders["C:\\Data\\"].push_back(test::MakeEntry("Junction", faDirectory | faReparsePoint));
  fr.gated->Folders["C:\\Data\\Junction\\"] = {test::MakeEntry("never.bin", 0, 99)};
  ScanRig rig(fr);
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  rig.RunToEnd();
  TFolderNodeData* junction = rig.Folder("C:\\Data\\Junction");
  ASSERT_NE(junction, nullptr);
  EXPECT_EQ(junction->TotalSize, 0);
  EXPECT_TRUE(junction->Complete);
  EXPECT_TRUE(rig.Folder("C:\\Data")->Complete);
}

TEST(FolderSearch, MalformedMaskEndsTheScanWithRecordedFilesCounted) {
  FakeRig fr;
  fr.gated->Folders["C:\\Data\\A\\"] = {test::MakeEntry("a1", 0, 1), test::MakeEntry("a2", 0, 2),
                                        test::MakeEntry("b", 0, 4), test::MakeEntry("a3", 0, 8)};
  ScanRig rig(fr);
  // Names beginning with "a" match before the malformed piece is reached.
  WriteRegString(rig.Store, "Filter-Mask-Included-Value", "a*;[x");
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  rig.RunToEnd();
  ASSERT_EQ(rig.Errors.size(), 1u);
  EXPECT_NE(rig.Errors[0].find("[x"), std::string::npos);
  // The root's batch failed at top.bin: nothing of it was recorded.
  TFolderNodeData* data = rig.Folder("C:\\Data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->Files.Count(), 0u);
  EXPECT_EQ(data->OwnSize, 0);
  EXPECT_FALSE(data->Complete);
  // Subfolders listed before the failing file exist, but were never read.
  ASSERT_NE(rig.Folder("C:\\Data\\A"), nullptr);
  EXPECT_FALSE(rig.Folder("C:\\Data\\A")->Complete);
  EXPECT_EQ(rig.HandOvers, std::vector<size_t>{1});
  EXPECT_EQ(rig.Engine.ActiveScans(), 0);
}

TEST(FolderSearch, FilesRecordedBeforeAMalformedPieceKeepTheirSizes) {
  FakeRig fr;
  fr.gated->Folders["C:\\Data\\"] = {test::MakeEntry("a1", 0, 1), test::MakeEntry("a2", 0, 2),
                                     test::MakeEntry("b", 0, 4), test::MakeEntry("a3", 0, 8)};
  ScanRig rig(fr);
  WriteRegString(rig.Store, "Filter-Mask-Included-Value", "a*;[x");
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  rig.RunToEnd();
  TFolderNodeData* data = rig.Folder("C:\\Data");
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->Files.Count(), 2u);
  EXPECT_EQ(data->OwnSize, 3);
  EXPECT_EQ(data->TotalSize, 3);
  EXPECT_EQ(rig.Folder("C:")->TotalSize, 3);
  EXPECT_EQ(rig.Tree.TotalFiles, 2);
}

TEST(FolderSearch, RefusalsFollowComponentsAndRootsLastUntilNoScanRuns) {
  FakeRig fr;
  fr.gated->GateFolder = "C:\\Data\\B\\";  // keeps the first scan running
  fr.gated->Folders["D:\\"] = {};
  fr.gated->Folders["C:\\Database\\"] = {};
  ScanRig rig(fr);
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  EXPECT_FALSE(rig.Engine.StartScan("C:\\Data\\A"));
  EXPECT_FALSE(rig.Engine.StartScan("/home"));  // another platform's folder
  EXPECT_FALSE(rig.Engine.StartScan("C:\\Data\\"));
  EXPECT_TRUE(rig.Engine.StartScan("C:\\Database"));
  EXPECT_TRUE(rig.Engine.StartScan("D:\\"));
  EXPECT_EQ(rig.Engine.ActiveScans(), 3);
  // D:\ ends, C:\Data still runs: D:\ stays a root and refuses what is inside it.
  ASSERT_TRUE(test::DrainUntil(rig.Queue, [&] { return rig.Engine.ActiveScans() <= 1; }));
  rig.Engine.RefreshScanStatus();
  EXPECT_TRUE(rig.Engine.ProgressVisible());
  EXPECT_FALSE(rig.Engine.StartScan("D:\\Data"));
  EXPECT_EQ(rig.Engine.ScanRoots().size(), 3u);
  fr.gated->Release();
  rig.RunToEnd();
  rig.Engine.RefreshScanStatus();
  EXPECT_FALSE(rig.Engine.ProgressVisible());
  EXPECT_TRUE(rig.Engine.ScanRoots().empty());
  EXPECT_TRUE(rig.Engine.StartScan("D:\\Data"));
  rig.RunToEnd();
  // A root that contains a running one is accepted; shared folders are not counted twice.
  EXPECT_EQ(rig.Folder("C:\\Data")->TotalSize, 5108);
  EXPECT_TRUE(rig.Engine.StartScan("C:\\Data\\B"));
  rig.RunToEnd();
  EXPECT_EQ(rig.Folder("C:\\Data")->TotalSize, 5108);
  EXPECT_EQ(rig.Folder("C:")->FileCount, 4);
}

TEST(FolderSearch, ConcurrentMultiReaderScansShareNodesAndStopCleanly) {
  TempTree tmp;
  for (const char* top : {"one", "two", "three"})
    for (int d = 0; d < 6; ++d) {
      const fs::path sub = tmp.Root / top / ("d" + std::to_string(d));
      fs::create_directories(sub);
      for (int f = 0; f < 40; ++f) WriteFile(sub / ("f" + std::to_string(f)), 3);
    }
  {
    ScanRig rig(CreateNativePlatform());
    rig.Engine.SetReaderCount(4);
    for (const char* top : {"one", "two", "three"}) ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root / top)));
    rig.RunToEnd();
    TFolderNodeData* root = rig.Folder(Utf8(tmp.Root));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FileCount, 3 * 6 * 40);
    EXPECT_EQ(root->TotalSize, 3 * 6 * 40 * 3);
    EXPECT_EQ(root->FolderCount, 3 + 18);
    EXPECT_TRUE(root->Complete);
  }
  // The same with a stop while they run, and a status ticker going meanwhile.
  ScanRig rig(CreateNativePlatform());
  rig.Engine.SetReaderCount(4);
  TSearchProgress progress(rig.Engine, 1ms);
  for (const char* top : {"one", "two", "three"}) rig.Engine.StartScan(Utf8(tmp.Root / top));
  rig.Queue.WaitAndDrain(1ms);
  rig.Engine.StopScans();
  const int64_t filesAtStop = rig.Tree.TotalFiles;
  for (int i = 0; i < 10; ++i) rig.Queue.WaitAndDrain(2ms);
  EXPECT_EQ(rig.Tree.TotalFiles, filesAtStop);
  EXPECT_EQ(rig.Engine.ActiveScans(), 0);
}

// A folder tree of varied shape: names, sizes and fan-out from a fixed seed.
void MakeVariedTree(const fs::path& root, unsigned seed) {
  std::vector<fs::path> folders{root};
  const char* const extensions[] = {".txt", ".bin", ".jpg", ".TXT", ""};
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1103515245u + 12345u;
    const fs::path dir = folders[(seed >> 8) % folders.size()] / ("d" + std::to_string(i));
    fs::create_directory(dir);
    folders.push_back(dir);
  }
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const fs::path& dir = folders[(seed >> 8) % folders.size()];
    WriteFile(dir / ("f" + std::to_string(i) + extensions[(seed >> 4) % 5]), (seed >> 12) % 3000);
  }
  // Listing a folder may update its access time once; let that happen now.
  for (const auto& entry : fs::recursive_directory_iterator(root)) (void)entry;
}

TEST(FolderSearch, ResultDoesNotDependOnTheNumberOfReaders) {
  TempTree tmp;
  MakeVariedTree(tmp.Root, 7);
  struct Case {
    const char* Included;
    bool SizeAny;
  };
  for (const Case& c : {Case{"*", true}, Case{"*.txt;*.b*", false}}) {
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
      ScanRig rig(CreateNativePlatform());
      WriteRegString(rig.Store, "Filter-Mask-Included-Value", c.Included);
      WriteRegBool(rig.Store, "Filter-Size-Any", c.SizeAny);
      WriteRegInteger(rig.Store, "Filter-Size-ItemIndex", 0);  // greater than 1 KB
      WriteRegInteger(rig.Store, "Filter-Size-First", 1);
      rig.Engine.SetReaderCount(i == 0 ? 1 : 4);
      ASSERT_TRUE(rig.Engine.StartScan(Utf8(tmp.Root)));
      rig.RunToEnd();
      ASSERT_TRUE(rig.Folder(Utf8(tmp.Root))->Complete);
      ASSERT_GE(rig.HandOvers.size(), 2u);
      const fs::path out = tmp.Root.parent_path() / (tmp.Root.filename().string() + ".kvr");
      ASSERT_TRUE(WriteResultFile(rig.Tree, Utf8(out)));
      {
        std::ifstream in(out, std::ios::binary);
        files[i].assign(std::istreambuf_iterator<char>(in), {});
      }
      fs::remove(out);
    }
    EXPECT_GT(files[0].size(), 3000u);
    EXPECT_TRUE(files[0] == files[1]) << "filter " << c.Included;
  }
}

TEST(FolderSearch, StopWithSeveralReadersAppliesNothingMore) {
  FakeRig fr;
  fr.gated->GateFolder = "C:\\Data\\B\\";
  // Folders beside the gate, each past the hand-over count: whichever reader
  // reads one hands it over, so there are hand-overs beyond the root's while
  // B waits, however the readers are scheduled.
  constexpr int Folders = 12, FilesEach = 2100;
  for (int i = 0; i < Folders; ++i) {
    const std::string name = "C:\\Data\\S" + std::to_string(i) + "\\";
    fr.gated->Folders["C:\\Data\\"].push_back(test::MakeEntry("S" + std::to_string(i), faDirectory));
    auto& entries = fr.gated->Folders[name];
    entries.push_back(test::MakeEntry("x", faDirectory));
    for (int f = 0; f < FilesEach; ++f) entries.push_back(test::MakeEntry("s" + std::to_string(f), 0, 1));
    fr.gated->Folders[name + "x\\"] = {test::MakeEntry("t.bin", 0, 2)};
  }
  ScanRig rig(fr);
  rig.Engine.SetReaderCount(4);
  ASSERT_TRUE(rig.Engine.StartScan("C:\\Data"));
  ASSERT_TRUE(fr.gated->WaitUntilReached());
  ASSERT_TRUE(test::DrainUntil(rig.Queue, [&] { return rig.HandOvers.size() >= 2; }, 10s))
      << "no hand-over beyond the root's";
  rig.Engine.StopScans();
  const int64_t files = rig.Tree.TotalFiles, folders = rig.Tree.TotalFolders;
  fr.gated->Release();
  EXPECT_EQ(rig.DrainUntilScanners(0), 0u);
  EXPECT_EQ(rig.Tree.TotalFiles, files);
  EXPECT_EQ(rig.Tree.TotalFolders, folders);
  EXPECT_EQ(rig.Engine.ActiveScans(), 0);
  // B was never read; a folder is complete exactly when it and all below it were.
  EXPECT_FALSE(rig.Folder("C:\\Data\\B")->Complete);
  EXPECT_FALSE(rig.Folder("C:\\Data")->Complete);
  for (int i = 0; i < Folders; ++i) {
    const std::string s = "C:\\Data\\S" + std::to_string(i);
    TFolderNodeData* sub = rig.Folder(s);
    ASSERT_NE(sub, nullptr);
    TFolderNodeData* x = rig.Folder(s + "\\x");
    const bool xRead = x && x->FileCount == 1;
    EXPECT_EQ(sub->Complete, xRead) << s;
    EXPECT_EQ(sub->TotalSize, sub->OwnSize + (xRead ? 2 : 0)) << s;
  }
}

}  // namespace
}  // namespace kv
