// Config.ini: the user's preferred socket, chip-enable line and default length, read once at
// start-up from section "NandType" of the working folder's Config.ini (found whatever its letter
// case). Every key reads as empty when missing.
#pragma once

#include <string>

#include "platform/working_folder.h"

namespace norvik::catalogue {

inline constexpr const char* kConfigFileName = "Config.ini";

struct StartupConfig {
  std::string ce;      // "0" or "1" selects a chip-enable radio; anything else neither
  std::string lens;    // hex text for the read, copy and erase length edits
  std::string csChip;  // "ChipA0" or "ChipB0" selects a socket radio; anything else neither
};

StartupConfig readStartupConfig(const std::string& currentDirectory);
// The same; a Config.ini that is there but cannot be read (a folder or device in its place, no
// permission, larger than kMaxProfileBytes) counts as missing, and `error` (when given) receives
// why, or is cleared when it was read or is missing.
StartupConfig readStartupConfig(const std::string& currentDirectory, std::string* error);
StartupConfig readStartupConfig(const WorkingFolder& folder, std::string* error);

}  // namespace norvik::catalogue
