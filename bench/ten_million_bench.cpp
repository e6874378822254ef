// ten_million_bench [--files N]
// Scans a synthetic tree of N files (10 000 000 by default; 100 in each leaf
// folder, no real files) into the real main window offscreen, and measures the
// longest event-loop stall meanwhile, the resident bytes per recorded file, and
// after the scan how long the root's files-and-folders report and its treemap take.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "SyntheticPlatform.h"
#include "TimedApplication.h"
#include "model/SizeTree.h"
#include "settings/Language.h"
#include "ui/DMMain.h"
#include "ui/Main.h"
#include "ui/TreemapPanel.h"

namespace {

constexpr const char* Root = "/synthetic";

// The tree: 100 folders below the root, 100 below each, then Leaves below each
// of those, and 100 files in every leaf folder.
struct TShape {
  int Leaves = 10;
};

uint64_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  return x ^ (x >> 33);
}

class TSyntheticListing final : public kv::IDirectoryEnum {
 public:
  TSyntheticListing(int depth, uint64_t seed, int leaves) : Depth_(depth), Seed_(seed) {
    Count_ = depth == 3 ? 100 : depth == 2 ? leaves : 100;
  }
  bool Next(kv::TDirEntry& entry) override {
    if (Index_ >= Count_) return false;
    const uint64_t h = Mix(Seed_ * 131 + static_cast<uint64_t>(Index_));
    static const char* const extensions[] = {".txt", ".jpg", ".cpp", ".h", ".pdf", ".mp3", ".dll", ".png", ""};
    char name[48];
    if (Depth_ < 3) {
      std::snprintf(name, sizeof name, "folder %04d", Index_);
      entry.Attr = kv::faDirectory;
      entry.Size = 0;
      entry.Allocated = -1;
    } else {
      // 14 to 25 characters, as the bench's disk trees have them.
      std::snprintf(name, sizeof name, "file_%06d_%.*s%s", Index_ + static_cast<int>(Seed_ % 10000) * 100,
                    static_cast<int>(h % 12), "xxxxxxxxxxxx", extensions[(h >> 8) % 9]);
      entry.Attr = kv::faArchive;
      entry.Size = static_cast<int64_t>((h >> 16) % 2'000'000);
      entry.Allocated = (entry.Size + 4095) / 4096 * 4096;
    }
    entry.Name = name;
    // Times spread over ten years from 2015.
    const kv::FileTime base = (1420070400LL + 11644473600LL) * 10'000'000LL;
    entry.LastWriteTime = base + static_cast<kv::FileTime>((h >> 20) % (3650ULL * 86400)) * 10'000'000LL;
    entry.CreationTime = entry.LastWriteTime;
    entry.LastAccessTime = entry.LastWriteTime;
    entry.Owner.Bytes = (h >> 40) % 4 == 0 ? "u2" : "u1";
    entry.Device = 1;
    entry.FileId = h;
    entry.Links = 1;
    ++Index_;
    return true;
  }

 private:
  int Depth_;
  uint64_t Seed_;
  int Count_ = 0;
  int Index_ = 0;
};

class TSyntheticTree final : public kv::IFileSystem {
 public:
  explicit TSyntheticTree(TShape shape) : Shape_(shape) {}
  std::unique_ptr<kv::IDirectoryEnum> OpenDirectory(const std::string& path, std::string* = nullptr) override {
    const std::string root = std::string(Root) + "/";
    if (path.compare(0, root.size(), root) != 0) return nullptr;
    // The depth is the number of names below the root; the seed follows the path.
    int depth = 0;
    uint64_t seed = 1;
    for (size_t i = root.size(); i < path.size(); ++i) {
      if (path[i] == '/') ++depth;
      seed = seed * 31 + static_cast<unsigned char>(path[i]);
    }
    if (depth > 3) return nullptr;
    return std::make_unique<TSyntheticListing>(depth, seed % 1'000'003, Shape_.Leaves);
  }
  bool QueryEntry(const std::string& path, kv::TDirEntry& entry) override {
    entry = {};
    entry.Name = path.substr(path.find_last_of('/') + 1);
    entry.Attr = kv::faDirectory;
    entry.Owner.Bytes = "u1";
    return path.compare(0, std::strlen(Root), Root) == 0;
  }
  kv::TLocalTime FileTimeToLocal(kv::FileTime time) override {
    // UTC is enough here: the window only needs some calendar fields.
    const int64_t seconds = time / 10'000'000 - 11644473600LL;
    const int64_t days = seconds / 86400;
    kv::TLocalTime t{2015 + static_cast<int>((days - 16436) / 365), 1, 1, 0, 0, 0, 0};
    t.Month = static_cast<int>((days % 365) / 31) + 1;
    t.Day = static_cast<int>(days % 28) + 1;
    t.Hour = static_cast<int>(seconds / 3600 % 24);
    return t;
  }
  bool DiskClusterSize(const std::string&, int64_t& size) override {
    size = 4096;
    return true;
  }
  bool DiskSpace(const std::string&, int64_t&, int64_t&) override { return false; }
  std::vector<kv::TDriveInfo> ListDrives() override { return {}; }
  std::string MountRootOf(const std::string&) override { return "/"; }

