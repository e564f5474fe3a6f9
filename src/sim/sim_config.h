// The simulator's settings: the chips in the two sockets, the faults to inject and the mode.
// They come from built-in defaults or from the INI file named by NORVIK_SIMULATOR
// (docs/simulator.md).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
  int weakPage = -1;           // this page reads back with bit 0 of its first byte flipped
};

struct FaultConfig {
  bool absent = false;           // no programmer: every transfer returns 0
  bool dropReplies = false;      // commands are taken, replies never come
  bool garbageReplies = false;   // replies are random bytes
  int refuseCycles = 0;          // the first N command pairs are answered with status 0
  int badMarkerCycles = 0;       // the first N acknowledgements carry wrong marker bytes
  int shortTransferAtUnit = -1;  // data unit K (0-based) moves half its length; once per run
  int unplugAtUnit = -1;         // from data unit K of any stream on the programmer is gone
  // Copy and erase jobs.
  int stallAtPercent = -1;           // at P % of a job the programmer is gone for good
  bool doneInAck = false;            // jobs finish at once: the acknowledgement says 100
  bool shortDoneReport = false;      // once per run, mid-job: 8 bytes of a report saying 100
  bool wrongMarkDoneReport = false;  // once per run, mid-job: a report saying 100, byte 0 wrong
  int extraBadBlocks = 0;            // the first N good blocks erases meet turn bad
};

// Chips taken out of socket B and put in on a schedule, as an operator at a copy station does.
// Chip 1 is socket B's configured chip, there from the simulator's start; each later chip is a
// fresh, erased chip of the same kind. Times are on the program's clock.
struct SwapConfig {
  int chips = 0;               // chips that pass through socket B; 0: no swapping
  int presentMs = 5000;        // how long each chip stays in, from its insertion
  int absentMs = 2000;         // how long the socket stays empty before the next chip
  std::vector<int> weakChips;  // the chips (1 = the first) that carry WeakPage; none: all do
};

struct SimConfig {
  bool realTime = false;  // an empty read waits its time-out; otherwise it returns at once
  SocketConfig socketA;
  SocketConfig socketB;
  FaultConfig faults;
  SwapConfig swap;

  // Socket A: Samsung K9F1G08U0B (EC F1 00 95), socket B: Micron MT29F2G08ABAEA (2C DA 90 95).
  static SimConfig defaults();
  // Reads the INI file; nullopt (and `error`) when it cannot be read or a value is invalid.
  static std::optional<SimConfig> load(const std::string& path, std::string* error);
  // The same on top of `base`: every key the file leaves out keeps base's value.
  static std::optional<SimConfig> load(const std::string& path, const SimConfig& base,
                                       std::string* error);
};

}  // namespace norvik::sim
