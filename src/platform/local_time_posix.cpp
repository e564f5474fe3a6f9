#include "platform/local_time.h"

namespace norvik {

std::tm localTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

std::tm utcTime(std::time_t t) {
  std::tm utc{};
  gmtime_r(&t, &utc);
  return utc;
}

}  // namespace norvik
