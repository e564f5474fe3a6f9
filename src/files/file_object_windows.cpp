#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "files/file_object_os.h"
#include "platform/wide_path.h"
#include "platform/win_errno.h"
#include "platform/working_folder.h"

namespace norvik::files {

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr std::size_t kMaxCall = 1U << 30;

DWORD desiredAccess(Access access) {
  switch (access) {
    case Access::Read:
      return GENERIC_READ;
    case Access::Write:
      return GENERIC_WRITE;
    case Access::ReadWrite:
      break;
  }
  return GENERIC_READ | GENERIC_WRITE;
}

NativeFile openNative(const std::wstring& nativePath, Access access, Disposition disposition) {
  // Share mode 0, no sharing: while the handle is open no one else opens the file, and the open
  // fails while anyone else has it open. Never CREATE_ALWAYS or TRUNCATE_EXISTING: the file is
  // emptied only once it is known to be a file on a disk.
  const HANDLE h =
      CreateFileW(nativePath.c_str(), desiredAccess(access), 0, nullptr,
                  disposition == Disposition::OpenExisting ? OPEN_EXISTING : OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) return h;
  const int error = lastWindowsErrno();
  errno = error == EACCES && isFolder(nativePath) ? EISDIR : error;
  return kNoFile;
}

// Sets errno from GetLastError() for a call that failed; false, for the caller to return.
bool failed() {
  errno = lastWindowsErrno();
  return false;
}

// One ReadFile or WriteFile (`call`) of at most `count` bytes: how many moved, or nullopt with
// errno set.
template <typename Call>
std::optional<std::size_t> oneCall(std::size_t count, Call call) {
  DWORD n = 0;
  if (!call(static_cast<DWORD>(std::min(count, kMaxCall)), &n)) {
    failed();
    return std::nullopt;
  }
  return n;
}

}  // namespace

NativeFile file_object_os::open(const std::string& path, Access access, Disposition disposition) {
  return openNative(longPath(path), access, disposition);
}

NativeFile file_object_os::open(const WorkingFolder& folder, std::string_view relativeName,
                                Access access, Disposition disposition, std::string* actualName) {
  const std::optional<std::wstring> native = folder.nativePathOf(relativeName, actualName);
  return native ? openNative(*native, access, disposition) : kNoFile;
}

std::optional<file_object_os::Kind> file_object_os::kindOf(NativeFile file) {
  // A pipe, a console or a serial port is no file on a disk.
  if (GetFileType(file) != FILE_TYPE_DISK) return Kind::Other;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) {
    failed();
    return std::nullopt;
  }
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Folder : Kind::Regular;
}

bool file_object_os::holdAlone(NativeFile /*file*/) {
  return true;  // it was opened without sharing
}

bool file_object_os::empty(NativeFile file) {
  // The file pointer is at 0 after the open.
  return SetEndOfFile(file) ? true : failed();
}

void file_object_os::close(NativeFile file) {
  CloseHandle(file);
}

bool file_object_os::seek(NativeFile file, std::uint64_t offset) {
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) ? true : failed();
}

bool file_object_os::seekToEnd(NativeFile file) {
  return SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_END) ? true : failed();
}

bool file_object_os::truncate(NativeFile file, std::uint64_t length) {
  // The end of the file is set at the file pointer: moved there and back.
  LARGE_INTEGER here{};
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, &here, FILE_CURRENT)) return failed();
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(length);
  const bool cut = SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  const int error = cut ? 0 : lastWindowsErrno();
  SetFilePointerEx(file, here, nullptr, FILE_BEGIN);
  if (cut) return true;
  errno = error;
  return false;
}

std::int64_t file_object_os::length(NativeFile file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

std::optional<std::size_t> file_object_os::readSome(NativeFile file, void* buffer,
                                                    std::size_t count) {
  return oneCall(count,
                 [&](DWORD want, DWORD* n) { return ReadFile(file, buffer, want, n, nullptr); });
}

std::optional<std::size_t> file_object_os::writeSome(NativeFile file, const void* buffer,
                                                     std::size_t count) {
  return oneCall(count,
                 [&](DWORD want, DWORD* n) { return WriteFile(file, buffer, want, n, nullptr); });
}

}  // namespace norvik::files
