#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "files/file_object.h"
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

bool isFolder(const std::wstring& nativePath) {
  const DWORD attributes = GetFileAttributesW(nativePath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int lastErrno() {
  return errnoFromWindows(GetLastError());
}

}  // namespace

bool FileObject::open(const std::string& path, Access access, Disposition disposition) {
  close();
  return openNative(longPath(path), path, access, disposition);
}

bool FileObject::open(const WorkingFolder& folder, std::string_view relativeName, Access access,
                      Disposition disposition) {
  close();
  std::string actual;
  const std::optional<std::wstring> native = folder.nativePathOf(relativeName, &actual);
  if (!native) {
    lastError_ = errno;
    return false;
  }
  return openNative(*native, folder.pathOf(actual), access, disposition);
}

bool FileObject::openNative(const std::wstring& nativePath, std::string path, Access access,
                            Disposition disposition) {
  // Share mode 0, no sharing: while the handle is open no one else opens the file, and the open
  // fails while anyone else has it open. Never CREATE_ALWAYS or TRUNCATE_EXISTING: a file
  // someone else holds must not be emptied, and only a regular file is emptied, below.
  const HANDLE h =
      CreateFileW(nativePath.c_str(), desiredAccess(access), 0, nullptr,
                  disposition == Disposition::OpenExisting ? OPEN_EXISTING : OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const int error = lastErrno();
    // A folder does not open as a file; it is refused as a folder, not as a permission.
    lastError_ = error == EACCES && isFolder(nativePath) ? EISDIR : error;
    return false;
  }
  const auto refuse = [&](int error) {
    CloseHandle(h);
    lastError_ = error;
    return false;
  };
  // Images and outputs are files on a disk. A pipe would block the transfer thread, a console
  // or a serial port reads forever or never ends, a folder holds no bytes.
  if (GetFileType(h) != FILE_TYPE_DISK) return refuse(EINVAL);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return refuse(lastErrno());
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return refuse(EISDIR);
  if (disposition == Disposition::CreateAlways && access != Access::Read && !SetEndOfFile(h)) {
    return refuse(lastErrno());  // the file pointer is at 0 after the open
  }
  handle_ = h;
  path_ = std::move(path);
  lastError_ = 0;
  return true;
}

void FileObject::close() {
  if (handle_ != nullptr) CloseHandle(handle_);  // closing lets others open it again
  handle_ = nullptr;
  path_.clear();
}

bool FileObject::seek(std::uint64_t offset) {
  if (handle_ == nullptr) {
    lastError_ = EBADF;
    return false;
  }
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) {
    lastError_ = EINVAL;
    return false;
  }
  LARGE_INTEGER to{};
  to.QuadPart = static_cast<LONGLONG>(offset);
  const bool ok = SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
  lastError_ = ok ? 0 : lastErrno();
  return ok;
}

bool FileObject::seekToEnd() {
  if (handle_ == nullptr) {
    lastError_ = EBADF;
    return false;
  }
  const bool ok = SetFilePointerEx(handle_, LARGE_INTEGER{}, nullptr, FILE_END) != 0;
  lastError_ = ok ? 0 : lastErrno();
  return ok;
}

std::int64_t FileObject::length() const {
  LARGE_INTEGER size{};
  if (handle_ == nullptr || !GetFileSizeEx(handle_, &size)) return -1;
  return size.QuadPart;
}

std::size_t FileObject::read(void* buffer, std::size_t count) {
  lastError_ = handle_ == nullptr ? EBADF : 0;
  if (handle_ == nullptr) return 0;
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(count - done, kMaxCall));
    if (!ReadFile(handle_, p + done, want, &n, nullptr)) {
      lastError_ = lastErrno();
      break;
    }
    if (n == 0) break;  // the end of the file
    done += n;
  }
  return done;
}

bool FileObject::write(const void* buffer, std::size_t count) {
  lastError_ = handle_ == nullptr ? EBADF : 0;
  if (handle_ == nullptr) return false;
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(count - done, kMaxCall));
    if (!WriteFile(handle_, p + done, want, &n, nullptr)) {
      lastError_ = lastErrno();
      return false;
    }
    if (n == 0) {
      lastError_ = EIO;
      return false;
    }
    done += n;
  }
  return true;
}

}  // namespace norvik::files
