// Builds a size tree of 200 000 synthetic files in 2 000 folders through the
// builder, the way scan hand-overs do, and prints the time and heap memory per file.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "SyntheticPlatform.h"
#include "platform/Platform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

using namespace kv;
using kv::bench::SyntheticFileSystem;
using kv::bench::SyntheticSecurity;

namespace {

// Bytes in use from malloc, including large blocks it maps separately.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

std::string RandomName(std::mt19937& rng) {
  static const char* const extensions[] = {".txt", ".jpg", ".cpp", ".h", ".pdf", ".mp3", ".dll", ""};
  return bench::RandomName(rng, 28, extensions);
}

}  // namespace

int main() {
  constexpr int Folders = 2000, FilesPerFolder = 100;
  std::mt19937 rng(20241209);

  // Paths and names made up front so only the tree's own memory is counted.
  struct Folder {
    std::string Path;
    std::vector<std::string> Names;
  };
  std::vector<Folder> plan(Folders);
  for (int f = 0; f < Folders; ++f) {
    // Three levels: 10 top folders, 10 below each, 20 below those.
    plan[f].Path = "/bench/top" + std::to_string(f % 10) + "/mid" + std::to_string(f / 10 % 10) +
                   "/leaf" + std::to_string(f / 100) + "/";
    for (int i = 0; i < FilesPerFolder; ++i) plan[f].Names.push_back(RandomName(rng));
  }
  const std::string owners[] = {"benchhost\\alice", "benchhost\\bob", "benchhost\\root"};
  std::uniform_int_distribution<int64_t> sizes(0, 5'000'000);
  std::vector<int64_t> fileSizes(Folders * FilesPerFolder);
  for (auto& s : fileSizes) s = sizes(rng);

  TPlatform platform{std::make_shared<SyntheticFileSystem>(), std::make_shared<SyntheticSecurity>(),
                     CreateNativePlatform().Locale};
  TFileServices services(platform, TPathStyle::Posix);
  InternOwner(owners[0]);  // the owner pool is shared by every tree; not per-file memory

  const size_t heapBefore = HeapInUse();
  const auto start = std::chrono::steady_clock::now();
  int64_t recorded = 0;
  {
    auto* tree = new TSizeTree(services, *platform.Locale);
    TItemInfo info;
    int entriesSinceHandOver = 0;
    tree->BeginUpdate();
    size_t k = 0;
    for (int f = 0; f < Folders; ++f) {
      TFolderNode* folder = tree->GetFolderNode(plan[f].Path, info, nullptr, owners[2]);
      int64_t size = 0, allocated = 0, count = 0;
      for (int i = 0; i < FilesPerFolder; ++i, ++k) {
        const std::string full = plan[f].Path + plan[f].Names[i];
        if (tree->AddFileNode(full, folder, fileSizes[k], info, owners[i % 3])) {
          size += fileSizes[k];
          allocated += services.GetAllocatedSize(full, fileSizes[k]);
          ++count;
        }
      }
      tree->AddSizesToFolder(folder, size, allocated, count);
      tree->UpdateTreePercents(folder);
      folder->Data()->Complete = true;
      tree->MarkComplete(folder->Parent());
      entriesSinceHandOver += FilesPerFolder + 2;
      if (entriesSinceHandOver > 2050) {  // the scanner's hand-over rhythm
        tree->EndUpdate();
        tree->BeginUpdate();
        entriesSinceHandOver = 0;
      }
    }
    tree->EndUpdate();
    const auto stop = std::chrono::steady_clock::now();
    const size_t heapAfter = HeapInUse();
    recorded = tree->TotalFiles;

    const double ns = std::chrono::duration<double, std::nano>(stop - start).count();
    std::printf("files recorded:     %lld in %lld folders\n", static_cast<long long>(recorded),
                static_cast<long long>(tree->TotalFolders));
    std::printf("build time:         %.1f ns per file\n", ns / static_cast<double>(recorded));
    std::printf("heap memory:        %.1f bytes per file (target: at most 160)\n",
                static_cast<double>(heapAfter - heapBefore) / static_cast<double>(recorded));
    delete tree;
  }
  std::printf("heap after freeing: %lld bytes not returned\n",
              static_cast<long long>(HeapInUse()) - static_cast<long long>(heapBefore));
  return recorded == Folders * FilesPerFolder ? 0 : 1;
}
