// Calls that worker threads hand to the UI thread, each caller waiting until
// its call has run there or has been cancelled. The UI thread drains the
// queue: the window from its event loop, the command line and tests from
// their own loop.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kv {

// The calls of one worker; cancelling it drops them all.
class TCallGroup {
 public:
  bool Cancelled() const { return Cancelled_.load(); }

 private:
  friend class TUiCallQueue;
  std::atomic<bool> Cancelled_{false};
};

class TUiCallQueue {
 public:
  TUiCallQueue();
  TUiCallQueue(const TUiCallQueue&) = delete;
  TUiCallQueue& operator=(const TUiCallQueue&) = delete;

  // The thread that drains the queue; by default the one that created it.
  void SetUiThread(std::thread::id id) { UiThread_ = id; }
  bool OnUiThread() const { return std::this_thread::get_id() == UiThread_; }

  // Worker side: runs the call on the UI thread and waits. False when the
  // group was cancelled before the call ran (then it never runs). An exception
  // the call raised is raised again here.
  bool Call(const std::shared_ptr<TCallGroup>& group, std::function<void()> call);

  // Worker side, in two steps: queue the call, go on working, and wait for it
  // later. Wait answers as Call does. A call nobody waits for must capture
  // nothing of the caller's, and its group must be cancelled before what it
  // refers to goes.
  class TTicket;
  std::shared_ptr<TTicket> Post(const std::shared_ptr<TCallGroup>& group, std::function<void()> call);
  bool Wait(const std::shared_ptr<TTicket>& ticket);
  // Whether Wait would answer at once.
  bool Ready(const std::shared_ptr<TTicket>& ticket);

  // UI side: runs every call queued now, in order; answers how many ran.
  size_t Drain() { return Drain(std::chrono::steady_clock::duration::max()); }
  // The same, but starts no further call once the budget is spent, so that one
  // drain cannot hold the event loop however much was queued.
  size_t Drain(std::chrono::steady_clock::duration budget);
  // UI side: calls are waiting.
  bool Pending();
  // UI side: waits up to the timeout for a call, then drains.
  size_t WaitAndDrain(std::chrono::milliseconds timeout);
  // UI side: the group's waiting calls are dropped and its callers woken; its
  // later calls return false at once.
  void Cancel(const std::shared_ptr<TCallGroup>& group);

  // Told (on the worker's thread) whenever a call is queued, so an event loop
  // can schedule a Drain.
  void SetNotify(std::function<void()> notify);

 private:
  struct TEntry {
    std::shared_ptr<TCallGroup> Group;
    std::function<void()> Call;
    bool Done = false;
    bool Dropped = false;
    std::exception_ptr Error;
  };

 public:
  class TTicket : public TEntry {};

 private:

  std::mutex Lock_;
  std::condition_variable Queued_;    // the UI thread waits for calls
  std::condition_variable Finished_;  // callers wait for their call
  std::deque<std::shared_ptr<TTicket>> Entries_;
  std::function<void()> Notify_;
  std::thread::id UiThread_;
};

}  // namespace kv
