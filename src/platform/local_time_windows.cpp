#include "platform/local_time.h"

namespace norvik {

// The C library's thread-safe forms; their arguments are swapped.
std::tm localTime(std::time_t t) {
  std::tm local{};
  localtime_s(&local, &t);
  return local;
}

std::tm utcTime(std::time_t t) {
  std::tm utc{};
  gmtime_s(&utc, &t);
  return utc;
}

}  // namespace norvik
