// The one place that knows which backends stand behind the device link, and picks one. Front ends
// and tests ask for a backend here (or hand the session one of their own); nothing else names a
// backend.
//
// The choice, first match wins:
//   1. an explicit choice: norvik-cli --backend sim|dll, norvik --backend sim|dll;
//   2. the environment variable NORVIK_BACKEND=sim|dll;
//   3. the simulator when NORVIK_SIMULATOR is set (its settings file, or empty for the defaults);
//   4. the platform's default: the device library (qxUSBDev.dll) in the Windows build, the
//      simulator elsewhere, where no device library exists.
// A backend that cannot be used is an error; nothing falls back to another one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/usb_backend.h"
#include "platform/clock.h"

namespace norvik::app {

enum class BackendKind {
  Automatic,      // resolved by the rules above
  Simulator,      // the built-in simulated programmer (NORVIK_SIMULATOR configures it)
  DeviceLibrary,  // the vendor's qxUSBDev.dll: a real programmer
};

// The simulator's name, in the caption and in what norvik-cli backend prints.
inline constexpr const char* kSimulatorName = "模拟编程器";
// What --backend takes.
inline constexpr const char* kBackendChoices[] = {"sim", "dll", "auto"};

// "sim", "dll" or "auto"; nullopt for anything else.
std::optional<BackendKind> parseBackendKind(std::string_view text);

// `requested`, or for Automatic the kind rules 2 to 4 choose. nullopt, with `error` set, when
// NORVIK_BACKEND holds something other than sim or dll.
std::optional<BackendKind> resolveBackendKind(BackendKind requested, std::string* error);

struct Backend {
  std::unique_ptr<link::UsbBackend> device;
  std::string name;  // what the caption and the command line say is in use
  bool simulated = false;
  BackendKind kind = BackendKind::Simulator;
  std::string detail;  // where it comes from: the library's path and exports, the settings file
};

// Builds the backend of `kind` (Automatic is resolved first). `realTime` is the simulator's mode
// unless its settings choose one. nullopt, with `error` set, when the backend cannot be used: an
// unusable simulator INI, a missing device library or one without the two functions.
// `deviceLibrary`: the vendor's library the operator named (--device-library), "" for the one
// beside the program.
std::optional<Backend> makeBackend(BackendKind kind, Clock& clock, bool realTime,
                                   std::string* error, const std::string& deviceLibrary = {});

}  // namespace norvik::app
