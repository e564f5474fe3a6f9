#include <windows.h>

#include "platform/wide_path.h"

namespace norvik {

std::wstring toWide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

std::string toUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring longPath(std::string_view utf8Path) {
  return longPath(toWide(utf8Path));
}

std::wstring longPath(const std::wstring& path) {
  if (path.empty()) return path;
  // Already in the system's own namespaces: \\?\C:\..., \\.\COM1.
  if (path.rfind(LR"(\\?\)", 0) == 0 || path.rfind(LR"(\\.\)", 0) == 0) return path;
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return path;  // let the call that uses it report what is wrong
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);  // n counts the terminating null when the buffer was too small
  }
  if (full.rfind(LR"(\\.\)", 0) == 0) return full;  // NUL, CON, COM1 ...
  if (full.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

std::wstring joinNative(const std::wstring& folder, std::wstring_view name) {
  std::wstring out = folder;
  if (!out.empty() && out.back() != L'\\') out += L'\\';
  out += name;
  return out;
}

bool isFolder(const std::wstring& nativePath) {
  const DWORD attributes = GetFileAttributesW(nativePath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace norvik
