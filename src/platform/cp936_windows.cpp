#include <windows.h>

#include "platform/cp936_os.h"
#include "platform/wide_path.h"

namespace norvik {

namespace {

constexpr UINT kCp936 = 936;

// `in` in code page `codePage` as UTF-16, or nothing when a byte of it is not valid there.
bool decodeStrictly(UINT codePage, std::string_view in, std::wstring& out) {
  out.clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<std::size_t>(n));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, out.data(), n) == n;
}

// `wide` in CP936, or nothing when a character of it has no CP936 form.
bool encodeCp936Strictly(std::wstring_view wide, std::string& out) {
  out.clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kCp936, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.resize(static_cast<std::size_t>(n));
  return WideCharToMultiByte(kCp936, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n,
                             nullptr, &usedDefault) == n &&
         !usedDefault;
}

}  // namespace

std::optional<std::string> cp936_os::encode(std::string_view utf8) {
  std::wstring wide;
  std::string out;
  if (!decodeStrictly(CP_UTF8, utf8, wide) || !encodeCp936Strictly(wide, out)) return std::nullopt;
  return out;
}

std::optional<std::string> cp936_os::decode(std::string_view cp936) {
  std::wstring wide;
  if (!decodeStrictly(kCp936, cp936, wide)) return std::nullopt;
  return toUtf8(wide);
}

}  // namespace norvik
