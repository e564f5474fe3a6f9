#include <windows.h>

#include <cstdio>

#include "platform/temp_file.h"
#include "platform/temp_file_os.h"
#include "platform/wide_path.h"
#include "platform/win_errno.h"

namespace norvik {

std::optional<std::string> temporaryFolder(std::string* error) {
  std::wstring dir(MAX_PATH + 1, L'\0');
  const DWORD n = GetTempPathW(static_cast<DWORD>(dir.size()), dir.data());
  if (n == 0 || n >= dir.size()) {
    if (error) *error = errnoText(lastWindowsErrno());
    return std::nullopt;
  }
  dir.resize(n);
  return toUtf8(dir);
}

bool removeFile(const std::string& path) {
  return DeleteFileW(longPath(path).c_str()) != 0;
}

std::optional<std::string> temp_file_os::createNewFile(const std::string& stem,
                                                       std::string* error) {
  // GetTempFileNameW would keep only three characters of the name: the unique part is made here,
  // from the process and the performance counter, and CREATE_NEW tells whether it is.
  for (int attempt = 0; attempt < 100; ++attempt) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    char unique[40];
    std::snprintf(unique, sizeof unique, "%lX-%llX",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long long>(now.QuadPart) + static_cast<unsigned>(attempt));
    const std::wstring name = toWide(stem) + toWide(unique);
    const HANDLE h = CreateFileW(longPath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return toUtf8(name);
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (error) *error = errnoText(lastWindowsErrno());
  return std::nullopt;
}

}  // namespace norvik
