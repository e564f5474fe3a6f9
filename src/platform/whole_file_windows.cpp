#include <windows.h>

#include <cerrno>
#include <cstdint>

#include "platform/whole_file.h"
#include "platform/wide_path.h"
#include "platform/win_errno.h"

namespace norvik {

namespace {

WholeFile refusal(WholeFile::Status status, std::string_view shownName, std::string_view why) {
  WholeFile f;
  f.status = status;
  f.message = std::string(shownName) + ": " + std::string(why);
  return f;
}

WholeFile failure(int error, std::string_view shownName) {
  const WholeFile::Status status = error == ENOENT || error == ENOTDIR
                                       ? WholeFile::Status::Missing
                                       : WholeFile::Status::Unreadable;
  return refusal(status, shownName, errnoText(error));
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

WholeFile readWholeNativeFile(const std::wstring& nativePath, std::size_t maxBytes,
                              std::string_view shownName) {
  // Others may go on reading and writing it: this is a read, not a hold.
  const Handle file(CreateFileW(nativePath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder cannot be opened as a file at all: it is refused as one, not as a permission.
    const DWORD attributes = GetFileAttributesW(nativePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return refusal(WholeFile::Status::NotAFile, shownName, kFolderNotFile);
    }
    return failure(errnoFromWindows(error), shownName);
  }
  // A console, a pipe or a serial port reads forever or blocks.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    return refusal(WholeFile::Status::NotAFile, shownName, "is not a regular file");
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file.get(), &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return refusal(WholeFile::Status::NotAFile, shownName, kFolderNotFile);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size))
    return failure(errnoFromWindows(GetLastError()), shownName);
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
    return refusal(WholeFile::Status::TooLarge, shownName, tooLarge);
  }
  WholeFile f;
  f.status = WholeFile::Status::Read;
  f.bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  // Read to the end rather than trusting the size: the file may grow meanwhile.
  char chunk[16384];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr)) {
      return refusal(WholeFile::Status::Unreadable, shownName,
                     errnoText(errnoFromWindows(GetLastError())));
    }
    if (n == 0) break;
    if (f.bytes.size() + n > maxBytes) {
      return refusal(WholeFile::Status::TooLarge, shownName, tooLarge);
    }
    f.bytes.append(chunk, n);
  }
  return f;
}

WholeFile readWholeFile(const std::string& path, std::size_t maxBytes) {
  return readWholeNativeFile(longPath(path), maxBytes, path);
}

}  // namespace norvik
