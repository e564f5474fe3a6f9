// A file object: an open file with the path given to its last open, or none. The program holds
// three, for the image to program, the read output and the hidden save button. Every open is
// exclusive ("no sharing"): it fails while another holder has the file locked, and while it is
// open here no other cooperating opener (another Norvik, or any program that takes flock or
// fcntl locks) can open it. On Windows the file is opened with no sharing at all, so there no
// other program can open it meanwhile, and an open fails while any other program has it open.
// Only regular files open: a folder, a device such as /dev/zero (on Windows NUL, CON, COM1), a
// FIFO or a socket (a pipe) is refused at once, and is never emptied or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/native_file.h"

namespace norvik {
class Clock;
class WorkingFolder;
}  // namespace norvik

namespace norvik::files {

enum class Access { Read, Write, ReadWrite };
enum class Disposition {
  OpenExisting,  // fail if the file does not exist
  CreateAlways,  // create, or empty an existing file
  OpenAlways,    // open an existing file as it is, or create it empty
};

class FileObject {
 public:
  FileObject() = default;
  ~FileObject();
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // `path` exactly as given, of any length.
  bool open(const std::string& path, Access access, Disposition disposition);
  // One of the system's own files (systemlog.log, test.bin, test1.bin) in the working folder:
  // found whatever its letter case, created with the spelling given. path() is then the
  // folder's path joined with the name as it is on disk.
  bool open(const WorkingFolder& folder, std::string_view relativeName, Access access,
            Disposition disposition);
  // The same for a file that runs in one folder append to in turn (systemlog.log,
  // journal.csv): while another holder has it, tries again every 50 ms for up to 2 s on
  // `clock`. After a wait that ran out, lastError() is still EWOULDBLOCK.
  bool openTakingTurns(const WorkingFolder& folder, std::string_view relativeName, Access access,
                       Disposition disposition, Clock& clock);
  void close();
  bool isOpen() const { return file_ != kNoFile; }
  const std::string& path() const { return path_; }

  bool seek(std::uint64_t offset);
  bool seekToEnd();
  // Length in bytes, or -1 when not open.
  std::int64_t length() const;
  // Reads up to `count` bytes; returns how many were read (0 at the end or on error; after a
  // short count, lastError() tells an error from the end of the file).
  std::size_t read(void* buffer, std::size_t count);
  // Reads up to `count` bytes: how many (fewer than `count` only at the end of the file), or
  // nullopt on an I/O error (or when not open), with lastError() telling which.
  std::optional<std::size_t> readChecked(void* buffer, std::size_t count);
  // Writes all `count` bytes; false if any could not be written (disk full, I/O error).
  bool write(const void* buffer, std::size_t count);
  // Cuts the file to its first `length` bytes (a write that failed half-way is taken back so);
  // the position is left where it was.
  bool truncate(std::uint64_t length);
  // errno of the last open, read, write or seek that failed; 0 when the last one succeeded.
  // A refused file that is not regular gives EINVAL (a folder EISDIR); a file held by another
  // opener gives EWOULDBLOCK.
  int lastError() const { return lastError_; }

 private:
  // Keeps the file just opened as this object's, when it is one the rules above allow; a refused
  // file is closed, with lastError() telling why.
  bool adopt(NativeFile file, std::string path, Access access, Disposition disposition);

  NativeFile file_ = kNoFile;
  int lastError_ = 0;
  std::string path_;
};

}  // namespace norvik::files
