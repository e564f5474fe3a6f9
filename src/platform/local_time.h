// The local calendar time of a wall-clock stamp, for the log's stamps; safe on any thread.
#pragma once

#include <ctime>

namespace norvik {

std::tm localTime(std::time_t t);

}  // namespace norvik
