#include <windows.h>
// After windows.h, which it needs:
#include <winioctl.h>

#include <algorithm>
#include <cerrno>

#include "platform/wide_path.h"
#include "platform/win_errno.h"
#include "sim/page_store.h"

namespace norvik::sim {

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr std::size_t kMaxCall = 1U << 30;

std::string lastErrorText() {
  return errnoText(errnoFromWindows(GetLastError()));
}

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFU);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

HANDLE openTemporary(std::string* error) {
  std::wstring dir(MAX_PATH + 1, L'\0');
  const DWORD n = GetTempPathW(static_cast<DWORD>(dir.size()), dir.data());
  if (n == 0 || n >= dir.size()) {
    if (error) *error = "cannot find the temporary folder: " + lastErrorText();
    return INVALID_HANDLE_VALUE;
  }
  dir.resize(n);
  std::wstring name(MAX_PATH + 1, L'\0');
  if (GetTempFileNameW(dir.c_str(), L"nsm", 0, name.data()) == 0) {
    if (error) {
      *error = "cannot create a temporary file in " + toUtf8(dir) + ": " + lastErrorText();
    }
    return INVALID_HANDLE_VALUE;
  }
  name.resize(name.find(L'\0'));
  // Gone when the handle is closed, by the system, even if the process dies.
  const HANDLE file =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) *error = "cannot open a temporary file " + toUtf8(name) + ": " + lastErrorText();
    DeleteFileW(name.c_str());
    return INVALID_HANDLE_VALUE;
  }
  // Pages are written anywhere on a chip of gigabytes: without holes, NTFS would first fill
  // everything before such a page with zeros. Where the file system has no sparse files, the
  // store still works, only more slowly.
  DWORD returned = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  return file;
}

}  // namespace

void PageStore::close() {
  if (file_ != nullptr) CloseHandle(file_);
  file_ = nullptr;
}

bool PageStore::openFile(const std::string& imagePath, std::string* error) {
  HANDLE file = INVALID_HANDLE_VALUE;
  if (imagePath.empty()) {
    file = openTemporary(error);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = file;
    return true;
  }
  // One simulator per image: a second one writing the same file would corrupt both chips' views.
  // Opened without sharing, the file stays ours until the handle is closed.
  file = CreateFileW(longPath(imagePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    const DWORD attributes = GetFileAttributesW(longPath(imagePath).c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (error) {
      *error = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION
                   ? "image " + imagePath + " is in use by another simulated programmer"
                   : "cannot open image " + imagePath + ": " +
                         errnoText(folder ? EISDIR : errnoFromWindows(code));
    }
    return false;
  }
  file_ = file;
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
    if (error) *error = "cannot inspect image " + imagePath + ": " + lastErrorText();
    close();
    return false;
  }
  fileSize_ = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

bool PageStore::readAt(std::uint8_t* out, std::size_t size, std::uint64_t offset,
                       std::size_t* got) const {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED o = at(offset + done);
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(size - done, kMaxCall));
    if (!ReadFile(static_cast<HANDLE>(file_), out + done, want, &n, &o)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return false;
    }
    if (n == 0) break;  // end of file
    done += n;
  }
  *got = done;
  return true;
}

bool PageStore::writeAt(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED o = at(offset + done);
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(size - done, kMaxCall));
    if (!WriteFile(static_cast<HANDLE>(file_), data + done, want, &n, &o) || n == 0) return false;
    done += n;
  }
  return true;
}

}  // namespace norvik::sim
