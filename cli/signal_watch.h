// Ctrl-C, SIGTERM and SIGHUP ask the running operation to stop instead of killing the process, so
// that the handler leaves its stop line in the log, the log still reaches systemlog.log and an
// interrupted read keeps the whole units it received. A second signal ends the program at once.
//
// On Windows the console's events stand for the signals: Ctrl-C for SIGINT (130), Ctrl-Break
// for SIGTERM (143), closing the console window for SIGHUP (129). The system ends a process
// whose console is closed a few seconds after the event, whatever the program does; until then
// the stop runs as for the other events.
#pragma once

#include <atomic>
#include <memory>
#include <stop_token>

namespace norvik::cli {

class SignalWatch {
 public:
  // Blocks the three signals in the calling thread, and so in every thread started after it:
  // construct it first thing in main. A watcher thread then takes them with sigwait, where
  // request_stop may be called (it is not async-signal-safe, so no signal handler could). On
  // Windows it installs the console's control handler, which the system runs on a thread of its
  // own.
  SignalWatch();
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  std::stop_token token() const;
  // The first signal taken, or 0.
  int signal() const;

  // What the watcher and the program share. The watcher may outlive the SignalWatch (it waits
  // for signals until the process ends), so it holds its own reference.
  struct Shared {
    std::stop_source stop;
    std::atomic<int> signal{0};
  };

 private:
  std::shared_ptr<Shared> shared_;
};

// 128 + the signal's number, as a shell reports a program ended by it: 130 for SIGINT, 143 for
// SIGTERM, 129 for SIGHUP.
int exitCodeForSignal(int signal);

}  // namespace norvik::cli
