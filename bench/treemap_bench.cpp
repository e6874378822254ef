// Snapshot, layout and cushion rendering of a 1 000 000-file subtree at
// 1280x800, for two size distributions: uniform sizes (half the files get a
// pixel or more) and a disk-like spread where few files are large. Besides
// the wall time, the thread's CPU time: on a busy machine it is what the same
// work takes when it has a core to itself.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "SyntheticPlatform.h"
#include "platform/Platform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "treemap/Treemap.h"

using namespace kv;

namespace {

constexpr int Width = 1280, Height = 800;
constexpr int Folders = 10'000, FilesPerFolder = 100;
constexpr int Runs = 5;

double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A tree of Folders folders in three levels below /bench/, FilesPerFolder files each.
void Fill(TSizeTree& tree, TFileServices& services, const std::vector<int64_t>& sizes) {
  static const char* const extensions[] = {".txt", ".jpg", ".cpp", ".h", ".pdf", ".mp3", ".dll", ".zip", ""};
  std::mt19937 rng(20261209);
  TItemInfo info;
  tree.BeginUpdate();
  size_t k = 0;
  for (int f = 0; f < Folders; ++f) {
    const std::string path = "/bench/top" + std::to_string(f % 10) + "/mid" + std::to_string(f / 10 % 20) +
                             "/leaf" + std::to_string(f / 200) + "/";
    TFolderNode* folder = tree.GetFolderNode(path, info, nullptr, "benchhost\\root");
    int64_t size = 0, allocated = 0, count = 0;
    for (int i = 0; i < FilesPerFolder; ++i, ++k) {
      const std::string full = path + bench::RandomName(rng, 20, extensions) + std::to_string(i);
      if (tree.AddFileNode(full, folder, sizes[k], info, "benchhost\\root")) {
        size += sizes[k];
        allocated += services.GetAllocatedSize(full, sizes[k]);
        ++count;
      }
    }
    tree.AddSizesToFolder(folder, size, allocated, count);
  }
  tree.EndUpdate();
}

bool Run(const char* name, const std::vector<int64_t>& sizes, TFileServices& services, const ILocale& locale) {
  TSizeTree tree(services, locale);
  Fill(tree, services, sizes);
  const TFolderNode* top = tree.FindFolderNode("/bench/");
  std::vector<uint32_t> pixels(static_cast<size_t>(Width) * Height);
  double snapshotMs = 1e9, layoutMs = 1e9, renderMs = 1e9, snapshotCpu = 1e9, totalCpu = 1e9;
  size_t cells = 0, nodes = 0;
  for (int run = 0; run < Runs; ++run) {
    const double c0 = CpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    const TTreemapSnapshot snapshot = TakeTreemapSnapshot(top, TSizeType::FileSize, Width, Height);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = CpuMs();
    TTreemapLayout layout;
    layout.Build(snapshot, Width, Height);
    const auto t2 = std::chrono::steady_clock::now();
    RenderTreemap(snapshot, layout, pixels.data(), Width, Height, Width);
    const auto t3 = std::chrono::steady_clock::now();
    snapshotCpu = std::min(snapshotCpu, c1 - c0);
    totalCpu = std::min(totalCpu, CpuMs() - c0);
    snapshotMs = std::min(snapshotMs, Ms(t0, t1));
    layoutMs = std::min(layoutMs, Ms(t1, t2));
    renderMs = std::min(renderMs, Ms(t2, t3));
    cells = layout.Cells().size();
    nodes = snapshot.Nodes.size();
  }
  const double total = snapshotMs + layoutMs + renderMs;
  std::printf("%-9s %lld files: %zu items drawn; snapshot %.1f ms, layout %.1f ms, render %.1f ms, "
              "total %.1f ms (target: at most 1000); CPU time: snapshot %.1f ms, total %.1f ms\n",
              name, static_cast<long long>(tree.TotalFiles), nodes, snapshotMs, layoutMs, renderMs, total, snapshotCpu,
              totalCpu);
  return tree.TotalFiles == static_cast<int64_t>(sizes.size()) && cells == nodes && total <= 1000;
}

}  // namespace

int main() {
  TPlatform platform{std::make_shared<bench::SyntheticFileSystem>(), std::make_shared<bench::SyntheticSecurity>(),
                     CreateNativePlatform().Locale};
  TFileServices services(platform, TPathStyle::Posix);
  std::mt19937_64 rng(7);
  std::vector<int64_t> uniform(static_cast<size_t>(Folders) * FilesPerFolder), spread(uniform.size());
  std::uniform_int_distribution<int64_t> flat(0, 5'000'000);
  for (int64_t& s : uniform) s = flat(rng);
  // Log-uniform from 1 byte to 4 GB: most files small, a few huge.
  std::uniform_real_distribution<double> exponent(0, 32);
  for (int64_t& s : spread) s = static_cast<int64_t>(std::exp2(exponent(rng)));
  bool ok = Run("uniform", uniform, services, *platform.Locale);
  ok = Run("disk-like", spread, services, *platform.Locale) && ok;
  return ok ? 0 : 1;
}
