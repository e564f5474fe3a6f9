#include "app/front_end.h"

#include "app/messages.h"

namespace norvik::app {

std::string backendChoiceFromArgs(const std::vector<std::string>& args) {
  constexpr std::string_view kOption = "--backend";
  std::string choice = "auto";
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == kOption && i + 1 < args.size()) {
      choice = args[++i];
    } else if (arg.size() > kOption.size() && arg.compare(0, kOption.size(), kOption) == 0 &&
               arg[kOption.size()] == '=') {
      choice = arg.substr(kOption.size() + 1);
    }
  }
  return choice;
}

std::unique_ptr<Session> openFrontEndSession(std::string_view choice, SessionOptions options,
                                             StartFailure* failure) {
  std::string error;
  const std::optional<BackendKind> asked = parseBackendKind(choice);
  const std::optional<BackendKind> kind =
      asked ? resolveBackendKind(*asked, &error) : std::optional<BackendKind>();
  if (!kind) {
    if (!asked) error = "--backend must be sim, dll or auto, not \"" + std::string(choice) + "\"";
    *failure = {StartFailure::Kind::BadChoice, std::string(kMsgBackendUnusable) + error};
    return nullptr;
  }
  options.backend = *kind;
  std::unique_ptr<Session> session = Session::open(std::move(options), &error);
  if (!session) {
    if (*kind == BackendKind::DeviceLibrary) {
      *failure = {StartFailure::Kind::DeviceLibrary,
                  std::string(kMsgDeviceLibraryUnusable) + error};
    } else {
      *failure = {StartFailure::Kind::Simulator, std::string(kMsgSimulatorUnusable) + error};
    }
  }
  return session;
}

std::string traceWarning(const Session& session) {
  if (session.traceError().empty()) return {};
  return std::string(kMsgTraceUnwritable) + session.traceError();
}

}  // namespace norvik::app
