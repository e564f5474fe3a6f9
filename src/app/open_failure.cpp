#include "app/open_failure.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/messages.h"
#include "platform/path_exists.h"

namespace norvik::app {

std::string openFailureText(const files::FileObject& file, const std::string& path, bool creating) {
  const int error = file.lastError();
  switch (error) {
    case EWOULDBLOCK:
      return kMsgFileBusy;
    case ENOENT:
    case ENOTDIR:
      return kMsgFileMissing + path;
    case EISDIR:
      return kMsgFileIsFolder + path;
    case EINVAL:
      return kMsgFileNotRegular + path;
    case EACCES:
    case EPERM:
      // Refused to create a file that is not there yet: the folder is what may not be written.
      return (creating && !pathExists(path) ? kMsgFolderNotWritable : kMsgFileNoPermission) + path;
    case EROFS:
      return kMsgFileReadOnlyMedium + path;
    default:
      break;
  }
  char text[160];
  std::snprintf(text, sizeof text, kMsgFileOpenFailed, std::strerror(error));
  return text + path;
}

}  // namespace norvik::app
