// A file object: an open file with the path given to its last open, or none. The program holds
// three, for the image to program, the read output and the hidden save button. Every open is
// exclusive ("no sharing"): it fails while another holder has the file locked, and while it is
// open here no other cooperating opener (another Norvik, or any program that takes flock or
// fcntl locks) can open it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

  bool open(const std::string& path, Access access, Disposition disposition);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  bool seek(std::uint64_t offset);
  bool seekToEnd();
  // Length in bytes, or -1 when not open.
  std::int64_t length() const;
  // Reads up to `count` bytes; returns how many were read (0 at the end or on error).
  std::size_t read(void* buffer, std::size_t count);
  // Writes all `count` bytes; false if any could not be written (disk full, I/O error).
  bool write(const void* buffer, std::size_t count);

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace norvik::files
