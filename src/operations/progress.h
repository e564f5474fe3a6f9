// How an operation reports its progress without knowing who shows it: the dialog's handlers
// turn these calls into progress-bar messages and percentage labels.
#pragma once

#include <cstdint>

namespace norvik::operations {

// A data stream (program or read): counted by the host, unit by unit.
class StreamProgress {
 public:
  virtual ~StreamProgress() = default;
  // Before the first unit: the stream will move `wholeUnits` whole units.
  virtual void started(std::uint32_t wholeUnits) = 0;
  // After unit `index` went through, for every 64th unit (0, 64, 128, ...).
  virtual void advanced(std::uint32_t index, std::uint32_t wholeUnits) = 0;
};

inline constexpr std::uint32_t kProgressEveryUnits = 64;

}  // namespace norvik::operations
