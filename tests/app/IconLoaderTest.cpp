#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "app/IconLoader.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

// Drains the queue until the loader is done or the deadline passes.
bool DrainUntilFinished(TUiCallQueue& queue, const TThreadLoadIcons& loader) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!loader.Finished() && std::chrono::steady_clock::now() < deadline) queue.WaitAndDrain(5ms);
  return loader.Finished();
}

TEST(IconLoaderConcurrent, WalksEveryRowOnceInOrderOnTheUiThread) {
  TUiCallQueue queue;
  const auto ui = std::this_thread::get_id();
  const int rows = 25;
  int current = -1;
  std::vector<int> loaded;
  bool offThread = false;
  TThreadLoadIcons loader(
      queue,
      [&] {
        offThread |= std::this_thread::get_id() != ui;
        return ++current < rows;
      },
      [&] {
        offThread |= std::this_thread::get_id() != ui;
        loaded.push_back(current);
      },
      0us);
  ASSERT_TRUE(DrainUntilFinished(queue, loader));
  std::vector<int> expected(rows);
  for (int i = 0; i < rows; ++i) expected[static_cast<size_t>(i)] = i;
  EXPECT_EQ(loaded, expected);
  EXPECT_FALSE(offThread);
}

TEST(IconLoaderConcurrent, StoppedLoaderTakesNoFurtherStep) {
  TUiCallQueue queue;
  int steps = 0;
  auto loader = std::make_unique<TThreadLoadIcons>(
      queue, [&] { return true; }, [&] { ++steps; }, 0us);
  // Let it ask for a step, then stop it before the UI thread runs it.
  std::this_thread::sleep_for(20ms);
  loader.reset();
  queue.Drain();
  const int afterStop = steps;
  queue.WaitAndDrain(20ms);
  EXPECT_EQ(steps, afterStop);
  EXPECT_EQ(steps, 0);
}

TEST(IconLoaderConcurrent, FailingStepEndsThePassQuietly) {
  TUiCallQueue queue;
  int loads = 0;
  TThreadLoadIcons loader(
      queue, [&] { return true; },
      [&] {
        if (++loads == 3) throw std::runtime_error("no icon");
      },
      0us);
  ASSERT_TRUE(DrainUntilFinished(queue, loader));
  EXPECT_EQ(loads, 3);
}

}  // namespace
}  // namespace kv
