// Reading one of the system's own files whole (Config.ini, a vendor file). Whatever stands under
// the name (a folder, a device, a FIFO, a file that vanished or fails to read, or one far too
// large) comes back as a status with a message: never an exception, never a blocked thread.
#pragma once

#include <cstddef>
#include <string>

namespace norvik {

// The reason a folder is refused with, after the file's name in WholeFile::message.
inline constexpr const char* kFolderNotFile = "is a folder, not a file";

struct WholeFile {
  enum class Status {
    Read,        // `bytes` holds the file
    Missing,     // nothing of that name (or a folder on the way is missing)
    NotAFile,    // a folder, device, FIFO or socket
    TooLarge,    // more than the caller's bound
    Unreadable,  // no permission, an I/O error, ...
  };
  Status status = Status::Missing;
  std::string bytes;
  std::string message;  // why it was not read, naming the file; empty when read

  bool read() const { return status == Status::Read; }
};

// Reads the file at `path` (exactly as given, of any length) when it is a regular file of at
// most `maxBytes` bytes. The message names `path`. A folder on the way that is missing makes the
// file Missing; one that cannot be opened for another reason makes it Unreadable.
WholeFile readWholeFile(const std::string& path, std::size_t maxBytes);

}  // namespace norvik
