#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/settings_file.h"

namespace norvik::sim {

namespace {

std::nullopt_t fail(std::string* error, const std::string& path, const std::string& why) {
  if (error) *error = "cannot read simulator settings " + path + ": " + why;
  return std::nullopt;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> readSettingsFile(const std::string& path, std::string* error) {
  // Non-blocking, so that a FIFO without a writer cannot hold up the open.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ENOENT) return fail(error, path, "no such file");
    return fail(error, path, std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fail(error, path, std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail(error, path, "it is a folder, not a file");
  if (!S_ISREG(st.st_mode)) return fail(error, path, "not a regular file (a device or pipe?)");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxSettingsBytes) {
    return fail(error, path, "larger than " + std::to_string(kMaxSettingsBytes >> 20) + " MiB");
  }
  std::string text;
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(error, path, std::strerror(errno));
    }
    if (n == 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
    // The file may have grown since it was inspected.
    if (text.size() > kMaxSettingsBytes) {
      return fail(error, path, "larger than " + std::to_string(kMaxSettingsBytes >> 20) + " MiB");
    }
  }
  return text;
}

}  // namespace norvik::sim
