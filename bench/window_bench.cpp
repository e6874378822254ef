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

namespace {

struct TEventStats {
  int64_t Count = 0;
  int64_t TotalNs = 0;
  int64_t MaxNs = 0;
  void Add(int64_t ns) {
    ++Count;
    TotalNs += ns;
    MaxNs = std::max(MaxNs, ns);
  }
};

// Times every outermost event delivery, by kind: queued calls to the
// application object are the scan drains (and the status ticker).
class TTimedApplication final : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    if (!Measuring || Depth_ > 0) return QApplication::notify(receiver, event);
    const QEvent::Type type = event->type();
    const bool drain = type == QEvent::MetaCall && receiver == this;
    const int64_t handOversBefore = HandOvers;
    ++Depth_;
    QElapsedTimer timer;
    timer.start();
    const bool result = QApplication::notify(receiver, event);
    const int64_t ns = timer.nsecsElapsed();
    --Depth_;
    if (drain) {
      // A drain that applied no hand-over is a status tick or a finished scan.
      (HandOvers > handOversBefore ? Drains : OtherCalls).Add(ns);
    } else {
      ByType[static_cast<int>(type)].Add(ns);
    }
    if (ns > LongestNs) {
      LongestNs = ns;
      LongestType = drain ? -1 : static_cast<int>(type);
      LongestReceiver = receiver->metaObject()->className();
    }
    return result;
  }

  bool Measuring = false;
  int64_t HandOvers = 0;
  int64_t Batches = 0;
  TEventStats Drains, OtherCalls;
  std::map<int, TEventStats> ByType;
  int64_t LongestNs = 0;
  int LongestType = 0;
  std::string LongestReceiver;

 private:
  int Depth_ = 0;
};

double Ms(int64_t ns) { return static_cast<double>(ns) / 1e6; }

const char* TypeName(int type) {
  switch (type) {
    case -1: return "scan drain";
    case QEvent::Timer: return "Timer";
    case QEvent::Paint: return "Paint";
    case QEvent::UpdateRequest: return "UpdateRequest (paints)";
    case QEvent::LayoutRequest: return "LayoutRequest";
    case QEvent::MetaCall: return "MetaCall";
    case QEvent::Expose: return "Expose";
    case QEvent::DeferredDelete: return "DeferredDelete";
    default: return "other";
  }
}

}  // namespace

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
  std::printf("-- where the UI thread's time went\n");
  std::printf("scan drains:         %lld, %.1f ms in all, longest %.1f ms; %lld hand-overs of %lld batches\n",
              static_cast<long long>(app.Drains.Count), Ms(app.Drains.TotalNs), Ms(app.Drains.MaxNs),
              static_cast<long long>(app.HandOvers), static_cast<long long>(app.Batches));
  std::printf("other queued calls:  %lld, %.1f ms in all, longest %.1f ms\n",
              static_cast<long long>(app.OtherCalls.Count), Ms(app.OtherCalls.TotalNs), Ms(app.OtherCalls.MaxNs));
  for (const auto& [type, stats] : app.ByType) {
    if (stats.TotalNs < 1'000'000) continue;  // under 1 ms in all: not worth a line
    std::printf("event %-4d %-24s %lld, %.1f ms in all, longest %.1f ms\n", type, TypeName(type),
                static_cast<long long>(stats.Count), Ms(stats.TotalNs), Ms(stats.MaxNs));
  }
  std::printf("longest delivery:    %.1f ms, %s (event %d) to %s\n", Ms(app.LongestNs), TypeName(app.LongestType),
              app.LongestType, app.LongestReceiver.c_str());
  window.close();
  return 0;
}
