// The text a message shows for an errno value: on every system what strerror says on Linux, so
// that a message reads the same wherever the program runs.
#pragma once

#include <string>

namespace norvik {

std::string errnoText(int error);

}  // namespace norvik
