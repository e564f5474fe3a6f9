// A clock for tests: time moves only when someone sleeps, so a test can assert the exact
// sequence of transfers and pauses without waiting for them.
#pragma once

#include <ctime>
#include <mutex>

#include "platform/clock.h"

namespace norvik {

// Time that moves only when someone sleeps. Thread-safe; the wall time is a fixed start plus
// the virtual milliseconds elapsed.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(std::time_t wallStart = 1464761109 /* 2016-06-01 06:05:09 UTC */)
      : wallStart_(wallStart) {}
  void sleepMs(int ms) override;
  double monotonicMs() override;
  std::time_t wallNow() override;
  void advanceMs(double ms);
  double sleptMs() const;

 private:
  std::time_t wallStart_;
  mutable std::mutex mutex_;
  double nowMs_ = 0;
  double sleptMs_ = 0;
};

}  // namespace norvik
