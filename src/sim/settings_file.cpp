#include "sim/settings_file.h"

#include <utility>

#include "platform/whole_file.h"

namespace norvik::sim {

std::optional<std::string> readSettingsFile(const std::string& path, std::string* error) {
  // The platform's bounded whole-file read already refuses folders, devices and pipes without
  // blocking, on either platform.
  WholeFile file = readWholeFile(path, kMaxSettingsBytes);
  if (file.read()) return std::move(file.bytes);
  if (error) {
    std::string why;
    switch (file.status) {
      case WholeFile::Status::Missing:
        why = "no such file";
        break;
      case WholeFile::Status::TooLarge:
        why = "larger than " + std::to_string(kMaxSettingsBytes >> 20) + " MiB";
        break;
      case WholeFile::Status::NotAFile:
        why = file.message.ends_with(kFolderNotFile) ? "it is a folder, not a file"
                                                     : "not a regular file (a device or pipe?)";
        break;
      default: {
        // The message names the file first; here the prefix below names it.
        const std::string named = path + ": ";
        why = file.message.starts_with(named) ? file.message.substr(named.size()) : file.message;
        break;
      }
    }
    *error = "cannot read simulator settings " + path + ": " + why;
  }
  return std::nullopt;
}

}  // namespace norvik::sim
