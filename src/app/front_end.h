// Starting a front end (the dialog, the command line): the backend its command line asks for and
// the session on it, with the texts that say why a start failed. Both front ends start here, so
// they refuse the same things with the same words.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "platform/library_search.h"

namespace norvik::app {

// Both front ends call it first thing in main: libraries come from the program's folder and the
// system's only.
using norvik::restrictLibrarySearch;

struct StartFailure {
  enum class Kind {
    None,
    BadChoice,      // --backend or NORVIK_BACKEND names no backend
    DeviceLibrary,  // qxUSBDev.dll is missing, unloadable or without the two functions
    Simulator,      // the simulator's settings are unusable
  };
  Kind kind = Kind::None;
  std::string text;  // what to tell the user, whole
};

// The value of the last "--backend X" or "--backend=X" among `args` (args[0] is the program);
// "auto" when none is given.
std::string backendChoiceFromArgs(const std::vector<std::string>& args);
// The same for "--device-library PATH": the vendor's library to load instead of the one beside
// the program; "" when none is named.
std::string deviceLibraryFromArgs(const std::vector<std::string>& args);

// Resolves `choice` ("sim", "dll", "auto") and opens the session on it; `options.backend` is
// replaced. nullptr, with `failure` set, when the backend cannot be used.
std::unique_ptr<Session> openFrontEndSession(std::string_view choice, SessionOptions options,
                                             StartFailure* failure);

// What to say when the session runs without the trace file it was asked to write; "" otherwise.
std::string traceWarning(const Session& session);

}  // namespace norvik::app
