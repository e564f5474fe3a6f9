#include <windows.h>

#include "platform/path_exists.h"
#include "platform/wide_path.h"

namespace norvik {

bool pathExists(const std::string& path) {
  return GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace norvik
