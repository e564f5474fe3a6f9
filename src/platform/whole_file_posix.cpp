#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/whole_file.h"
#include "platform/working_folder.h"

namespace norvik {

namespace {

WholeFile refusal(WholeFile::Status status, std::string_view shownName, std::string_view why) {
  WholeFile f;
  f.status = status;
  f.message = std::string(shownName) + ": " + std::string(why);
  return f;
}

WholeFile failure(int error, std::string_view shownName) {
  const WholeFile::Status status = error == ENOENT || error == ENOTDIR
                                       ? WholeFile::Status::Missing
                                       : WholeFile::Status::Unreadable;
  return refusal(status, shownName, std::strerror(error));
}

}  // namespace

WholeFile readWholeFileAt(int dirFd, const std::string& name, std::size_t maxBytes,
                          std::string_view shownName) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below like any other
  // file that is not regular. O_NOCTTY: a terminal never becomes ours.
  const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failure(errno, shownName);
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return failure(error, shownName);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return refusal(WholeFile::Status::NotAFile, shownName,
                   S_ISDIR(st.st_mode) ? kFolderNotFile : "is not a regular file");
  }
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return refusal(WholeFile::Status::TooLarge, shownName, tooLarge);
  }
  WholeFile f;
  f.status = WholeFile::Status::Read;
  f.bytes.reserve(static_cast<std::size_t>(st.st_size));
  // Read to the end rather than trusting the size: the file may grow meanwhile, and some
  // regular files (under /proc) report a size of 0.
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return refusal(WholeFile::Status::Unreadable, shownName, std::strerror(error));
    }
    if (n == 0) break;
    if (f.bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
      ::close(fd);
      return refusal(WholeFile::Status::TooLarge, shownName, tooLarge);
    }
    f.bytes.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return f;
}

WholeFile readWholeFile(const std::string& path, std::size_t maxBytes) {
  // The file's own folder, so that a path of any length opens; the name itself is exact.
  const std::size_t slash = path.rfind('/');
  const std::string folderPath = slash == std::string::npos ? std::string()
                                 : slash == 0               ? std::string("/")
                                                            : path.substr(0, slash);
  const WorkingFolder folder(folderPath);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (folder.isOpen()) return readWholeFileAt(folder.fd(), name, maxBytes, path);
  WholeFile file;
  if (folder.error() != ENOENT && folder.error() != ENOTDIR) {
    file.status = WholeFile::Status::Unreadable;
    file.message = path + ": cannot open its folder";
  }
  return file;
}

}  // namespace norvik
