#include "memory_window.h"

#include <chrono>

namespace norvik::testing {

namespace {
// Only a hang reaches this: every wait below ends as soon as the awaited call is posted.
constexpr auto kHangBound = std::chrono::seconds(30);
}  // namespace

void MemoryWindow::postToWindow(std::function<void()> call) {
  std::lock_guard lock(mutex_);
  queue_.push_back({std::move(call), nullptr});
  changed_.notify_all();
}

void MemoryWindow::runOnWindow(const std::function<void()>& call) {
  if (std::this_thread::get_id() == thread_) return call();
  bool finished = false;
  std::unique_lock lock(mutex_);
  queue_.push_back({[&call] { call(); }, &finished});
  changed_.notify_all();
  changed_.wait(lock, [&finished] { return finished; });
}

bool MemoryWindow::runOne(bool wait) {
  Pending next;
  {
    std::unique_lock lock(mutex_);
    if (queue_.empty()) {
      if (!wait || !changed_.wait_for(lock, kHangBound, [this] { return !queue_.empty(); })) {
        return false;
      }
    }
    next = std::move(queue_.front());
    queue_.pop_front();
  }
  next.call();
  if (next.finished != nullptr) {
    std::lock_guard lock(mutex_);
    *next.finished = true;
    changed_.notify_all();
  }
  return true;
}

void MemoryWindow::pumpUntil(const std::function<bool()>& done) {
  while (!done()) {
    if (!runOne(/*wait=*/true)) return;
  }
}

bool MemoryWindow::pump(const std::function<bool()>& done) {
  while (!done()) {
    if (!runOne(/*wait=*/true)) return done();
  }
  return true;
}

bool MemoryWindow::holdOpenUntilDismissed() {
  const int before = dismissals_;
  return pump([this, before] { return dismissals_ > before; });
}

}  // namespace norvik::testing
