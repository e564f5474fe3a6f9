#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/temp_file.h"

namespace norvik {

std::optional<std::string> createTemporaryFile(std::string_view prefix, std::string* error) {
  const std::string pattern = "/tmp/" + std::string(prefix) + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return std::nullopt;
  }
  close(fd);
  return std::string(name.data());
}

bool removeFile(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

}  // namespace norvik