 private:
  TShape Shape_;
};

int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

using kv::bench::Ms;

// Runs the event loop until the condition holds; the time it took in ns, -1 after the limit.
template <class Condition>
int64_t RunUntil(Condition done, int limitMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return -1;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return timer.nsecsElapsed();
}

}  // namespace

int main(int argc, char** argv) {
  int64_t files = 10'000'000;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--files") files = std::atoll(argv[++i]);
  if (files < 1'000'000 || files % 1'000'000 != 0) {
    std::fprintf(stderr, "usage: ten_million_bench [--files N], N a multiple of 1000000\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kv::bench::TTimedApplication app(argc, argv);
  QApplication::setApplicationName("Kestrove");

  const std::unique_ptr<kv::ISettingsStore> settings = kv::CreateUserSettingsStore();
  kv::TdtmMain dm;
  kv::TMainSetup setup;
  const kv::TPlatform native = kv::CreateNativePlatform();
  setup.Platform = {std::make_shared<TSyntheticTree>(TShape{static_cast<int>(files / 1'000'000)}),
                    std::make_shared<kv::bench::SyntheticSecurity>(), native.Locale};
  setup.Settings = settings.get();
  setup.LanguageFolder = kv::LanguageFolder();
  kv::TfrmMain window(dm, std::move(setup));
  window.resize(1100, 720);
  window.show();
  RunUntil([] { return false; }, 300);
  malloc_trim(0);
  const int64_t residentBefore = ResidentBytes();

  // Gaps between the ticks of a 5 ms timer are the event loop's stalls.
  std::vector<int64_t> gaps;
  gaps.reserve(1'000'000);
  QEventLoop loop;
  QElapsedTimer wall, sinceTick;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(5);
  int64_t scanNs = 0;
  QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
    gaps.push_back(sinceTick.nsecsElapsed());
    sinceTick.restart();
    if (window.Engine().ActiveScans() == 0) {
      scanNs = wall.nsecsElapsed();
      loop.quit();
    }
  });
  QTimer::singleShot(1'800'000, &loop, &QEventLoop::quit);
  window.Engine().OnHandOver = [&](size_t batches) {
    ++app.HandOvers;
    app.Batches += static_cast<int64_t>(batches);
  };
  app.Measuring = true;
  wall.start();
  sinceTick.start();
  if (!window.StartScan(Root)) {
    std::fprintf(stderr, "the scan was refused\n");
    return 1;
  }
  ticker.start();
  loop.exec();
  ticker.stop();
  app.Measuring = false;
  if (scanNs == 0) {
    std::fprintf(stderr, "the scan did not end within 30 minutes\n");
    return 1;
  }
  const int64_t residentAfter = ResidentBytes();
  const int64_t recorded = window.Tree().TotalFiles;

  // After the scan: the root focused with its files-and-folders report, then its treemap.
  kv::TFolderNode* root = window.Tree().FindFolderNode(Root);
  if (!root) {
    std::fprintf(stderr, "the root is not in the tree\n");
    return 1;
  }
  QElapsedTimer after;
  after.start();
  window.FocusFolder(root);
  window.SelectReportKind(kv::TReportKind::FilesInThisFolder);
  QApplication::processEvents();
  const int64_t reportNs = after.nsecsElapsed();
  const int64_t treemapWait = RunUntil(
      [&] { return window.Treemap().Settled() && window.Treemap().PictureFolder() == root; }, 120'000);
  const int64_t treemapNs = treemapWait < 0 ? -1 : after.nsecsElapsed();
  after.restart();
  window.SelectReportKind(kv::TReportKind::Top100Files);
  QApplication::processEvents();
  const int64_t top100Ns = after.nsecsElapsed();

  const int64_t longest = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
  const auto over50 = std::count_if(gaps.begin(), gaps.end(), [](int64_t g) { return Ms(g) > 50; });
  std::printf("recorded:             %lld folders, %lld files\n",
              static_cast<long long>(window.Tree().TotalFolders), static_cast<long long>(recorded));
  std::printf("scan wall time:       %.2f s\n", static_cast<double>(scanNs) / 1e9);
  std::printf("longest stall:        %.1f ms (%lld over 50 ms, %zu ticks; target: at most 50)\n", Ms(longest),
              static_cast<long long>(over50), gaps.size());
  std::printf("bytes per file:       %.1f (resident %.0f MiB after the scan, %.0f MiB before; target: at most 64)\n",
              static_cast<double>(residentAfter - residentBefore) / static_cast<double>(std::max<int64_t>(recorded, 1)),
              static_cast<double>(residentAfter) / 1048576.0, static_cast<double>(residentBefore) / 1048576.0);
  std::printf("root's report:        %.1f ms (files and folders; target: at most 2000)\n", Ms(reportNs));
  if (treemapNs < 0)
    std::printf("root's treemap:       not shown within 120 s\n");
  else
    std::printf("root's treemap:       %.1f ms after the scan (target: at most 2000)\n", Ms(treemapNs));
  std::printf("root's top 100 files: %.1f ms\n", Ms(top100Ns));
  PrintUiTime(app);
  window.close();
  return recorded == files ? 0 : 1;
}
