#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/environment.h"
#include "platform/temp_file.h"
#include "platform/temp_file_os.h"

namespace norvik {

std::optional<std::string> temporaryFolder(std::string* /*error*/) {
  const std::optional<std::string> dir = environmentVariable("TMPDIR");
  return (dir && !dir->empty() ? *dir : std::string("/tmp")) + "/";
}

bool removeFile(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

std::optional<std::string> temp_file_os::createNewFile(const std::string& stem,
                                                       std::string* error) {
  const std::string pattern = stem + "XXXXXX";
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

}  // namespace norvik
