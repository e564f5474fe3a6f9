#include <cstdio>

#include "platform/append_file.h"
#include "platform/wide_path.h"

namespace norvik {

std::FILE* openForAppending(const std::string& path) {
  // Binary: the lines are the same bytes as on every other system.
  return _wfopen(longPath(path).c_str(), L"ab");
}

}  // namespace norvik
