// Compares two trees of 1 000 000 synthetic files in 10 000 folders, the
// second a copy of the first with 1% of its files changed (grown, shrunk,
// removed or added). Targets: the Changes report of the root within 1 s, the
// baseline within 24 bytes per file. Also what the UI thread does about gone
// items once a refreshed folder is scanned again, and the two parts of a history entry of
// that tree: what the window does on its UI thread, and what a worker does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include <time.h>
#include <unistd.h>

#include "SyntheticPlatform.h"
#include "app/ScanHistory.h"
#include "export/BaselineFile.h"
#include "export/ResultFile.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "model/TreeRemoval.h"
#include "platform/Platform.h"
#include "reports/ChangesReport.h"

using namespace kv;

namespace {

constexpr int Folders = 10000, FilesPerFolder = 100;

// The machine is shared: the thread's own processor time says what the work
// costs, the wall clock what a user waited.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The same names and sizes each time from the same seed; `changed` applies
// the scripted change: of every 100 files one is grown, shrunk, dropped or
// followed by a new one, in turn.
void Fill(TSizeTree &tree, TFileServices &services, bool changed) {
  static const char *const extensions[] = {".txt", ".jpg", ".cpp", ".h", ".pdf", ".mp3", ".dll", ".o", ".png", ""};
  std::mt19937 rng(20261210);
  std::uniform_int_distribution<int64_t> sizes(0, 5'000'000);
  tree.BeginUpdate();
  long long index = 0;
  for (int f = 0; f < Folders; ++f) {
    const std::string path = "/bench/top" + std::to_string(f % 10) + "/mid" + std::to_string(f / 10 % 10) + "/low" +
                             std::to_string(f / 100 % 10) + "/leaf" + std::to_string(f / 1000) + "/";
    TFolderNode *folder = tree.GetFolderNode(path, TItemInfo{}, nullptr, "");
    int64_t size = 0, allocated = 0, count = 0;
    auto add = [&](const std::string &name, int64_t fileSize) {
      const std::string full = path + name;
      if (!tree.AddFileNode(full, folder, fileSize, TItemInfo{}, "")) return;
      size += fileSize;
      allocated += services.GetAllocatedSize(full, fileSize);
      ++count;
    };
    for (int i = 0; i < FilesPerFolder; ++i, ++index) {
      const std::string name = bench::RandomName(rng, 24, extensions);
      int64_t fileSize = sizes(rng);
      const int change = changed && index % 100 == 37 ? static_cast<int>(index / 100 % 4) + 1 : 0;
      if (change == 1) fileSize += 100'000;
      if (change == 2) fileSize /= 2;
      if (change != 3) add(name, fileSize);
      if (change == 4) add("added-" + std::to_string(index), 4096);
    }
    tree.AddSizesToFolder(folder, size, allocated, count);
    if (f % 20 == 19) {
      tree.EndUpdate();
      tree.BeginUpdate();
    }
  }
  tree.EndUpdate();
}

}  // namespace

