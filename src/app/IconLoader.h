// Fills the icons of a freshly built report list in the background: a worker
// thread that has the UI thread advance to the next row and load its icon,
// one row per step, so that a long list is shown at once and stays responsive.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/UiCallQueue.h"

namespace kv {

class TThreadLoadIcons {
 public:
  // advance: moves to the next row, false when there is none. loadCurrent:
  // loads the icon of the row advanced to. Both run on the UI thread.
  TThreadLoadIcons(TUiCallQueue& queue, std::function<bool()> advance, std::function<void()> loadCurrent,
                   std::chrono::microseconds pause = std::chrono::milliseconds(1));
  // Stops at once: no step runs after this, not even one already asked for.
  ~TThreadLoadIcons();
  TThreadLoadIcons(const TThreadLoadIcons&) = delete;
  TThreadLoadIcons& operator=(const TThreadLoadIcons&) = delete;

  // The pass has walked every row (or a step failed).
  bool Finished() const { return Finished_.load(); }

 private:
  void Execute();

  TUiCallQueue& Queue_;
  std::function<bool()> Advance_;
  std::function<void()> LoadCurrent_;
  std::chrono::microseconds Pause_;
  std::shared_ptr<TCallGroup> Calls_ = std::make_shared<TCallGroup>();
  std::atomic<bool> Stop_{false};
  std::atomic<bool> Finished_{false};
  std::thread Thread_;
};

}  // namespace kv
