// The system's part of temp_file.h (temp_file_posix.cpp, temp_file_windows.cpp). For the
// platform's own sources only.
#pragma once

#include <optional>
#include <string>

namespace norvik::temp_file_os {

// Creates a new empty file whose path is `stem` and a unique part; its path, or nullopt with
// `error` saying why.
std::optional<std::string> createNewFile(const std::string& stem, std::string* error);

}  // namespace norvik::temp_file_os
