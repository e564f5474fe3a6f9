#include <windows.h>

#include <cerrno>

#include "platform/whole_file.h"
#include "platform/whole_file_os.h"
#include "platform/wide_path.h"
#include "platform/win_errno.h"

namespace norvik {

WholeFile readWholeNativeFile(const std::wstring& nativePath, std::size_t maxBytes,
                              std::string_view shownName) {
  // Others may go on reading and writing it: this is a read, not a hold.
  const HANDLE file = CreateFileW(nativePath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const int error = lastWindowsErrno();
    return openFailure(isFolder(nativePath) ? EISDIR : error, shownName);
  }
  return readOpenFile(file, maxBytes, shownName);
}

WholeFile readWholeFile(const std::string& path, std::size_t maxBytes) {
  return readWholeNativeFile(longPath(path), maxBytes, path);
}

whole_file_os::Facts whole_file_os::inspect(NativeFile file) {
  // A console, a pipe or a serial port is no file on a disk.
  if (GetFileType(file) != FILE_TYPE_DISK) return {0, Kind::Other, 0};
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {0, Kind::Folder, 0};
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return {lastWindowsErrno(), Kind::Other, 0};
  return {0, Kind::Regular, static_cast<std::uint64_t>(size.QuadPart)};
}

std::optional<std::size_t> whole_file_os::readSome(NativeFile file, char* buffer,
                                                   std::size_t size) {
  DWORD n = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(size), &n, nullptr)) {
    errno = lastWindowsErrno();
    return std::nullopt;
  }
  return n;
}

void whole_file_os::close(NativeFile file) {
  CloseHandle(file);
}

}  // namespace norvik
