// Scratch files in the system's temporary folder, named and removed by their UTF-8 paths (such as
// the read-back of norvik-cli's --verify).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvik {

// Creates a new empty file named `prefix`, a dash and a unique part, in the temporary folder
// (/tmp; on Windows the user's temporary folder). Its path, or nullopt with `error` saying why.
std::optional<std::string> createTemporaryFile(std::string_view prefix, std::string* error);
// Removes the file at `path`; false when it could not be removed.
bool removeFile(const std::string& path);

}  // namespace norvik
