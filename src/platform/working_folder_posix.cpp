#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/working_folder.h"

namespace norvik {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Closes a descriptor without losing the errno of the failure that made us give it up.
void closeKeepingErrno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> out;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (!part.empty() && part != ".") out.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return out;
}

// Opens a folder one component at a time, so that no single call sees more than one name.
int openDirectoryByComponents(std::string_view path) {
  int fd = ::open(!path.empty() && path.front() == '/' ? "/" : ".", kDirFlags);
  for (std::string_view part : components(path)) {
    if (fd < 0) return -1;
    const int next = openat(fd, std::string(part).c_str(), kDirFlags);
    closeKeepingErrno(fd);
    fd = next;
  }
  return fd;
}

int openDirectory(std::string_view path) {
  if (path.empty()) return ::open(".", kDirFlags);
  if (path.size() < PATH_MAX) {
    const int fd = ::open(std::string(path).c_str(), kDirFlags);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
  }
  return openDirectoryByComponents(path);
}

char foldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: the system's own names are ASCII, and other bytes are compared as
// they are (a UTF-8 or CP936 name matches only itself).
bool sameNameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

// The entry of folder `dirFd` spelled like `name` without regard to case: the first in byte
// order when several are. "." and ".." stand for themselves.
std::optional<std::string> matchInFolder(int dirFd, std::string_view name) {
  if (name == "." || name == "..") return std::string(name);
  const int listFd = openat(dirFd, ".", kDirFlags);
  if (listFd < 0) return std::nullopt;
  DIR* dir = fdopendir(listFd);
  if (!dir) {
    closeKeepingErrno(listFd);
    return std::nullopt;
  }
  std::optional<std::string> best;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view candidate(entry->d_name);
    if (!sameNameNoCase(candidate, name)) continue;
    if (!best || candidate < *best) best = std::string(candidate);
  }
  closedir(dir);
  if (!best) errno = ENOENT;
  return best;
}

// Walks the folders of `parts` except the last, matching each without regard to case, and
// returns a descriptor of the last folder (to be closed by the caller), or -1 with errno set.
// `spelled` receives the names as they are on disk.
int walkFolders(int rootFd, const std::vector<std::string_view>& parts, std::string& spelled) {
  int fd = openat(rootFd, ".", kDirFlags);
  for (std::size_t i = 0; i + 1 < parts.size() && fd >= 0; ++i) {
    const std::optional<std::string> actual = matchInFolder(fd, parts[i]);
    if (!actual) {
      closeKeepingErrno(fd);
      return -1;
    }
    const int next = openat(fd, actual->c_str(), kDirFlags);
    closeKeepingErrno(fd);
    fd = next;
    spelled += *actual;
    spelled += '/';
  }
  return fd;
}

}  // namespace

WorkingFolder::WorkingFolder(std::string_view path) : path_(path) {
  fd_ = openDirectory(path);
  error_ = fd_ < 0 ? errno : 0;
}

WorkingFolder::~WorkingFolder() {
  if (fd_ >= 0) ::close(fd_);
}

WorkingFolder::WorkingFolder(WorkingFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(std::exchange(other.error_, ENOENT)),
      path_(std::move(other.path_)) {}

WorkingFolder& WorkingFolder::operator=(WorkingFolder&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    error_ = std::exchange(other.error_, ENOENT);
    path_ = std::move(other.path_);
  }
  return *this;
}

std::string WorkingFolder::pathOf(std::string_view relativeName) const {
  std::string out = path_;
  if (!out.empty() && out.back() != '/') out += '/';
  out += relativeName;
  return out;
}

std::optional<std::string> WorkingFolder::find(std::string_view relativeName) const {
  const std::vector<std::string_view> parts = components(relativeName);
  if (fd_ < 0 || parts.empty()) return std::nullopt;
  std::string spelled;
  const int folder = walkFolders(fd_, parts, spelled);
  if (folder < 0) return std::nullopt;
  std::optional<std::string> last = matchInFolder(folder, parts.back());
  closeKeepingErrno(folder);
  if (!last) return std::nullopt;
  return spelled + *last;
}

int WorkingFolder::openFile(std::string_view relativeName, int flags, mode_t mode,
                            std::string* actualName) const {
  const std::vector<std::string_view> parts = components(relativeName);
  if (fd_ < 0 || parts.empty()) {
    errno = fd_ < 0 ? EBADF : ENOENT;
    return -1;
  }
  std::string spelled;
  const int folder = walkFolders(fd_, parts, spelled);
  if (folder < 0) return -1;
  const std::optional<std::string> found = matchInFolder(folder, parts.back());
  if (!found && !(flags & O_CREAT)) {
    closeKeepingErrno(folder);
    return -1;
  }
  const std::string name = found ? *found : std::string(parts.back());
  const int fd = openat(folder, name.c_str(), flags | O_CLOEXEC, mode);
  closeKeepingErrno(folder);
  if (fd >= 0 && actualName) *actualName = spelled + name;
  return fd;
}

WholeFile WorkingFolder::readFile(std::string_view relativeName, std::size_t maxBytes) const {
  const std::string shown = pathOf(relativeName);
  if (fd_ < 0) {
    WholeFile f;
    if (error_ != ENOENT && error_ != ENOTDIR) f.status = WholeFile::Status::Unreadable;
    f.message = path_ + ": " + std::strerror(error_ ? error_ : ENOENT);
    return f;
  }
  const std::optional<std::string> actual = find(relativeName);
  if (!actual) {
    WholeFile f;
    f.message = shown + ": " + std::strerror(ENOENT);
    return f;
  }
  return readWholeFileAt(fd_, *actual, maxBytes, pathOf(*actual));
}

int openAnyLength(const std::string& path, int flags, mode_t mode) {
  if (path.size() < PATH_MAX) return ::open(path.c_str(), flags, mode);
  const std::size_t slash = path.rfind('/');
  const std::string_view parent = slash == std::string::npos ? std::string_view()
                                  : slash == 0               ? std::string_view("/")
                                               : std::string_view(path).substr(0, slash);
  const WorkingFolder folder(parent);
  if (!folder.isOpen()) return -1;
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return openat(folder.fd(), name.c_str(), flags, mode);
}

}  // namespace norvik
