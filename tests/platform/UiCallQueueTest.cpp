#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "fakes/Drain.h"
#include "platform/UiCallQueue.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

TEST(UiCallQueue, CallsRunOnTheUiThreadInOrderAndReturnTheirErrors) {
  TUiCallQueue queue;
  auto group = std::make_shared<TCallGroup>();
  const auto ui = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<int> notified{0};
  queue.SetNotify([&] { ++notified; });
  bool sawUiThread = true;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(queue.Call(group, [&, i] {
        sawUiThread = sawUiThread && std::this_thread::get_id() == ui;
        order.push_back(i);
      }));
    EXPECT_THROW(queue.Call(group, [] { throw std::runtime_error("bad mask"); }), std::runtime_error);
    finished = true;
  });
  {
    // A worker left waiting is woken and joined however the test ends.
    test::TScopeExit end([&] {
      queue.Cancel(group);
      worker.join();
    });
    ASSERT_TRUE(test::DrainUntil(queue, [&] { return finished.load(); }));
  }
  EXPECT_TRUE(sawUiThread);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(notified.load(), 4);
}

TEST(UiCallQueue, CancelWakesAWaitingCallerAndRefusesLaterCalls) {
  TUiCallQueue queue;
  auto stopped = std::make_shared<TCallGroup>();
  auto other = std::make_shared<TCallGroup>();
  std::atomic<bool> queued{false};
  bool ran = false, otherRan = false;
  queue.SetNotify([&] { queued = true; });
  std::atomic<int> results{-1};
  std::thread worker([&] { results = queue.Call(stopped, [&] { ran = true; }) ? 1 : 0; });
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!queued && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  queue.Cancel(stopped);
  worker.join();
  ASSERT_TRUE(queued);
  EXPECT_EQ(results.load(), 0);
  EXPECT_FALSE(ran);
  EXPECT_EQ(queue.Drain(), 0u);
  // Later calls of the cancelled group return at once; other groups still run.
  std::thread again([&] {
    EXPECT_FALSE(queue.Call(stopped, [&] { ran = true; }));
    EXPECT_TRUE(queue.Call(other, [&] { otherRan = true; }));
  });
  {
    test::TScopeExit end([&] {
      queue.Cancel(other);
      again.join();
    });
    ASSERT_TRUE(test::DrainUntil(queue, [&] { return otherRan; }));
  }
  EXPECT_FALSE(ran);
}

TEST(UiCallQueue, ConcurrentWorkersAllGetTheirCallsRun) {
  TUiCallQueue queue;
  constexpr int Workers = 4, Calls = 200;
  int total = 0;  // only touched on the UI thread
  std::atomic<int> done{0};
  std::vector<std::shared_ptr<TCallGroup>> groups;
  for (int w = 0; w < Workers; ++w) groups.push_back(std::make_shared<TCallGroup>());
  std::vector<std::thread> workers;
  for (int w = 0; w < Workers; ++w)
    workers.emplace_back([&, group = groups[static_cast<size_t>(w)]] {
      for (int i = 0; i < Calls; ++i) queue.Call(group, [&] { ++total; });
      ++done;
    });
  {
    test::TScopeExit end([&] {
      for (auto& group : groups) queue.Cancel(group);
      for (auto& t : workers) t.join();
    });
    ASSERT_TRUE(test::DrainUntil(queue, [&] { return done == Workers; }));
  }
  EXPECT_EQ(total, Workers * Calls);
}

TEST(UiCallQueue, ACallFromTheUiThreadRunsAtOnce) {
  TUiCallQueue queue;
  auto group = std::make_shared<TCallGroup>();
  bool ran = false;
  EXPECT_TRUE(queue.Call(group, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  queue.Cancel(group);
  EXPECT_FALSE(queue.Call(group, [] {}));
}

TEST(UiCallQueue, ADrainWithABudgetLeavesTheRestForTheNext) {
  TUiCallQueue queue;
  auto group = std::make_shared<TCallGroup>();
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i)
      queue.Post(group, [&order, i] {
        std::this_thread::sleep_for(3ms);
        order.push_back(i);
      });
  });
  worker.join();
  EXPECT_EQ(queue.Drain(1ms), 1u);  // the first call always runs
  EXPECT_TRUE(queue.Pending());
  EXPECT_EQ(queue.Drain(), 2u);
  EXPECT_FALSE(queue.Pending());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace kv
