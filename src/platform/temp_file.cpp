#include "platform/temp_file.h"

#include "platform/temp_file_os.h"

namespace norvik {

std::optional<std::string> createTemporaryFile(std::string_view prefix, std::string* error) {
  const std::optional<std::string> folder = temporaryFolder(error);
  if (!folder) return std::nullopt;
  return temp_file_os::createNewFile(*folder + std::string(prefix) + "-", error);
}

}  // namespace norvik
