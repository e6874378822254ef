// For reads that hang when a fault returns: a blocked read cannot be
// cancelled, so a call that does not return in time fails the test program.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace kv::test {

inline void ReturnsWithin(std::chrono::seconds limit, const std::function<void()>& call) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> returned = done->get_future();
  std::thread([&call, done] {
    call();
    done->set_value();
  }).detach();
  if (returned.wait_for(limit) == std::future_status::ready) return;
  ADD_FAILURE() << "the call did not return within " << limit.count() << " s";
  std::fprintf(stderr, "a read hangs: the test program ends here\n");
  std::_Exit(1);
}

}  // namespace kv::test
