// The system's part of FileObject (file_object_posix.cpp, file_object_windows.cpp): the calls
// that open, inspect, lock, empty, move in, read and write a file. What may be opened, the order
// of the checks and the errors reported are file_object.cpp's. For the files layer's own sources
// only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/file_object.h"
#include "platform/native_file.h"

namespace norvik::files::file_object_os {

// Opens `path` (exactly as given, of any length), or `relativeName` in `folder` (matched as
// WorkingFolder does; `actualName` receives the name on disk), for `access`; a missing file is
// created unless `disposition` is OpenExisting. The file is never emptied here. On Windows it
// is opened without sharing. kNoFile with errno set when it does not open.
NativeFile open(const std::string& path, Access access, Disposition disposition);
NativeFile open(const WorkingFolder& folder, std::string_view relativeName, Access access,
                Disposition disposition, std::string* actualName);

enum class Kind { Regular, Folder, Other };
// What the open file is; nullopt with errno set when the system cannot tell.
std::optional<Kind> kindOf(NativeFile file);
// Makes the open file this holder's alone, with reads and writes that block as for any regular
// file; false with errno set when another holder has it.
bool holdAlone(NativeFile file);
// Empties the file just opened; false with errno set.
bool empty(NativeFile file);
void close(NativeFile file);

// False with errno set. `offset` is at most INT64_MAX.
bool seek(NativeFile file, std::uint64_t offset);
bool seekToEnd(NativeFile file);
// Cuts the file to `length` bytes without moving the position; false with errno set.
bool truncate(NativeFile file, std::uint64_t length);
// -1 when the system cannot tell.
std::int64_t length(NativeFile file);
// Up to `count` bytes in one call: how many moved (0 at the end of the file), or nullopt with
// errno set.
std::optional<std::size_t> readSome(NativeFile file, void* buffer, std::size_t count);
std::optional<std::size_t> writeSome(NativeFile file, const void* buffer, std::size_t count);

}  // namespace norvik::files::file_object_os
