// The facade: one lock around the command decoder and the socket model, and waiting out
// time-outs outside it.
#include "sim/simulated_programmer.h"

#include <mutex>
#include <utility>

#include "platform/environment.h"
#include "sim/command_decoder.h"
#include "sim/socket_model.h"

namespace norvik::sim {

struct SimulatedProgrammer::Impl {
  Impl(SimConfig c, Clock& k) : config(std::move(c)), clock(k), model(config) {}

  SimConfig config;
  Clock& clock;
  mutable std::mutex mutex;
  SocketModel model;
  CommandDecoder decoder{config, clock, model};
};

SimulatedProgrammer::SimulatedProgrammer(SimConfig config, Clock& clock)
    : impl_(std::make_unique<Impl>(std::move(config), clock)) {}

SimulatedProgrammer::~SimulatedProgrammer() = default;

int SimulatedProgrammer::writeData(int endpoint, const unsigned char* buffer, int length,
                                   int timeoutMs) {
  int sleepMs = 0;
  int result = 0;
  {
    std::lock_guard lock(impl_->mutex);
    result = impl_->decoder.write(endpoint, buffer, length, timeoutMs, &sleepMs);
  }
  if (sleepMs > 0) impl_->clock.sleepMs(sleepMs);  // not under the lock
  return result;
}

int SimulatedProgrammer::readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  int sleepMs = 0;
  int result = 0;
  {
    std::lock_guard lock(impl_->mutex);
    result = impl_->decoder.read(endpoint, buffer, length, timeoutMs, &sleepMs);
  }
  if (sleepMs > 0) impl_->clock.sleepMs(sleepMs);
  return result;
}

const SimConfig& SimulatedProgrammer::config() const {
  return impl_->config;
}

std::vector<std::uint8_t> SimulatedProgrammer::peekPage(int socket, std::uint32_t page) {
  std::lock_guard lock(impl_->mutex);
  if (socket < 0 || socket >= kSocketCount) return {};
  impl_->decoder.catchUp();
  return impl_->model.socket(socket).peekPage(page);
}

std::optional<SentGeometry> SimulatedProgrammer::sentGeometry(int socket) const {
  std::lock_guard lock(impl_->mutex);
  if (socket < 0 || socket >= kSocketCount) return std::nullopt;
  return impl_->model.socket(socket).sent;
}

std::optional<JobStatus> SimulatedProgrammer::lastJob() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.lastJob();
}

std::unique_ptr<SimulatedProgrammer> makeSimulatorFromEnvironment(Clock& clock, bool realTime,
                                                                  std::string* error,
                                                                  const char* variable) {
  SimConfig config = SimConfig::defaults();
  config.realTime = realTime;
  const std::optional<std::string> path = environmentVariable(variable);
  if (path && !path->empty()) {
    std::optional<SimConfig> loaded = SimConfig::load(*path, config, error);
    if (!loaded) return nullptr;
    config = std::move(*loaded);
  }
  try {
    return std::make_unique<SimulatedProgrammer>(std::move(config), clock);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return nullptr;
  }
}

}  // namespace norvik::sim
