#include <sys/stat.h>

#include "platform/path_exists.h"

namespace norvik {

bool pathExists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace norvik
