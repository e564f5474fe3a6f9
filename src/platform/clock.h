// Time as the protocol sees it: pauses between packets, time-outs of the simulated programmer,
// the wall-clock stamps of the operation log. Production uses RealClock; tests use a virtual clock,
// so that a test can assert the exact sequence of pauses without waiting for them.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <mutex>

namespace norvik {

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for `ms` milliseconds (0 returns at once).
  virtual void sleepMs(int ms) = 0;
  // Blocks until monotonicMs() reaches `deadlineMs` (returns at once when it has).
  virtual void sleepUntilMs(double deadlineMs);
  // Milliseconds on a monotonic scale; only differences mean anything.
  virtual double monotonicMs() = 0;
  // Seconds since the epoch, for log stamps.
  virtual std::time_t wallNow() = 0;
};

// Sleeps precisely: a 1 ms pause costs about 1 ms, not the 1.05-1.1 ms that a plain nanosleep
// with the default timer slack gives (or the 1-2 ms of a plain Sleep(1) on Windows). It sleeps to
// shortly before the deadline, then spins.
class RealClock final : public Clock {
 public:
  RealClock();
  ~RealClock() override;
  RealClock(const RealClock&) = delete;
  RealClock& operator=(const RealClock&) = delete;
  void sleepMs(int ms) override;
  void sleepUntilMs(double deadlineMs) override;
  double monotonicMs() override;
  std::time_t wallNow() override;

 private:
#ifdef _WIN32
  // How the clock waits before it spins, chosen once (see clock_windows.cpp): on a
  // high-resolution timer (Windows 10 1803 and later), or in whole milliseconds of Sleep, which
  // may wake a millisecond late on Windows and wakes on time under Wine.
  enum class Waiting { HighResolutionTimer, Sleep, PreciseSleep };
  Waiting waiting_ = Waiting::Sleep;
#endif
};

}  // namespace norvik
