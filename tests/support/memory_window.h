// A DialogWindow in memory for the host controller's tests: the thread that creates it is the
// window's thread, calls posted from other threads wait in a queue until the test pumps it, and
// a message box can be kept open (a nested loop) until the controller dismisses it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "app/dialog_window.h"

namespace norvik::testing {

class MemoryWindow final : public app::DialogWindow {
 public:
  MemoryWindow() : thread_(std::this_thread::get_id()) {}

  void setControlEnabled(int id, bool enabled) override { disabled_[id] = !enabled; }
  void setControlVisible(int id, bool visible) override { hidden_[id] = !visible; }
  int focusedControl() override { return focus_; }
  void focusControl(int id) override { focus_ = id; }
  void showAbout() override { ++aboutShown_; }
  void endDialog(app::DialogEnd how) override { ended_ = how; }
  void dismissOpenModal() override { ++dismissals_; }
  void postToWindow(std::function<void()> call) override;
  void runOnWindow(const std::function<void()>& call) override;
  void pumpUntil(const std::function<bool()>& done) override;

  // Runs posted calls, waiting for more, until `done` holds; false when it has not after a
  // generous bound (a hang in the code under test, not a timing the test relies on).
  bool pump(const std::function<bool()>& done);
  // Inside a message box the test keeps open: runs the window's calls until the controller
  // dismisses the box. False if it never does.
  bool holdOpenUntilDismissed();

  bool enabled(int id) const { return !disabled_.count(id) || !disabled_.at(id); }
  bool visible(int id) const { return !hidden_.count(id) || !hidden_.at(id); }
  int aboutShown() const { return aboutShown_; }
  int dismissals() const { return dismissals_; }
  std::optional<app::DialogEnd> ended() const { return ended_; }

 private:
  struct Pending {
    std::function<void()> call;
    bool* finished = nullptr;  // set for runOnWindow, whose caller waits
  };
  bool runOne(bool wait);

  std::thread::id thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending> queue_;
  std::map<int, bool> disabled_;
  std::map<int, bool> hidden_;
  int focus_ = 0;
  int aboutShown_ = 0;
  int dismissals_ = 0;
  std::optional<app::DialogEnd> ended_;
};

}  // namespace norvik::testing
