// Where a copy or erase job stands, for tests and tools that look into the simulator.
#pragma once

#include <cstdint>

namespace norvik::sim {

enum class JobKind { Copy, Erase };

struct JobStatus {
  JobKind kind = JobKind::Erase;
  double durationMs = 0;
  std::uint32_t rangeBlocks = 0;  // block positions the range asks for
  std::uint32_t blocksDone = 0;   // of those, the ones done so far
  int badBlocks = 0;              // bad blocks met so far, on either side for a copy
  bool finished = false;
};

}  // namespace norvik::sim
