#include "app/IconLoader.h"

namespace kv {

TThreadLoadIcons::TThreadLoadIcons(TUiCallQueue& queue, std::function<bool()> advance,
                                   std::function<void()> loadCurrent, std::chrono::microseconds pause)
    : Queue_(queue), Advance_(std::move(advance)), LoadCurrent_(std::move(loadCurrent)), Pause_(pause) {
  Thread_ = std::thread([this] { Execute(); });
}

TThreadLoadIcons::~TThreadLoadIcons() {
  Stop_ = true;
  Queue_.Cancel(Calls_);  // wakes a step that waits for the UI thread and drops it
  if (Thread_.joinable()) Thread_.join();
}

void TThreadLoadIcons::Execute() {
  try {
    while (!Stop_) {
      bool more = false;
      if (!Queue_.Call(Calls_, [this, &more] { more = Advance_(); }) || !more) break;
      if (!Queue_.Call(Calls_, [this] { LoadCurrent_(); })) break;
      std::this_thread::sleep_for(Pause_);
    }
  } catch (...) {
    // A failed step ends the pass quietly; rows not reached keep no icon.
  }
  Finished_ = true;
}

}  // namespace kv
