#include "app/session.h"

#include "platform/environment.h"

namespace norvik::app {

std::unique_ptr<Session> Session::open(SessionOptions options, std::string* error) {
  std::unique_ptr<Session> s(new Session());
  if (options.clock == nullptr) s->ownClock_ = std::make_unique<RealClock>();
  s->clock_ = options.clock != nullptr ? options.clock : s->ownClock_.get();
  if (options.device) {
    s->backend_.device = std::move(options.device);
    s->backend_.simulated = options.simulated;
    s->backend_.name = options.simulated ? kSimulatorName : "";
  } else {
    std::optional<Backend> made =
        makeBackend(options.backend, *s->clock_, options.realTime, error, options.deviceLibrary);
    if (!made) return nullptr;
    s->backend_ = std::move(*made);
  }
  s->link_ = std::make_unique<link::DeviceLink>(*s->backend_.device, *s->clock_);
  std::string trace;
  if (options.tracePath) {
    trace = *options.tracePath;
  } else if (std::optional<std::string> env = environmentVariable("NORVIK_TRACE")) {
    trace = std::move(*env);
  }
  if (!trace.empty() && !s->link_->openTrace(trace)) s->traceError_ = trace;
  s->currentDirectory_ = std::move(options.currentDirectory);
  return s;
}

Session::~Session() = default;

CProgrammerDlg& Session::attach(DialogHost& host) {
  dialog_ = std::make_unique<CProgrammerDlg>(host, *link_, state_, currentDirectory_);
  return *dialog_;
}

}  // namespace norvik::app
