// The built-in simulated programmer: the default backend behind the device library's two calls.
// It decodes the same 16-byte packets and data streams real hardware sees, against emulated
// chips in two sockets, and injects faults on request. Configured from the INI file named by
// NORVIK_SIMULATOR (documented in docs/simulator.md), or from built-in defaults.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/geometry_packet.h"
#include "link/usb_backend.h"
#include "platform/clock.h"
#include "sim/job_status.h"
#include "sim/sim_config.h"

namespace norvik::sim {

// A socket's geometry packet (0x02/0x03 for A, 0x02/0x05 for B) as the programmer took it:
// pageSize P is the main bytes per page plus the spare bytes when sent, spareSize S the spare
// bytes per page (0 when the spare area was not sent).
using SentGeometry = link::geometry_packet::Fields;

class SimulatedProgrammer final : public link::UsbBackend {
 public:
  // Throws std::invalid_argument for an impossible chip and std::runtime_error when a socket's
  // page store (its image file or a temporary file) cannot be opened or is in use.
  SimulatedProgrammer(SimConfig config, Clock& clock);
  ~SimulatedProgrammer() override;

  int writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs) override;
  int readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) override;

  const SimConfig& config() const;

  // Direct access to a socket's chip for tests: page `page` as main + spare bytes, as a read
  // would see it (a bad block reads as 0x00 bytes). Empty for an empty socket or a page past
  // the end of the chip. A running copy or erase is brought up to the clock first.
  std::vector<std::uint8_t> peekPage(int socket /*0 = A, 1 = B*/, std::uint32_t page);
  // The geometry the host last sent for a socket; nullopt before the first geometry packet.
  std::optional<SentGeometry> sentGeometry(int socket /*0 = A, 1 = B*/) const;
  // The last copy or erase job begun, as it stands; nullopt before the first.
  std::optional<JobStatus> lastJob() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The simulator as the program starts it: the settings from the INI file the environment
// variable `variable` names, the built-in defaults when it is unset or empty. nullptr with
// `error` set when the named file is unusable.
std::unique_ptr<SimulatedProgrammer> makeSimulatorFromEnvironment(
    Clock& clock, bool realTime, std::string* error, const char* variable = "NORVIK_SIMULATOR");

}  // namespace norvik::sim
