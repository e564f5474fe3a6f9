#include "platform/append_file.h"

namespace norvik {

std::FILE* openForAppending(const std::string& path) {
  return std::fopen(path.c_str(), "a");
}

}  // namespace norvik
