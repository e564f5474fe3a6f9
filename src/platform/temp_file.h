// Scratch files in the system's temporary folder, named and removed by their UTF-8 paths (such as
// the read-back of norvik-cli's --verify, or the simulator's cells).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvik {

// The folder scratch files go in, ending in a separator so that a name can follow it: $TMPDIR
// when it is set and not empty, else /tmp; on Windows the user's temporary folder. nullopt with
// `error` saying why when there is none.
std::optional<std::string> temporaryFolder(std::string* error);
// Creates a new empty file named `prefix`, a dash and a unique part, in the temporary folder.
// Its path, or nullopt with `error` saying why.
std::optional<std::string> createTemporaryFile(std::string_view prefix, std::string* error);
// Removes the file at `path`; false when it could not be removed.
bool removeFile(const std::string& path);

}  // namespace norvik
