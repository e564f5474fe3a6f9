#include "platform/local_time.h"

namespace norvik {

std::tm localTime(std::time_t t) {
  std::tm local{};
  localtime_s(&local, &t);  // the C library's thread-safe form; its arguments are swapped
  return local;
}

}  // namespace norvik
