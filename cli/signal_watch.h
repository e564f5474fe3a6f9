// Ctrl-C, SIGTERM and SIGHUP ask the running operation to stop instead of killing the process, so
// that the handler leaves its stop line in the log, the log still reaches systemlog.log and an
// interrupted read keeps the whole units it received. A second signal ends the program at once.
#pragma once

#include <memory>
#include <stop_token>

namespace norvik::cli {

class SignalWatch {
 public:
  // Blocks the three signals in the calling thread, and so in every thread started after it:
  // construct it first thing in main. A watcher thread then takes them with sigwait, where
  // request_stop may be called (it is not async-signal-safe, so no signal handler could).
  SignalWatch();
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  std::stop_token token() const;
  // The first signal taken, or 0.
  int signal() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

// 128 + the signal's number, as a shell reports a program ended by it: 130 for SIGINT, 143 for
// SIGTERM, 129 for SIGHUP.
int exitCodeForSignal(int signal);

}  // namespace norvik::cli
