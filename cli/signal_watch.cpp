#include "signal_watch.h"

namespace norvik::cli {

SignalWatch::~SignalWatch() = default;

std::stop_token SignalWatch::token() const {
  return shared_->stop.get_token();
}

int SignalWatch::signal() const {
  return shared_->signal.load();
}

int exitCodeForSignal(int signal) {
  return 128 + signal;
}

}  // namespace norvik::cli
