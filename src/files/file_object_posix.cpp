#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_object.h"
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
  // Never O_TRUNC here: a file someone else holds must not be emptied before the lock says so,
  // and a device must never be truncated at all.
  if (disposition != Disposition::OpenExisting) flags |= O_CREAT;
  return flags;
}

}  // namespace

bool FileObject::open(const std::string& path, Access access, Disposition disposition) {
  close();
  const int fd = openAnyLength(path, openFlags(access, disposition), 0644);
  return adopt(fd, path, access, disposition);
}

bool FileObject::open(const WorkingFolder& folder, std::string_view relativeName, Access access,
                      Disposition disposition) {
  close();
  std::string actual;
  const int fd = folder.openFile(relativeName, openFlags(access, disposition), 0644, &actual);
  return adopt(fd, folder.pathOf(actual), access, disposition);
}

bool FileObject::adopt(int fd, std::string path, Access access, Disposition disposition) {
  if (fd < 0) {
    lastError_ = errno;
    return false;
  }
  const auto refuse = [&](int error) {
    ::close(fd);
    lastError_ = error;
    return false;
  };
  struct stat st {};
  if (fstat(fd, &st) != 0) return refuse(errno);
  // Images and outputs are regular files. A FIFO would block the transfer thread, a device
  // reads as length 0 or never ends, a folder holds no bytes.
  if (!S_ISREG(st.st_mode)) return refuse(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  // Reads and writes block again, as for any regular file.
  const int status = fcntl(fd, F_GETFL);
  if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) return refuse(errno);
  // No sharing: an exclusive lock on the open file description. It conflicts with every other
  // open of the file that asks for one, in this process or another.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(errno);
  if (disposition == Disposition::CreateAlways && access != Access::Read && ftruncate(fd, 0) != 0) {
    return refuse(errno);
  }
  fd_ = fd;
  path_ = std::move(path);
  lastError_ = 0;
  return true;
}

void FileObject::close() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  fd_ = -1;
  path_.clear();
}

bool FileObject::seek(std::uint64_t offset) {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return false;
  }
  const bool ok = lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
  lastError_ = ok ? 0 : errno;
  return ok;
}

bool FileObject::seekToEnd() {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return false;
  }
  const bool ok = lseek(fd_, 0, SEEK_END) >= 0;
  lastError_ = ok ? 0 : errno;
  return ok;
}

std::int64_t FileObject::length() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

std::size_t FileObject::read(void* buffer, std::size_t count) {
  lastError_ = fd_ < 0 ? EBADF : 0;
  if (fd_ < 0) return 0;
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) lastError_ = errno;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool FileObject::write(const void* buffer, std::size_t count) {
  lastError_ = fd_ < 0 ? EBADF : 0;
  if (fd_ < 0) return false;
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) lastError_ = errno;
    if (n == 0) lastError_ = EIO;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace norvik::files
