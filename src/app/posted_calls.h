// The calls posted to a dialog's window from other threads (DialogWindow::postToWindow), queued
// under a standard mutex: a host only wakes its window's thread (a message that carries no data)
// and runs them there, so each hand-over is ordered by this mutex, which the thread sanitizer sees
// as well.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

namespace norvik::app {

class PostedCalls {
 public:
  void push(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  // Runs the queued calls in order, those queued meanwhile too. Window thread.
  void runAll() {
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard lock(mutex_);
        if (calls_.empty()) return;
        call = std::move(calls_.front());
        calls_.pop_front();
      }
      call();
    }
  }
  // Drops what is still queued (the window is gone).
  void clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
};

}  // namespace norvik::app
