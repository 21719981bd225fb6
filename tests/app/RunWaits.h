// The window's run goes on beside the event loop: a test lets the loop run
// until the run is over, or holds the run inside a library's listing to see
// what the window does meanwhile.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "app/dvmain.h"

// Lets the loop run until `done` holds, calling `meanwhile` at each pass;
// false when it did not come to hold within `limit`.
inline bool LoopUntil(const std::function<bool()>& done, const std::function<void()>& meanwhile = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(120)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents();
    if (meanwhile) meanwhile();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Lets the loop run until the form's run has ended and shown its end.
inline void WaitForRunEnd(Tdovanel& form, const std::function<void()>& meanwhile = {}) {
  EXPECT_TRUE(LoopUntil([&] { return !form.Running(); }, meanwhile)) << "the run did not end";
}

// Keeps the run's worker inside a library call (a fake library's listing
// hook calls Arrive) until the test, on the loop's thread, calls Release.
class TListingHold {
 public:
  // On the worker: tells the test it is there and waits for it (a few
  // seconds at most, so that a window that never answers fails the test
  // rather than hang it).
  void Arrive() {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
  }
  bool Arrived() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return arrived_;
  }
  void Release() {
    const std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  // On the loop's thread: lets the loop run until the worker is held, and
  // then once more to take what it reported before.
  bool WaitForArrival() {
    const bool arrived = LoopUntil(std::bind(&TListingHold::Arrived, this), {}, std::chrono::seconds(20));
    QApplication::processEvents();
    return arrived;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool arrived_ = false;
  bool released_ = false;
};
