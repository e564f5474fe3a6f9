#include "virtual_clock.h"

namespace norvik {

void VirtualClock::sleepMs(int ms) {
  if (ms <= 0) return;
  std::lock_guard lock(mutex_);
  nowMs_ += ms;
  sleptMs_ += ms;
}

void VirtualClock::advanceMs(double ms) {
  std::lock_guard lock(mutex_);
  nowMs_ += ms;
}

double VirtualClock::monotonicMs() {
  std::lock_guard lock(mutex_);
  return nowMs_;
}

double VirtualClock::sleptMs() const {
  std::lock_guard lock(mutex_);
  return sleptMs_;
}

std::time_t VirtualClock::wallNow() {
  std::lock_guard lock(mutex_);
  return wallStart_ + static_cast<std::time_t>(nowMs_ / 1000.0);
}

}  // namespace norvik
