#include "platform/clock.h"

#include <cmath>

namespace norvik {

void Clock::sleepUntilMs(double deadlineMs) {
  const double left = deadlineMs - monotonicMs();
  if (left > 0) sleepMs(static_cast<int>(std::ceil(left)));
}

std::time_t RealClock::wallNow() {
  return std::time(nullptr);
}

}  // namespace norvik
