// The one place that knows which backends stand behind the device link, and picks one. Front ends
// and tests ask for a backend here (or hand the session one of their own); nothing else names a
// backend.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "link/usb_backend.h"
#include "platform/clock.h"

namespace norvik::app {

enum class BackendKind {
  Automatic,  // the simulator on this platform (NORVIK_SIMULATOR configures it)
  Simulator,
};

struct Backend {
  std::unique_ptr<link::UsbBackend> device;
  std::string name;  // what the caption and the command line say is in use
  bool simulated = false;
};

// Builds the backend of `kind`. `realTime` is the simulator's mode unless its settings choose one.
// nullopt, with `error` set, when the backend cannot be used (an unusable simulator INI).
std::optional<Backend> makeBackend(BackendKind kind, Clock& clock, bool realTime,
                                   std::string* error);

}  // namespace norvik::app
