#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/page_store.h"

namespace norvik::sim {

namespace {

bool preadAll(int fd, std::uint8_t* out, std::size_t size, std::uint64_t offset, std::size_t* got) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;  // end of file
    done += static_cast<std::size_t>(n);
  }
  *got = done;
  return true;
}

bool pwriteAll(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int openTemporary(std::string* error) {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/norvik-sim-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    if (error)
      *error = "cannot create a temporary file in " + pattern + ": " + std::strerror(errno);
    return -1;
  }
  ::unlink(name.data());  // gone with the last descriptor
  return fd;
}

}  // namespace

void PageStore::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool PageStore::openFile(const std::string& imagePath, std::string* error) {
  if (imagePath.empty()) {
    fd_ = openTemporary(error);
    return fd_ >= 0;
  }
  fd_ = ::open(imagePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    if (error) *error = "cannot open image " + imagePath + ": " + std::strerror(errno);
    return false;
  }
  // One simulator per image: a second one writing the same file would corrupt both chips' views.
  // The lock belongs to this open file and goes with the descriptor.
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (error) {
      *error = errno == EWOULDBLOCK
                   ? "image " + imagePath + " is in use by another simulated programmer"
                   : "cannot lock image " + imagePath + ": " + std::strerror(errno);
    }
    close();
    return false;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    if (error) *error = "cannot inspect image " + imagePath + ": " + std::strerror(errno);
    close();
    return false;
  }
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool PageStore::readAt(std::uint8_t* out, std::size_t size, std::uint64_t offset,
                       std::size_t* got) const {
  return preadAll(fd_, out, size, offset, got);
}

bool PageStore::writeAt(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  return pwriteAll(fd_, data, size, offset);
}

}  // namespace norvik::sim
