#include <windows.h>
// After windows.h, which it needs:
#include <winioctl.h>

#include <algorithm>
#include <cerrno>

#include "platform/wide_path.h"
#include "platform/win_errno.h"
#include "sim/page_store_os.h"

namespace norvik::sim {

namespace os = page_store_os;

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr std::size_t kMaxCall = 1U << 30;

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFU);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

}  // namespace

os::Image os::openImage(const std::string& path) {
  // Opened without sharing, the file stays ours until the handle is closed: the open is the lock.
  const std::wstring native = longPath(path);
  const HANDLE file = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
      return {kNoFile, 0, Image::Failed::Lock, errnoFromWindows(code)};
    }
    return {kNoFile, 0, Image::Failed::Open, isFolder(native) ? EISDIR : errnoFromWindows(code)};
  }
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
    const int error = lastWindowsErrno();
    CloseHandle(file);
    return {kNoFile, 0, Image::Failed::Inspect, error};
  }
  return {file, static_cast<std::uint64_t>(size.QuadPart), Image::Failed::Nothing, 0};
}

os::Scratch os::openScratch(const std::string& folder) {
  const std::wstring dir = toWide(folder);
  std::wstring name(MAX_PATH + 1, L'\0');
  if (GetTempFileNameW(dir.c_str(), L"nsm", 0, name.data()) == 0) {
    return {kNoFile, Scratch::Failed::Create, lastWindowsErrno(), folder};
  }
  name.resize(name.find(L'\0'));
  // Gone when the handle is closed, by the system, even if the process dies.
  const HANDLE file =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Scratch failed{kNoFile, Scratch::Failed::Open, lastWindowsErrno(), toUtf8(name)};
    DeleteFileW(name.c_str());
    return failed;
  }
  // Pages are written anywhere on a chip of gigabytes: without holes, NTFS would first fill
  // everything before such a page with zeros. Where the file system has no sparse files, the
  // store still works, only more slowly.
  DWORD returned = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  return {file, Scratch::Failed::Nothing, 0, {}};
}

std::optional<std::size_t> os::readSomeAt(NativeFile file, std::uint8_t* out, std::size_t size,
                                          std::uint64_t offset) {
  OVERLAPPED o = at(offset);
  DWORD n = 0;
  const auto want = static_cast<DWORD>(std::min(size, kMaxCall));
  if (ReadFile(file, out, want, &n, &o)) return n;
  if (GetLastError() == ERROR_HANDLE_EOF) return 0;  // at or past the end of the file
  return std::nullopt;
}

std::optional<std::size_t> os::writeSomeAt(NativeFile file, const std::uint8_t* data,
                                           std::size_t size, std::uint64_t offset) {
  OVERLAPPED o = at(offset);
  DWORD n = 0;
  const auto want = static_cast<DWORD>(std::min(size, kMaxCall));
  if (!WriteFile(file, data, want, &n, &o)) return std::nullopt;
  return n;
}

void os::close(NativeFile file) {
  CloseHandle(file);
}

}  // namespace norvik::sim
