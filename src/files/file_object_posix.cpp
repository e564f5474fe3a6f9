#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_object_os.h"
#include "platform/eintr.h"
#include "platform/working_folder.h"

namespace norvik::files {

namespace {

int openFlags(Access access, Disposition disposition) {
  // O_NONBLOCK: opening a FIFO must not wait for its other end; the file is refused anyway
  // once fstat shows what it is. O_NOCTTY: a terminal never becomes ours.
  int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  switch (access) {
    case Access::Read:
      flags |= O_RDONLY;
      break;
    case Access::Write:
      flags |= O_WRONLY;
      break;
    case Access::ReadWrite:
      flags |= O_RDWR;
      break;
  }
  // Never O_TRUNC: the file is emptied only once it is known to be a regular file held here.
  if (disposition != Disposition::OpenExisting) flags |= O_CREAT;
  return flags;
}

}  // namespace

NativeFile file_object_os::open(const std::string& path, Access access, Disposition disposition) {
  return openAnyLength(path, openFlags(access, disposition), 0644);
}

NativeFile file_object_os::open(const WorkingFolder& folder, std::string_view relativeName,
                                Access access, Disposition disposition, std::string* actualName) {
  return folder.openFile(relativeName, openFlags(access, disposition), 0644, actualName);
}

std::optional<file_object_os::Kind> file_object_os::kindOf(NativeFile file) {
  struct stat st {};
  if (fstat(file, &st) != 0) return std::nullopt;
  if (S_ISREG(st.st_mode)) return Kind::Regular;
  return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
}

bool file_object_os::holdAlone(NativeFile file) {
  // Reads and writes block again, as for any regular file.
  const int status = fcntl(file, F_GETFL);
  if (status < 0 || fcntl(file, F_SETFL, status & ~O_NONBLOCK) != 0) return false;
  // An exclusive lock on the open file description. It conflicts with every other open of the
  // file that asks for one, in this process or another; closing releases it.
  return flock(file, LOCK_EX | LOCK_NB) == 0;
}

bool file_object_os::empty(NativeFile file) {
  return ftruncate(file, 0) == 0;
}

void file_object_os::close(NativeFile file) {
  ::close(file);
}

bool file_object_os::seek(NativeFile file, std::uint64_t offset) {
  return lseek(file, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool file_object_os::seekToEnd(NativeFile file) {
  return lseek(file, 0, SEEK_END) >= 0;
}

bool file_object_os::truncate(NativeFile file, std::uint64_t length) {
  return retryOnEintr([&] { return ftruncate(file, static_cast<off_t>(length)); }) == 0;
}

std::int64_t file_object_os::length(NativeFile file) {
  struct stat st {};
  return fstat(file, &st) == 0 ? st.st_size : -1;
}

std::optional<std::size_t> file_object_os::readSome(NativeFile file, void* buffer,
                                                    std::size_t count) {
  const ssize_t n = retryOnEintr([&] { return ::read(file, buffer, count); });
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

std::optional<std::size_t> file_object_os::writeSome(NativeFile file, const void* buffer,
                                                     std::size_t count) {
  const ssize_t n = retryOnEintr([&] { return ::write(file, buffer, count); });
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

}  // namespace norvik::files
