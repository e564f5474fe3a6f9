// The process's environment as UTF-8, such as NORVIK_TRACE and NORVIK_SIMULATOR, whose paths may
// hold Chinese names (on Windows, getenv would give them in the ANSI code page).
#pragma once

#include <optional>
#include <string>

namespace norvik {

// The variable's value; nullopt when it is not set.
std::optional<std::string> environmentVariable(const char* name);

}  // namespace norvik
