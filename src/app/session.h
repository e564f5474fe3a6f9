// One run of the programmer's front end, assembled in one place: the clock, the backend behind
// the device link, the link with its trace, the system's process-wide state and the dialog's
// handlers. The dialog, the command line, the benchmark and the tests' rigs all start here.
#pragma once

#include <memory>
#include <string>

#include "app/backend_factory.h"
#include "app/dialog_host.h"
#include "app/programmer_dlg.h"
#include "link/device_link.h"
#include "platform/clock.h"

namespace norvik::app {

struct SessionOptions {
  BackendKind backend = BackendKind::Automatic;
  // The vendor's library the operator named (--device-library); "" for the one beside the program.
  std::string deviceLibrary;
  bool realTime = true;  // the simulator's mode unless its settings choose one
  // A backend of the caller's own (the tests' scripted programmer); the factory is not asked.
  std::unique_ptr<link::UsbBackend> device;
  bool simulated = true;   // with `device`: what the caption says
  Clock* clock = nullptr;  // the caller's clock; by default the session's own RealClock
  // The device trace; by default the file NORVIK_TRACE names, if any.
  std::optional<std::string> tracePath;
  // Where the system's files are; by default the process's current directory.
  CProgrammerDlg::DirectoryProvider currentDirectory;
};

class Session {
 public:
  // nullptr, with `error` set, when the backend cannot be used.
  static std::unique_ptr<Session> open(SessionOptions options, std::string* error);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The dialog's handlers, working on `host`'s controls. Call once, before dialog().
  CProgrammerDlg& attach(DialogHost& host);
  CProgrammerDlg& dialog() { return *dialog_; }

  Clock& clock() { return *clock_; }
  link::UsbBackend& device() { return *backend_.device; }
  link::DeviceLink& link() { return *link_; }
  ProgrammerState& state() { return state_; }
  const Backend& backend() const { return backend_; }
  const std::string& backendName() const { return backend_.name; }
  bool simulated() const { return backend_.simulated; }
  // Set when the trace file could not be opened (the session runs without it).
  const std::string& traceError() const { return traceError_; }

 private:
  Session() = default;

  std::unique_ptr<RealClock> ownClock_;
  Clock* clock_ = nullptr;
  Backend backend_;
  std::unique_ptr<link::DeviceLink> link_;
  ProgrammerState state_;
  CProgrammerDlg::DirectoryProvider currentDirectory_;
  std::unique_ptr<CProgrammerDlg> dialog_;
  std::string traceError_;
};

}  // namespace norvik::app
