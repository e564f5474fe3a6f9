// The system's own files (Config.ini, nand_lib/, systemlog.log, test.bin) are found in the
// process's current directory at the moment of use. Paths of any length work.
#pragma once

#include <string>
#include <string_view>

namespace norvik {

std::string currentDirectory();
// `dir` joined with a relative name such as "Config.ini" or "nand_lib/samsung.ini" (on Windows a
// trailing backslash counts as the separator too, and a backslash is put when there is none).
std::string joinPath(std::string_view dir, std::string_view name);

}  // namespace norvik
