// What chip the simulator can model. The INI reader and the simulator's constructor both ask
// here, so a chip that loads is a chip that runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_config.h"

namespace norvik::sim {

// Largest chip the simulator models, in pages: its page bitmap stays at 2 MiB.
inline constexpr long long kMaxPages = 1LL << 24;

struct ChipProblem {
  std::string_view key;  // the INI key of the offending value ("Page", "BadBlocks", ...)
  std::string value;     // that value, as a number
  std::string why;
};

// The first thing about `chip` the simulator cannot model, or nullopt.
std::optional<ChipProblem> checkChip(const SocketConfig& chip);

}  // namespace norvik::sim
