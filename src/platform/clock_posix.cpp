#include <sys/prctl.h>
#include <time.h>  // NOLINT(modernize-deprecated-headers): POSIX clock_gettime, clock_nanosleep

#include "platform/clock.h"

namespace norvik {

namespace {
constexpr std::int64_t kNsPerMs = 1'000'000;
// Below this much time left, spinning beats the scheduler's wake-up latency.
constexpr std::int64_t kSpinNs = 120'000;

std::int64_t monotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}
}  // namespace

RealClock::RealClock() {
  // The default 50 us slack would add up over thousands of 1 ms pauses per transfer.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

RealClock::~RealClock() = default;

void RealClock::sleepMs(int ms) {
  if (ms <= 0) return;
  sleepUntilMs(static_cast<double>(monotonicNs() + std::int64_t{ms} * kNsPerMs) / 1e6);
}

void RealClock::sleepUntilMs(double deadlineMs) {
  const auto deadline = static_cast<std::int64_t>(deadlineMs * 1e6);
  const std::int64_t wakeAt = deadline - kSpinNs;
  if (wakeAt > monotonicNs()) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(wakeAt / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(wakeAt % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
  }
  while (monotonicNs() < deadline) {
  }
}

double RealClock::monotonicMs() {
  return static_cast<double>(monotonicNs()) / 1e6;
}

}  // namespace norvik
