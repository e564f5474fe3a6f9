#include <cstring>

#include "platform/errno_text.h"

namespace norvik {

std::string errnoText(int error) {
  return std::strerror(error);
}

}  // namespace norvik
