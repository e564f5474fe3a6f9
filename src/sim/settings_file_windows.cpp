#include <windows.h>

#include <cerrno>
#include <cstdint>

#include "platform/wide_path.h"
#include "platform/win_errno.h"
#include "sim/settings_file.h"

namespace norvik::sim {

namespace {

std::nullopt_t fail(std::string* error, const std::string& path, const std::string& why) {
  if (error) *error = "cannot read simulator settings " + path + ": " + why;
  return std::nullopt;
}

std::string lastErrorText() {
  return errnoText(errnoFromWindows(GetLastError()));
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

std::optional<std::string> readSettingsFile(const std::string& path, std::string* error) {
  const std::wstring native = longPath(path);
  const Handle file(CreateFileW(native.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // A folder does not open as a file: say what it is rather than "permission denied".
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return fail(error, path, "it is a folder, not a file");
    }
    const int e = errnoFromWindows(code);
    if (e == ENOENT) return fail(error, path, "no such file");
    return fail(error, path, errnoText(e));
  }
  // A console or a pipe would block the read or never end.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    return fail(error, path, "not a regular file (a device or pipe?)");
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return fail(error, path, lastErrorText());
  const std::string tooLarge = "larger than " + std::to_string(kMaxSettingsBytes >> 20) + " MiB";
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxSettingsBytes) {
    return fail(error, path, tooLarge);
  }
  std::string text;
  char chunk[64 * 1024];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr)) {
      return fail(error, path, lastErrorText());
    }
    if (n == 0) break;
    text.append(chunk, n);
    // The file may have grown since it was inspected.
    if (text.size() > kMaxSettingsBytes) return fail(error, path, tooLarge);
  }
  return text;
}

}  // namespace norvik::sim
