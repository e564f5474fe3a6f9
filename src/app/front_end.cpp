#include "app/front_end.h"

#include "app/messages.h"

namespace norvik::app {

namespace {
// The value of the last "OPTION X" or "OPTION=X" among `args`, or `otherwise`.
std::string optionValue(const std::vector<std::string>& args, std::string_view option,
                        std::string otherwise) {
  std::string choice = std::move(otherwise);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == option && i + 1 < args.size()) {
      choice = args[++i];
    } else if (arg.size() > option.size() && arg.compare(0, option.size(), option) == 0 &&
               arg[option.size()] == '=') {
      choice = arg.substr(option.size() + 1);
    }
  }
  return choice;
}
}  // namespace

std::string backendChoiceFromArgs(const std::vector<std::string>& args) {
  return optionValue(args, "--backend", "auto");
}

std::string deviceLibraryFromArgs(const std::vector<std::string>& args) {
  return optionValue(args, "--device-library", "");
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
