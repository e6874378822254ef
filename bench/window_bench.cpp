// window_bench [--focus] TREE_DIR
// Scans a folder in the real main window (offscreen) and measures how long the
// event loop stalls meanwhile: a 5 ms timer records the gaps between its ticks.
// Every event delivery is timed too, so a long stall can be traced to what ran.
// --focus: as soon as the scanned folder is in the tree it is focused and opened
// two levels deep, so its report and the visible rows change with every hand-over.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "platform/Platform.h"
#include "model/SizeTree.h"
#include "settings/Language.h"
#include "ui/DMMain.h"
#include "ui/Main.h"
#include "TimedApplication.h"

using kv::bench::Ms;
using kv::bench::PrintUiTime;
using kv::bench::TTimedApplication;

int main(int argc, char** argv) {
  bool focus = false;
  std::string treeArg;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--focus")
      focus = true;
    else
      treeArg = argv[i];
  }
  if (treeArg.empty()) {
    std::fprintf(stderr, "usage: window_bench [--focus] TREE_DIR\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TTimedApplication app(argc, argv);
  QApplication::setApplicationName("Kestrove");
  const std::string tree = std::filesystem::absolute(treeArg).lexically_normal().string();

  // As main.cpp builds it, with the user's store: the caller points
  // XDG_CONFIG_HOME at an empty folder so no stored filter applies.
  const std::unique_ptr<kv::ISettingsStore> settings = kv::CreateUserSettingsStore();
  kv::TdtmMain dm;
  kv::TMainSetup setup;
  setup.Platform = kv::CreateNativePlatform();
  setup.Settings = settings.get();
  setup.LanguageFolder = kv::LanguageFolder();
  kv::TfrmMain window(dm, std::move(setup));
  window.resize(1100, 720);
  window.show();
  {
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
  }

  window.Engine().OnHandOver = [&](size_t batches) {
    ++app.HandOvers;
    app.Batches += static_cast<int64_t>(batches);
  };

  std::vector<int64_t> gaps;  // ns
  gaps.reserve(100000);
  QEventLoop loop;
  QElapsedTimer wall, sinceTick;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(5);
  int64_t scanNs = 0;
  bool focused = !focus;
  QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
    gaps.push_back(sinceTick.nsecsElapsed());
    sinceTick.restart();
    if (!focused) {
      kv::TFolderNode* node = window.Tree().FindFolderNode(tree);
      std::string path = kv::GetNodePath(node);
      if (path.size() > 1 && path.back() == '/') path.pop_back();
      if (path == tree) {
        focused = true;
        window.FocusFolder(node);
        window.ExpandToLevel(node, 2);
      }
    }
    if (window.Engine().ActiveScans() == 0) {
      scanNs = wall.nsecsElapsed();
      loop.quit();
    }
  });
  QTimer::singleShot(600000, &loop, &QEventLoop::quit);

  app.Measuring = true;
  wall.start();
  sinceTick.start();
  if (!window.StartScan(tree)) {
    std::fprintf(stderr, "the scan of %s was refused\n", tree.c_str());
    return 1;
  }
  ticker.start();
  loop.exec();
  app.Measuring = false;
  if (scanNs == 0) {
    std::fprintf(stderr, "the scan did not end within 600 s\n");
    return 1;
  }

  std::vector<int64_t> sorted = gaps;
  std::sort(sorted.begin(), sorted.end());
  const auto over = [&](double ms) {
    return std::count_if(gaps.begin(), gaps.end(), [&](int64_t g) { return Ms(g) > ms; });
  };
  const int64_t p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];

  std::printf("tree:                %s%s\n", tree.c_str(), focus ? " (focused and open while scanned)" : "");
  std::printf("recorded:            %lld folders, %lld files\n", static_cast<long long>(window.Tree().TotalFolders),
              static_cast<long long>(window.Tree().TotalFiles));
  std::printf("scan wall time:      %.3f s\n", static_cast<double>(scanNs) / 1e9);
  std::printf("longest stall:       %.1f ms\n", Ms(sorted.back()));
  std::printf("stalls over 50 ms:   %lld\n", static_cast<long long>(over(50)));
  std::printf("stalls over 100 ms:  %lld\n", static_cast<long long>(over(100)));
  std::printf("99th percentile gap: %.1f ms (timer every 5 ms, %zu ticks)\n", Ms(p99), gaps.size());
  PrintUiTime(app);
  window.close();
  return 0;
}
