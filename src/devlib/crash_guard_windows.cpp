#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <mutex>

#include "devlib/crash_guard.h"

namespace norvik::devlib {

namespace {

using CrashSink = std::function<void(const std::string& what)>;

// The sink of the guarded call the thread is in, if any.
thread_local const CrashSink* guardedSink = nullptr;
// The filter that was installed before ours (the C runtime's, typically), for other threads.
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

std::string hex(std::uintptr_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%0*" PRIXPTR, static_cast<int>(sizeof(void*) * 2), value);
  return buf;
}

std::string describe(const EXCEPTION_RECORD& record) {
  const auto at = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(record.ExceptionCode));
  std::string what;
  switch (record.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
      what = "access violation";
      if (record.NumberParameters >= 2) {
        const ULONG_PTR kind = record.ExceptionInformation[0];
        what += kind == 0 ? " reading " : kind == 1 ? " writing " : " executing ";
        what += hex(record.ExceptionInformation[1]);
      }
      break;
    case EXCEPTION_STACK_OVERFLOW:
      what = "stack overflow";
      break;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      what = "illegal instruction";
      break;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      what = "division by zero";
      break;
    default:
      what = "unhandled exception";
      break;
  }
  return what + " (exception " + code + " at " + hex(at) + ")";
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
  const CrashSink* sink = guardedSink;
  if (sink == nullptr) {
    return previousFilter != nullptr ? previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
  }
  guardedSink = nullptr;  // a second fault while reporting goes the usual way
  (*sink)(describe(*info->ExceptionRecord));
  // The thread's stack is the crashed code's: it never runs again. It ends with the process.
  for (;;) Sleep(INFINITE);
}

}  // namespace

int guardedCall(const std::function<int()>& call, const CrashSink& crashed) {
  static std::once_flag installed;
  std::call_once(installed,
                 [] { previousFilter = SetUnhandledExceptionFilter(onUnhandledException); });
  guardedSink = &crashed;
  const int result = call();
  guardedSink = nullptr;
  return result;
}

}  // namespace norvik::devlib
