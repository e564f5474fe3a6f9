// The working folder: where the system's own files live (Config.ini, nand_lib/<vendor>.ini,
// systemlog.log, test.bin, test1.bin). It is held open as a directory descriptor and every file
// is opened relative to it, so a folder path of any length works, longer than PATH_MAX too. On
// Windows it is held as its absolute path in the "\\?\" form, which has no length limit either.
//
// Names are looked up the way Windows finds them, without regard to letter case, because
// working folders are copied from Windows machines with "config.ini", "NAND_LIB/Samsung.ini" or
// "SystemLog.log". When several entries of one folder differ only in case, the first of them in
// byte order is taken, so the choice does not depend on the order the file system lists them in.
// A file that does not exist yet is created with the spelling the program asks for.
#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <cerrno>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/whole_file.h"

namespace norvik {

namespace working_folder_os {
// The system's hold on a folder (working_folder_os.h).
class Folder;
struct FolderRelease {
  void operator()(Folder* folder) const noexcept;
};
}  // namespace working_folder_os

class WorkingFolder {
 public:
  // Holds no folder: every look-up fails as if the file were missing.
  WorkingFolder();
  // Opens the folder at `path` (absolute or relative to the current directory; empty means the
  // current directory). Check isOpen(); error() tells why not.
  explicit WorkingFolder(std::string_view path);
  ~WorkingFolder();
  WorkingFolder(WorkingFolder&& other) noexcept;
  WorkingFolder& operator=(WorkingFolder&& other) noexcept;
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  bool isOpen() const { return root_ != nullptr; }
#ifndef _WIN32
  // The folder's directory descriptor; -1 when not open.
  int fd() const;
#endif
  // errno of a failed open (ENOENT when nothing was opened), 0 when open.
  int error() const {
    return error_;
  }
  // The path given to the constructor.
  const std::string& path() const {
    return path_;
  }
  // The path of `relativeName` inside the folder, for messages and for FileObject::path() (on
  // Windows with backslashes).
  std::string pathOf(std::string_view relativeName) const;

  // The name as it is spelled on disk, for a relative name such as "nand_lib/samsung.ini" whose
  // every component is matched without regard to case; nullopt when a component is missing.
  std::optional<std::string> find(std::string_view relativeName) const;

#ifdef _WIN32
  // The path to open `relativeName` by, in long form (wide_path.h), its components matched as
  // find() does; a missing last component keeps the spelling given, to be created so (the
  // folders on the way must exist). nullopt with errno set when it cannot be. `actualName`
  // receives the name as it is (or will be) on disk.
  std::optional<std::wstring> nativePathOf(std::string_view relativeName,
                                           std::string* actualName = nullptr) const;
#else
  // open(2) relative to the folder, the name matched as find() does. With O_CREAT, a missing
  // last component is created with the spelling given (the folders on the way must exist).
  // Returns the descriptor, or -1 with errno set. `actualName` receives the name opened.
  int openFile(std::string_view relativeName, int flags, mode_t mode = 0644,
               std::string* actualName = nullptr) const;
#endif

  // The whole file, when it is a regular file of at most `maxBytes` bytes.
  WholeFile readFile(std::string_view relativeName, std::size_t maxBytes) const;

 private:
  std::unique_ptr<working_folder_os::Folder, working_folder_os::FolderRelease> root_;
  int error_ = ENOENT;
  std::string path_;
};

#ifndef _WIN32
// open(2) of a path of any length: a path longer than PATH_MAX is opened through its folder,
// one component at a time. Exact names, as given. Returns -1 with errno set on failure.
int openAnyLength(const std::string& path, int flags, mode_t mode = 0644);
#endif

}  // namespace norvik
