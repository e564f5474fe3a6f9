#include "app/backend_factory.h"

#include "sim/simulated_programmer.h"

namespace norvik::app {

namespace {
constexpr const char* kSimulatorName = "模拟编程器";
}

std::optional<Backend> makeBackend(BackendKind kind, Clock& clock, bool realTime,
                                   std::string* error) {
  switch (kind) {
    case BackendKind::Automatic:
    case BackendKind::Simulator: {
      std::unique_ptr<sim::SimulatedProgrammer> simulator =
          sim::makeSimulatorFromEnvironment(clock, realTime, error);
      if (!simulator) return std::nullopt;
      return Backend{std::move(simulator), kSimulatorName, true};
    }
  }
  if (error) *error = "unknown backend";
  return std::nullopt;
}

}  // namespace norvik::app
