// Config.ini: the user's preferred socket, chip-enable line and default length, read once at
// start-up from section "NandType". Every key reads as empty when missing.
#pragma once

#include <string>

namespace norvik::catalogue {

inline constexpr const char* kConfigFileName = "Config.ini";

struct StartupConfig {
  std::string ce;      // "0" or "1" selects a chip-enable radio; anything else neither
  std::string lens;    // hex text for the read, copy and erase length edits
  std::string csChip;  // "ChipA0" or "ChipB0" selects a socket radio; anything else neither
};

StartupConfig readStartupConfig(const std::string& currentDirectory);

}  // namespace norvik::catalogue
