#include <windows.h>
// After windows.h, which it needs:
#include <timeapi.h>

#include "platform/clock.h"

namespace norvik {

namespace {

// Not yet in every SDK's headers; Windows before 10 1803 refuses it.
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
// Below this much time left, spinning beats the timer's wake-up latency.
constexpr double kSpinMs = 0.2;

double ticksPerMs() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);  // fixed at boot; reading it is cheap
  return static_cast<double>(frequency.QuadPart) / 1000.0;
}

// Wine takes the high-resolution flag but makes an ordinary timer of it, whose wake-ups come
// through its server a millisecond or more late; its Sleep, on the other hand, is precise.
bool underWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

HANDLE createHighResolutionTimer() {
  return CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
}

// Waits about `ms` (more than 0) on a timer of its own, so that threads never share one.
bool waitOnTimer(double ms) {
  const HANDLE timer = createHighResolutionTimer();
  if (timer == nullptr) return false;
  LARGE_INTEGER due{};
  due.QuadPart = -static_cast<LONGLONG>(ms * 10'000.0);  // relative, in 100 ns units
  const bool waited = SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) != 0 &&
                      WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0;
  CloseHandle(timer);
  return waited;
}

}  // namespace

RealClock::RealClock() {
  // Sleep's granularity is the system timer's period: 1 ms instead of the default 15.6 ms.
  timeBeginPeriod(1);
  if (underWine()) {
    waiting_ = Waiting::PreciseSleep;
  } else if (const HANDLE probe = createHighResolutionTimer(); probe != nullptr) {
    CloseHandle(probe);
    waiting_ = Waiting::HighResolutionTimer;
  }
}

RealClock::~RealClock() {
  timeEndPeriod(1);
}

void RealClock::sleepMs(int ms) {
  if (ms <= 0) return;
  sleepUntilMs(monotonicMs() + ms);
}

void RealClock::sleepUntilMs(double deadlineMs) {
  for (;;) {
    const double left = deadlineMs - monotonicMs() - kSpinMs;
    if (left <= 0) break;
    if (waiting_ == Waiting::HighResolutionTimer && waitOnTimer(left)) continue;
    // Whole milliseconds that end before the deadline even when Sleep wakes late.
    const double lateBy = waiting_ == Waiting::PreciseSleep ? 0.0 : 1.0;
    if (left - lateBy < 1.0) break;
    Sleep(static_cast<DWORD>(left - lateBy));
  }
  while (monotonicMs() < deadlineMs) {
  }
}

double RealClock::monotonicMs() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs();
}

}  // namespace norvik
