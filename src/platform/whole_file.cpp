#include "platform/whole_file.h"

#include <cerrno>

#include "platform/errno_text.h"
#include "platform/whole_file_os.h"

namespace norvik {

namespace {

WholeFile refusal(WholeFile::Status status, std::string_view shownName, std::string_view why) {
  WholeFile f;
  f.status = status;
  f.message = std::string(shownName) + ": " + std::string(why);
  return f;
}

class Closing {
 public:
  explicit Closing(NativeFile file) : file_(file) {}
  ~Closing() { whole_file_os::close(file_); }
  Closing(const Closing&) = delete;
  Closing& operator=(const Closing&) = delete;

 private:
  NativeFile file_;
};

}  // namespace

WholeFile openFailure(int error, std::string_view shownName) {
  if (error == EISDIR) return refusal(WholeFile::Status::NotAFile, shownName, kFolderNotFile);
  const WholeFile::Status status = error == ENOENT || error == ENOTDIR
                                       ? WholeFile::Status::Missing
                                       : WholeFile::Status::Unreadable;
  return refusal(status, shownName, errnoText(error));
}

WholeFile folderFailure(const std::string& path, int error) {
  WholeFile file;
  if (error != ENOENT && error != ENOTDIR) {
    file.status = WholeFile::Status::Unreadable;
    file.message = path + ": cannot open its folder";
  }
  return file;
}

WholeFile readOpenFile(NativeFile file, std::size_t maxBytes, std::string_view shownName) {
  const Closing closing(file);
  const whole_file_os::Facts facts = whole_file_os::inspect(file);
  if (facts.error != 0) return openFailure(facts.error, shownName);
  // A folder holds no bytes; a device, FIFO, console or pipe reads forever or blocks.
  if (facts.kind == whole_file_os::Kind::Folder) {
    return refusal(WholeFile::Status::NotAFile, shownName, kFolderNotFile);
  }
  if (facts.kind == whole_file_os::Kind::Other) {
    return refusal(WholeFile::Status::NotAFile, shownName, "is not a regular file");
  }
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (facts.size > maxBytes) return refusal(WholeFile::Status::TooLarge, shownName, tooLarge);
  WholeFile f;
  f.status = WholeFile::Status::Read;
  f.bytes.reserve(static_cast<std::size_t>(facts.size));
  // Read to the end rather than trusting the size: the file may grow meanwhile, and some
  // regular files (under /proc) report a size of 0.
  char chunk[16384];
  for (;;) {
    const std::optional<std::size_t> n = whole_file_os::readSome(file, chunk, sizeof chunk);
    if (!n) return refusal(WholeFile::Status::Unreadable, shownName, errnoText(errno));
    if (*n == 0) break;
    if (f.bytes.size() + *n > maxBytes) {
      return refusal(WholeFile::Status::TooLarge, shownName, tooLarge);
    }
    f.bytes.append(chunk, *n);
  }
  return f;
}

}  // namespace norvik
