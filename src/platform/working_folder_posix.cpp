#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/whole_file_os.h"
#include "platform/working_folder.h"
#include "platform/working_folder_os.h"

namespace norvik {

namespace os = working_folder_os;

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Closes a descriptor without losing the errno of the failure that made us give it up.
void closeKeepingErrno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

// Opens a folder one component at a time, so that no single call sees more than one name.
int openDirectoryByComponents(std::string_view path) {
  int fd = ::open(!path.empty() && path.front() == '/' ? "/" : ".", kDirFlags);
  for (std::string_view part : os::components(path)) {
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

}  // namespace

class os::Folder {
 public:
  explicit Folder(int fd) : fd_(fd) {}
  ~Folder() { closeKeepingErrno(fd_); }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

void os::FolderRelease::operator()(Folder* folder) const noexcept {
  delete folder;
}

const std::string_view os::kSeparators = "/";

os::NativeName os::nativeName(std::string_view utf8) {
  return std::string(utf8);
}

std::string os::shownName(const NativeName& name) {
  return name;
}

os::FolderPtr os::openFolder(std::string_view path) {
  const int fd = openDirectory(path);
  return FolderPtr(fd < 0 ? nullptr : new Folder(fd));
}

std::optional<os::NativeName> os::spellingIn(const Folder& folder, const NativeName& name) {
  const int listFd = openat(folder.fd(), ".", kDirFlags);
  if (listFd < 0) return std::nullopt;
  DIR* dir = fdopendir(listFd);
  if (!dir) {
    closeKeepingErrno(listFd);
    return std::nullopt;
  }
  NameChoice choice(name);
  while (const dirent* entry = readdir(dir)) choice.consider(entry->d_name);
  closedir(dir);
  if (!choice.chosen()) errno = ENOENT;
  return choice.chosen();
}

os::FolderPtr os::enter(const Folder& folder, const NativeName& name) {
  const int fd = openat(folder.fd(), name.c_str(), kDirFlags);
  return FolderPtr(fd < 0 ? nullptr : new Folder(fd));
}

WholeFile os::readIn(const Folder& folder, const NativeName& name, std::size_t maxBytes,
                     std::string_view shownName) {
  return readWholeFileAt(folder.fd(), name, maxBytes, shownName);
}

os::SplitPath os::splitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string(), path};
  return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

int WorkingFolder::fd() const {
  return root_ ? root_->fd() : -1;
}

int WorkingFolder::openFile(std::string_view relativeName, int flags, mode_t mode,
                            std::string* actualName) const {
  const std::optional<os::Resolved> r =
      os::resolve(root_.get(), relativeName, (flags & O_CREAT) != 0);
  if (!r) return -1;
  const int fd = openat(r->folder->fd(), r->last.c_str(), flags | O_CLOEXEC, mode);
  if (fd >= 0 && actualName) *actualName = r->spelled;
  return fd;
}

int openAnyLength(const std::string& path, int flags, mode_t mode) {
  if (path.size() < PATH_MAX) return ::open(path.c_str(), flags, mode);
  const os::SplitPath split = os::splitPath(path);
  const WorkingFolder folder(split.folder);
  if (!folder.isOpen()) return -1;
  return openat(folder.fd(), split.name.c_str(), flags, mode);
}

}  // namespace norvik
