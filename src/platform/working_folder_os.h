// The system's part of WorkingFolder (working_folder_posix.cpp, working_folder_windows.cpp):
// holding a folder, looking a name up in it, going into a folder in it, reading a file in it.
// How a relative name is walked, what a missing name does, how names are matched where the
// system compares them exactly, and every message are working_folder.cpp's. For the platform's
// own sources only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/whole_file.h"
#include "platform/working_folder.h"

namespace norvik::working_folder_os {

// A name as the system takes it: bytes on POSIX, UTF-16 on Windows.
#ifdef _WIN32
using NativeName = std::wstring;
#else
using NativeName = std::string;
#endif

using FolderPtr = std::unique_ptr<Folder, FolderRelease>;

// The characters that separate the components of a relative name; the first is the one shown
// paths are joined with.
extern const std::string_view kSeparators;

NativeName nativeName(std::string_view utf8);
std::string shownName(const NativeName& name);

// Holds the folder at `path` (empty: the current directory); nullptr with errno set.
FolderPtr openFolder(std::string_view path);
// The entry of `folder` that `name` stands for, spelled as it is on disk; nullopt with errno set
// (ENOENT when there is none). Never called for "." or "..".
std::optional<NativeName> spellingIn(const Folder& folder, const NativeName& name);
// The folder `name` (spelled as on disk) inside `folder`; nullptr with errno set.
FolderPtr enter(const Folder& folder, const NativeName& name);
// The file `name` in `folder`, read as readWholeFile does.
WholeFile readIn(const Folder& folder, const NativeName& name, std::size_t maxBytes,
                 std::string_view shownName);

// working_folder.cpp's part, for the system's.

// The components of a relative name, without empty ones and ".".
std::vector<std::string_view> components(std::string_view path);

// Where the system compares names exactly (POSIX), the entry a name stands for: the same name
// but for the case of ASCII letters, the first in byte order when several are, so the choice does
// not depend on the order the folder lists them in. Other bytes match only themselves (a UTF-8
// or CP936 name matches only itself).
class NameChoice {
 public:
  explicit NameChoice(std::string_view wanted) : wanted_(wanted) {}
  void consider(std::string_view entry);
  const std::optional<std::string>& chosen() const { return chosen_; }

 private:
  std::string_view wanted_;
  std::optional<std::string> chosen_;
};

// A relative name walked from a working folder.
struct Resolved {
  FolderPtr held;        // the folder the last name is in, unless that is the working folder
  const Folder* folder;  // the folder the last name is in
  NativeName last;       // the last name as it is on disk (or as given, when allowed missing)
  std::string spelled;   // the whole name as it is on disk, '/' between components
};

// Walks `relativeName` from `root` (nullptr: no folder), each component found whatever its case.
// With `lastMayBeMissing`, a last component that is not there keeps the spelling given, to be
// created so. nullopt with errno set otherwise.
std::optional<Resolved> resolve(const Folder* root, std::string_view relativeName,
                                bool lastMayBeMissing);

#ifndef _WIN32
struct SplitPath {
  std::string folder;  // empty for the current directory
  std::string name;
};
// A path's folder and its last name.
SplitPath splitPath(const std::string& path);
#endif

}  // namespace norvik::working_folder_os
