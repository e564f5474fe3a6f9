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

namespace norvik::sim {

struct SocketConfig {
  bool empty = false;                 // no chip: the ID reads FF FF FF FF
  std::uint8_t id[4] = {0, 0, 0, 0};  // the chip's four NAND ID bytes
  int pageSize = 2048;                // main bytes per page
  int oobSize = 64;                   // spare bytes per page
  int pagesPerBlock = 64;
  int blocks = 1024;
  std::vector<int> badBlocks;  // factory bad blocks
  std::string imagePath;       // keeps the socket's contents across restarts; "" = temporary
};

struct FaultConfig {
  bool absent = false;           // no programmer: every transfer returns 0
  bool dropReplies = false;      // commands are taken, replies never come
  bool garbageReplies = false;   // replies are random bytes
  int refuseCycles = 0;          // the first N command pairs are answered with status 0
  int badMarkerCycles = 0;       // the first N acknowledgements carry wrong marker bytes
  int shortTransferAtUnit = -1;  // data unit K (0-based) moves half its length; once per run
  int unplugAtUnit = -1;         // from data unit K of any stream on the programmer is gone
};

struct SimConfig {
  bool realTime = false;  // an empty read waits its time-out; otherwise it returns at once
  SocketConfig socketA;
  SocketConfig socketB;
  FaultConfig faults;

  // Socket A: Samsung K9F1G08U0B (EC F1 00 95), socket B: Micron MT29F2G08ABAEA (2C DA 90 95).
  static SimConfig defaults();
  // Reads the INI file; nullopt (and `error`) when it cannot be read or a value is invalid.
  static std::optional<SimConfig> load(const std::string& path, std::string* error);
  // The same on top of `base`: every key the file leaves out keeps base's value.
  static std::optional<SimConfig> load(const std::string& path, const SimConfig& base,
                                       std::string* error);
};

// A socket's geometry packet (0x02/0x03 for A, 0x02/0x05 for B) as the programmer took it:
// pageSize P is the main bytes per page plus the spare bytes when sent, spareSize S the spare
// bytes per page (0 when the spare area was not sent).
using SentGeometry = link::geometry_packet::Fields;

class SimulatedProgrammer final : public link::UsbBackend {
 public:
  // Throws std::invalid_argument for an impossible chip and std::runtime_error when a socket's
  // page store (its image file or a temporary file) cannot be opened.
  SimulatedProgrammer(SimConfig config, Clock& clock);
  ~SimulatedProgrammer() override;

  int writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs) override;
  int readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) override;

  const SimConfig& config() const;

  // Direct access to a socket's chip for tests: page `page` as main + spare bytes, as a read
  // would see it (a bad block reads as 0x00 bytes). Empty for an empty socket or a page past
  // the end of the chip.
  std::vector<std::uint8_t> peekPage(int socket /*0 = A, 1 = B*/, std::uint32_t page);
  // The geometry the host last sent for a socket; nullopt before the first geometry packet.
  std::optional<SentGeometry> sentGeometry(int socket /*0 = A, 1 = B*/) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The backend the program uses: NORVIK_SIMULATOR's file when set, built-in defaults otherwise.
// nullptr with `error` set when the named file is unusable.
std::unique_ptr<SimulatedProgrammer> makeSimulatorFromEnvironment(Clock& clock, bool realTime,
                                                                  std::string* error);

}  // namespace norvik::sim
