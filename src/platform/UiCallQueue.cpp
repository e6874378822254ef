#include "platform/UiCallQueue.h"

#include <algorithm>
#include <cassert>

namespace kv {

TUiCallQueue::TUiCallQueue() : UiThread_(std::this_thread::get_id()) {}

bool TUiCallQueue::Call(const std::shared_ptr<TCallGroup>& group, std::function<void()> call) {
  return Wait(Post(group, std::move(call)));
}

std::shared_ptr<TUiCallQueue::TTicket> TUiCallQueue::Post(const std::shared_ptr<TCallGroup>& group,
                                                          std::function<void()> call) {
  auto entry = std::make_shared<TTicket>();
  entry->Group = group;
  if (OnUiThread()) {
    // Already on the UI thread: nothing to wait for.
    if (group && group->Cancelled()) {
      entry->Dropped = true;
      return entry;
    }
    try {
      call();
    } catch (...) {
      entry->Error = std::current_exception();
    }
    entry->Done = true;
    return entry;
  }
  entry->Call = std::move(call);
  std::function<void()> notify;
  {
    std::lock_guard guard(Lock_);
    if (group && group->Cancelled()) {
      entry->Dropped = true;
      return entry;
    }
    Entries_.push_back(entry);
    notify = Notify_;
  }
  Queued_.notify_all();
  if (notify) notify();
  return entry;
}

bool TUiCallQueue::Wait(const std::shared_ptr<TTicket>& ticket) {
  std::unique_lock guard(Lock_);
  Finished_.wait(guard, [&] { return ticket->Done || ticket->Dropped; });
  if (ticket->Dropped) return false;
  if (ticket->Error) std::rethrow_exception(ticket->Error);
  return true;
}

bool TUiCallQueue::Ready(const std::shared_ptr<TTicket>& ticket) {
  std::lock_guard guard(Lock_);
  return ticket->Done || ticket->Dropped;
}

size_t TUiCallQueue::Drain(std::chrono::steady_clock::duration budget) {
  const auto start = std::chrono::steady_clock::now();
  size_t ran = 0;
  for (;;) {
    if (ran > 0 && std::chrono::steady_clock::now() - start >= budget) break;
    std::shared_ptr<TTicket> entry;
    {
      std::lock_guard guard(Lock_);
      if (Entries_.empty()) break;
      entry = std::move(Entries_.front());
      Entries_.pop_front();
    }
    try {
      entry->Call();
    } catch (...) {
      entry->Error = std::current_exception();
    }
    ++ran;
    {
      std::lock_guard guard(Lock_);
      entry->Done = true;
      entry->Call = nullptr;  // free what the call captured on this thread
    }
    Finished_.notify_all();
  }
  return ran;
}

bool TUiCallQueue::Pending() {
  std::lock_guard guard(Lock_);
  return !Entries_.empty();
}

size_t TUiCallQueue::WaitAndDrain(std::chrono::milliseconds timeout) {
  {
    std::unique_lock guard(Lock_);
    Queued_.wait_for(guard, timeout, [this] { return !Entries_.empty(); });
  }
  return Drain();
}

void TUiCallQueue::Cancel(const std::shared_ptr<TCallGroup>& group) {
  if (!group) return;
  {
    std::lock_guard guard(Lock_);
    group->Cancelled_ = true;
    for (auto& entry : Entries_)
      if (entry->Group == group) entry->Dropped = true;
    Entries_.erase(std::remove_if(Entries_.begin(), Entries_.end(),
                                  [](const auto& entry) { return entry->Dropped; }),
                   Entries_.end());
  }
  Finished_.notify_all();
}

void TUiCallQueue::SetNotify(std::function<void()> notify) {
  std::lock_guard guard(Lock_);
  Notify_ = std::move(notify);
}

}  // namespace kv
