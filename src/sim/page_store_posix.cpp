#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/eintr.h"
#include "sim/page_store_os.h"

namespace norvik::sim {

namespace os = page_store_os;

namespace {

os::Image closedAfter(int fd, os::Image::Failed step) {
  const int error = errno;
  ::close(fd);
  return {kNoFile, 0, step, error};
}

}  // namespace

os::Image os::openImage(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return {kNoFile, 0, Image::Failed::Open, errno};
  // The lock belongs to this open file and goes with the descriptor.
  if (retryOnEintr([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
    return closedAfter(fd, Image::Failed::Lock);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) return closedAfter(fd, Image::Failed::Inspect);
  return {fd, static_cast<std::uint64_t>(st.st_size), Image::Failed::Nothing, 0};
}

os::Scratch os::openScratch(const std::string& folder) {
  const std::string pattern = folder + "norvik-sim-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {kNoFile, Scratch::Failed::Create, errno, pattern};
  ::unlink(name.data());  // gone with the last descriptor
  return {fd, Scratch::Failed::Nothing, 0, {}};
}

std::optional<std::size_t> os::readSomeAt(NativeFile file, std::uint8_t* out, std::size_t size,
                                          std::uint64_t offset) {
  const ssize_t n =
      retryOnEintr([&] { return ::pread(file, out, size, static_cast<off_t>(offset)); });
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

std::optional<std::size_t> os::writeSomeAt(NativeFile file, const std::uint8_t* data,
                                           std::size_t size, std::uint64_t offset) {
  const ssize_t n =
      retryOnEintr([&] { return ::pwrite(file, data, size, static_cast<off_t>(offset)); });
  if (n < 0) return std::nullopt;
  return static_cast<std::size_t>(n);
}

void os::close(NativeFile file) {
  ::close(file);
}

}  // namespace norvik::sim
