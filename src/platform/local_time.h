// The local calendar time of a wall-clock stamp, for the log's stamps and the journal's times;
// safe on any thread.
#pragma once

#include <ctime>
#include <string>

namespace norvik {

std::tm localTime(std::time_t t);
std::tm utcTime(std::time_t t);

// How far local time is ahead of UTC at `t`, in seconds (negative west of Greenwich), daylight
// saving included.
long utcOffsetSeconds(std::time_t t);

// `t` as local time with its offset from UTC, in ISO 8601: "2016-06-01T14:05:09+08:00".
std::string isoLocalTime(std::time_t t);

}  // namespace norvik
