#include "files/file_object.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace norvik::files {

FileObject::~FileObject() {
  close();
}

bool FileObject::open(const std::string& path, Access access, Disposition disposition) {
  close();
  int flags = O_CLOEXEC;
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
  // Never O_TRUNC here: a file someone else holds must not be emptied before the lock says so.
  if (disposition != Disposition::OpenExisting) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  // No sharing: an exclusive lock on the open file description. It conflicts with every other
  // open of the file that asks for one, in this process or another.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  if (disposition == Disposition::CreateAlways && access != Access::Read && S_ISREG(st.st_mode) &&
      ftruncate(fd, 0) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = path;
  return true;
}

void FileObject::close() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  fd_ = -1;
  path_.clear();
}

bool FileObject::seek(std::uint64_t offset) {
  return fd_ >= 0 && lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool FileObject::seekToEnd() {
  return fd_ >= 0 && lseek(fd_, 0, SEEK_END) >= 0;
}

std::int64_t FileObject::length() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

std::size_t FileObject::read(void* buffer, std::size_t count) {
  if (fd_ < 0) return 0;
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool FileObject::write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return false;
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace norvik::files
