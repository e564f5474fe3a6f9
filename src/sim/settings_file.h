// Reading the simulator's INI file into memory without surprises: a folder, a device, a file
// that cannot be read or that vanished, or one too large to be a settings file, each gives an
// error message instead of an exception or a blocked read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace norvik::sim {

// A settings file is a few hundred bytes; anything past this is not one.
inline constexpr std::size_t kMaxSettingsBytes = 4 * 1024 * 1024;

// The file's bytes, or nullopt and `error` (which names the file).
std::optional<std::string> readSettingsFile(const std::string& path, std::string* error);

}  // namespace norvik::sim
