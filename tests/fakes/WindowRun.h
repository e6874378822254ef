// Driving the real main window from a test until something has happened.
#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

#include "ui/Main.h"

namespace kv::test {

// Runs the window's queued scan calls and Qt events until done() holds or 20 s
// pass; the last answer of done().
inline bool RunWindowUntil(TfrmMain& w, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    w.DrainScanCalls();
    QCoreApplication::processEvents();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

}  // namespace kv::test
