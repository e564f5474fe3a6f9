// The system's part of reading a file whole (whole_file_posix.cpp, whole_file_windows.cpp):
// opening it, what it is, its size and its bytes. What is refused, the size bound and every
// message are whole_file.cpp's. For the platform's own sources only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/native_file.h"
#include "platform/whole_file.h"

namespace norvik {

#ifdef _WIN32
// Reads the file at `nativePath`, a path in the form longPath() gives (wide_path.h), as
// readWholeFile does; `shownName` names the file in the message.
WholeFile readWholeNativeFile(const std::wstring& nativePath, std::size_t maxBytes,
                              std::string_view shownName);
#else
// Reads `name`, relative to the open directory `dirFd`, as readWholeFile does; `shownName` names
// the file in the message.
WholeFile readWholeFileAt(int dirFd, const std::string& name, std::size_t maxBytes,
                          std::string_view shownName);
#endif

// whole_file.cpp's rules, for the system's part.
// A file that did not open with errno `error`: Missing when it or a folder on the way is not
// there, NotAFile for a folder (EISDIR), Unreadable otherwise.
WholeFile openFailure(int error, std::string_view shownName);
// The file at `path` whose folder did not open with errno `error`.
WholeFile folderFailure(const std::string& path, int error);
// Reads the open `file` whole, or refuses it, and closes it.
WholeFile readOpenFile(NativeFile file, std::size_t maxBytes, std::string_view shownName);

}  // namespace norvik

namespace norvik::whole_file_os {

enum class Kind { Regular, Folder, Other };

struct Facts {
  int error = 0;  // errno when the system could not tell; nothing else counts then
  Kind kind = Kind::Other;
  std::uint64_t size = 0;  // of a regular file
};

// What the open file is and, for a regular file, its size.
Facts inspect(NativeFile file);
// Reads up to `size` bytes on from the last read: how many (0 at the end of the file), or
// nullopt with errno set.
std::optional<std::size_t> readSome(NativeFile file, char* buffer, std::size_t size);
void close(NativeFile file);

}  // namespace norvik::whole_file_os
