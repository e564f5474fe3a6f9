#include "app/backend_factory.h"

#include "devlib/device_library_backend.h"
#include "devlib/library_loader.h"
#include "platform/environment.h"
#include "sim/simulated_programmer.h"

namespace norvik::app {

namespace {
#ifdef _WIN32
constexpr BackendKind kPlatformDefault = BackendKind::DeviceLibrary;
#else
constexpr BackendKind kPlatformDefault = BackendKind::Simulator;
#endif

std::optional<Backend> simulator(Clock& clock, bool realTime, std::string* error) {
  std::unique_ptr<sim::SimulatedProgrammer> programmer =
      sim::makeSimulatorFromEnvironment(clock, realTime, error);
  if (!programmer) return std::nullopt;
  const std::optional<std::string> settings = environmentVariable("NORVIK_SIMULATOR");
  return Backend{std::move(programmer), kSimulatorName, true, BackendKind::Simulator,
                 settings && !settings->empty() ? *settings : std::string("built-in settings")};
}

std::optional<Backend> deviceLibrary(const std::string& path, std::string* error) {
  std::optional<devlib::LoadedLibrary> library = devlib::loadDeviceLibrary(path, error);
  if (!library) return std::nullopt;
  return Backend{std::make_unique<devlib::DeviceLibraryBackend>(std::move(library->functions)),
                 devlib::kLibraryFile, false, BackendKind::DeviceLibrary,
                 library->path + " (" + library->exportsUsed + ")"};
}
}  // namespace

std::optional<BackendKind> parseBackendKind(std::string_view text) {
  if (text == "sim") return BackendKind::Simulator;
  if (text == "dll") return BackendKind::DeviceLibrary;
  if (text == "auto") return BackendKind::Automatic;
  return std::nullopt;
}

std::optional<BackendKind> resolveBackendKind(BackendKind requested, std::string* error) {
  if (requested != BackendKind::Automatic) return requested;
  if (const std::optional<std::string> chosen = environmentVariable("NORVIK_BACKEND");
      chosen && !chosen->empty()) {
    const std::optional<BackendKind> kind = parseBackendKind(*chosen);
    if (!kind || *kind == BackendKind::Automatic) {
      if (error) *error = "NORVIK_BACKEND must be sim or dll, not \"" + *chosen + "\"";
      return std::nullopt;
    }
    return kind;
  }
  if (environmentVariable("NORVIK_SIMULATOR")) return BackendKind::Simulator;
  return kPlatformDefault;
}

std::optional<Backend> makeBackend(BackendKind kind, Clock& clock, bool realTime,
                                   std::string* error, const std::string& deviceLibraryPath) {
  const std::optional<BackendKind> resolved = resolveBackendKind(kind, error);
  if (!resolved) return std::nullopt;
  switch (*resolved) {
    case BackendKind::Simulator:
      return simulator(clock, realTime, error);
    case BackendKind::DeviceLibrary:
      return deviceLibrary(deviceLibraryPath, error);
    case BackendKind::Automatic:
      break;
  }
  if (error) *error = "unknown backend";
  return std::nullopt;
}

}  // namespace norvik::app
