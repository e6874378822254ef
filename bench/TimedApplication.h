// Times every event the UI thread delivers, so that a stall of the event loop
// can be traced to what ran: shared by the window benches.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

namespace kv::bench {

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
    const int64_t batchesBefore = Batches;
    ++Depth_;
    QElapsedTimer timer;
    timer.start();
    const bool result = QApplication::notify(receiver, event);
    const int64_t ns = timer.nsecsElapsed();
    --Depth_;
    if (drain) {
      // A drain that applied no hand-over is a status tick or a finished scan.
      (HandOvers > handOversBefore ? Drains : OtherCalls).Add(ns);
      if (HandOvers > handOversBefore && ns == Drains.MaxNs) {
        LongestDrainBatches = Batches - batchesBefore;
        LongestDrainHandOvers = HandOvers - handOversBefore;
      }
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
  // What the longest drain applied.
  int64_t LongestDrainHandOvers = 0;
  int64_t LongestDrainBatches = 0;
  TEventStats Drains, OtherCalls;
  std::map<int, TEventStats> ByType;
  int64_t LongestNs = 0;
  int LongestType = 0;
  std::string LongestReceiver;

 private:
  int Depth_ = 0;
};

inline double Ms(int64_t ns) { return static_cast<double>(ns) / 1e6; }

inline const char* TypeName(int type) {
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

// Where the UI thread's time went while Measuring was on.
inline void PrintUiTime(const TTimedApplication& app) {
  std::printf("-- where the UI thread's time went\n");
  std::printf("scan drains:         %lld, %.1f ms in all, longest %.1f ms; %lld hand-overs of %lld batches\n",
              static_cast<long long>(app.Drains.Count), Ms(app.Drains.TotalNs), Ms(app.Drains.MaxNs),
              static_cast<long long>(app.HandOvers), static_cast<long long>(app.Batches));
  std::printf("longest drain:       %lld hand-overs of %lld batches\n",
              static_cast<long long>(app.LongestDrainHandOvers), static_cast<long long>(app.LongestDrainBatches));
  std::printf("other queued calls:  %lld, %.1f ms in all, longest %.1f ms\n",
              static_cast<long long>(app.OtherCalls.Count), Ms(app.OtherCalls.TotalNs), Ms(app.OtherCalls.MaxNs));
  for (const auto& [type, stats] : app.ByType) {
    if (stats.TotalNs < 1'000'000) continue;  // under 1 ms in all: not worth a line
    std::printf("event %-4d %-24s %lld, %.1f ms in all, longest %.1f ms\n", type, TypeName(type),
                static_cast<long long>(stats.Count), Ms(stats.TotalNs), Ms(stats.MaxNs));
  }
  std::printf("longest delivery:    %.1f ms, %s (event %d) to %s\n", Ms(app.LongestNs), TypeName(app.LongestType),
              app.LongestType, app.LongestReceiver.c_str());
}

}  // namespace kv::bench