int main() {
  TPlatform platform{std::make_shared<bench::SyntheticFileSystem>(), std::make_shared<bench::SyntheticSecurity>(),
                     CreateNativePlatform().Locale};
  TFileServices services(platform, TPathStyle::Posix);
  const std::string file = "/tmp/kestrove-compare-bench-" + std::to_string(::getpid()) + ".kvr";
  {
    TSizeTree before(services, *platform.Locale);
    Fill(before, services, false);
    if (!WriteResultFile(before, file)) {
      std::printf("cannot write %s\n", file.c_str());
      return 1;
    }
  }
  TSizeTree now(services, *platform.Locale);
  Fill(now, services, true);
  const TFolderNode *top = now.Root()->Child(0);

  auto start = std::chrono::steady_clock::now();
  TChangeBaseline baseline;
  const TFileResult read = ReadBaselineFile(file, now, *platform.Locale, baseline);
  const double loadMs = MsSince(start);
  std::remove(file.c_str());
  if (!read) {
    std::printf("%s\n", read.Message.c_str());
    return 1;
  }
  const double files = static_cast<double>(top->Data()->FileCount);
  const double perFile = static_cast<double>(baseline.MemoryBytes()) / files;
  std::printf("tree: %.0f files in %lld folders; baseline of %zu items (%zu gone) read in %.0f ms\n", files,
              static_cast<long long>(top->Data()->FolderCount + 1), baseline.ItemCount(), baseline.Gone().size(),
              loadMs);

  double fastest = 1e300, fastestCpu = 1e300;
  size_t rows = 0;
  for (int run = 0; run < 5; ++run) {
    start = std::chrono::steady_clock::now();
    const double cpu = CpuMs();
    rows = BuildChangesReport(top, baseline, TSizeType::FileSize).Rows.size();
    fastestCpu = std::min(fastestCpu, CpuMs() - cpu);
    fastest = std::min(fastest, MsSince(start));
  }
  const bool fast = fastest <= 1000, small = perFile <= 24;
  std::printf("Changes report of the root: %.1f ms (processor time %.1f ms), %zu rows (limit 1000 ms) %s\n",
              fastest, fastestCpu, rows, fast ? "under" : "OVER");
  std::printf("baseline memory: %.2f bytes per file (limit 24) %s\n", perFile, small ? "under" : "OVER");

  // A refresh removes the folder (its items marked gone) and scans it again;
  // at the scan's end the UI thread settles the gone list against the tree.
  const size_t goneAtStart = baseline.Gone().size();
  bool settledRight = true;
  for (const char *refreshed : {"/bench/top3", "/bench"}) {
    TFolderNode *node = now.FindFolderNode(refreshed);
    baseline.MarkGone(node);
    const size_t marked = baseline.Gone().size();
    RemoveFolderItem(now, node->Data());
    Fill(now, services, true);
    start = std::chrono::steady_clock::now();
    const double settleCpu = CpuMs();
    baseline.Settle(now);
    const double settleMs = MsSince(start);
    settledRight = settledRight && baseline.Gone().size() == goneAtStart;
    std::printf("refresh of %s: %zu items marked gone, %zu still gone after the scan; settled on the UI thread in "
                "%.0f ms (processor time %.0f ms)\n",
                refreshed, marked, baseline.Gone().size(), settleMs, CpuMs() - settleCpu);
  }
  top = now.Root()->Child(0);

  const std::string folder = file + ".history";
  TScanHistory history(folder);
  TPendingEntry pending;
  start = std::chrono::steady_clock::now();
  double cpu = CpuMs();
  const TFileResult begun = history.Begin(now, "/bench", top->Data()->TotalSize, "20261210T120000", 5, pending);
  const double beginMs = MsSince(start), beginCpu = CpuMs() - cpu;
  std::error_code ec;
  const auto plainBytes = std::filesystem::file_size(pending.Plain, ec);
  start = std::chrono::steady_clock::now();
  cpu = CpuMs();
  const TFileResult finished = begun ? history.Finish(pending) : begun;
  const double finishMs = MsSince(start), finishCpu = CpuMs() - cpu;
  const auto entryBytes = std::filesystem::file_size(pending.Target, ec);
  std::filesystem::remove_all(folder, ec);
  if (!finished) {
    std::printf("%s\n", finished.Message.c_str());
    return 1;
  }
  std::printf("history entry: UI thread (result file, %.1f MB) %.0f ms (processor time %.0f ms); "
              "worker (compress to %.1f MB, drop old) %.0f ms (processor time %.0f ms)\n",
              static_cast<double>(plainBytes) / 1e6, beginMs, beginCpu, static_cast<double>(entryBytes) / 1e6, finishMs,
              finishCpu);
  if (!settledRight) std::printf("the gone list after the refreshes differs from the first comparison\n");
  return fast && small && settledRight ? 0 : 1;
}
