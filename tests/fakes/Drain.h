// Waiting on worker threads from a test's UI thread: every wait has a deadline,
// so a test whose condition never comes fails instead of hanging the binary.
#pragma once

#include <chrono>
#include <functional>

#include "platform/UiCallQueue.h"

namespace kv::test {

// Runs queued calls until done() holds or the limit passes; the last answer of done().
inline bool DrainUntil(TUiCallQueue& queue, const std::function<bool()>& done,
                       std::chrono::seconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    queue.WaitAndDrain(std::chrono::milliseconds(2));
  }
  return true;
}

// Calls its action when it goes out of scope, on every exit path.
class TScopeExit {
 public:
  explicit TScopeExit(std::function<void()> action) : Action_(std::move(action)) {}
  ~TScopeExit() {
    if (Action_) Action_();
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  std::function<void()> Action_;
};

}  // namespace kv::test
