#include <windows.h>

#include "platform/current_dir.h"
#include "platform/wide_path.h"

namespace norvik {

std::string currentDirectory() {
  std::wstring dir(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
    if (n == 0) return ".";
    if (n < dir.size()) {
      dir.resize(n);
      return toUtf8(dir);
    }
    dir.resize(n);  // too small: n counts the terminating null
  }
}

std::string joinPath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '\\';
  out += name;
  return out;
}

}  // namespace norvik
