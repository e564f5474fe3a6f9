#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/eintr.h"
#include "platform/whole_file.h"
#include "platform/whole_file_os.h"
#include "platform/working_folder.h"
#include "platform/working_folder_os.h"

namespace norvik {

WholeFile readWholeFileAt(int dirFd, const std::string& name, std::size_t maxBytes,
                          std::string_view shownName) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused like any other file
  // that is not regular. O_NOCTTY: a terminal never becomes ours.
  const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return openFailure(errno, shownName);
  return readOpenFile(fd, maxBytes, shownName);
}

WholeFile readWholeFile(const std::string& path, std::size_t maxBytes) {
  // Through the file's own folder, so that a path of any length opens; the name itself is exact.
  const working_folder_os::SplitPath split = working_folder_os::splitPath(path);
  const WorkingFolder folder(split.folder);
  if (!folder.isOpen()) return folderFailure(path, folder.error());
  return readWholeFileAt(folder.fd(), split.name, maxBytes, path);
}

whole_file_os::Facts whole_file_os::inspect(NativeFile file) {
  struct stat st {};
  if (fstat(file, &st) != 0) return {errno, Kind::Other, 0};
  if (S_ISDIR(st.st_mode)) return {0, Kind::Folder, 0};
  if (!S_ISREG(st.st_mode)) return {0, Kind::Other, 0};
  return {0, Kind::Regular, static_cast<std::uint64_t>(st.st_size)};
}

std::optional<std::size_t> whole_file_os::readSome(NativeFile file, char* buffer,
                                                   std::size_t size) {
  const ssize_t n = retryOnEintr([&] { return ::read(file, buffer, size); });
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

void whole_file_os::close(NativeFile file) {
  ::close(file);
}

}  // namespace norvik
