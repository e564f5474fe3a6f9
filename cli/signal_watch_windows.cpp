#include <windows.h>

#include <cstdio>
#include <memory>

#include "signal_watch.h"

namespace norvik::cli {

namespace {

// The signals the console's events stand for, by their POSIX numbers (the exit codes are the
// same on every system).
constexpr int kSigHup = 1;
constexpr int kSigInt = 2;
constexpr int kSigTerm = 15;

// The system calls the control handler with the event alone, no context of ours: the process's
// watch is reached through this. Set before the handler is installed, never cleared.
std::atomic<SignalWatch::Shared*> watched{nullptr};

int signalFor(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return kSigInt;
    case CTRL_BREAK_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return kSigTerm;
    case CTRL_CLOSE_EVENT:
      return kSigHup;
    default:
      return 0;
  }
}

// Runs on a thread the system starts for the event, where request_stop may be called. A Ctrl-C
// that the starting process set to be ignored (a process group started without Ctrl-C) never
// gets here, as an ignored SIGINT stays ignored elsewhere.
BOOL WINAPI onConsoleEvent(DWORD event) {
  const int signal = signalFor(event);
  SignalWatch::Shared* shared = watched.load();
  if (signal == 0 || shared == nullptr) return FALSE;
  int expected = 0;
  if (!shared->signal.compare_exchange_strong(expected, signal)) {
    // The operator insists: end now, without the log.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCodeForSignal(signal)));
  }
  std::fprintf(stderr,
               "\nnorvik-cli: stopping after the current step, then saving the log "
               "(again to end at once)\n");
  shared->stop.request_stop();
  if (signal != kSigInt && event != CTRL_BREAK_EVENT) {
    // The console is going away, and the process with it as soon as this returns: wait here,
    // so that the stopped run can still save its log and end through main (the system gives it
    // a few seconds).
    Sleep(INFINITE);
  }
  return TRUE;
}

}  // namespace

SignalWatch::SignalWatch() : shared_(std::make_shared<Shared>()) {
  // The handler may run until the process ends, after this watch is gone: it keeps the first
  // watch's state alive for good (there is one watch, made first thing in main).
  static const std::shared_ptr<Shared> keptForTheHandler = shared_;
  watched.store(keptForTheHandler.get());
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace norvik::cli
