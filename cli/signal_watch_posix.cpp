#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

#include "signal_watch.h"

namespace norvik::cli {

namespace {

// The three signals, less those the caller has set to be ignored (nohup, a shell's background
// job): a blocked signal still reaches sigwait, and the caller did not mean it to stop anything.
sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaddset(&set, sig);
  }
  return set;
}

void watch(std::shared_ptr<SignalWatch::Shared> shared, sigset_t set) {
  for (;;) {
    int taken = 0;
    if (sigwait(&set, &taken) != 0) continue;
    int expected = 0;
    if (!shared->signal.compare_exchange_strong(expected, taken)) {
      // The operator insists: end now, without the log.
      _exit(exitCodeForSignal(taken));
    }
    std::fprintf(stderr,
                 "\nnorvik-cli: stopping after the current step, then saving the log "
                 "(again to end at once)\n");
    shared->stop.request_stop();
  }
}

}  // namespace

SignalWatch::SignalWatch() : shared_(std::make_shared<Shared>()) {
  const sigset_t set = stopSignals();
  if (sigisemptyset(&set) != 0) return;
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(watch, shared_, set).detach();
}

}  // namespace norvik::cli
