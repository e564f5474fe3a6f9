#include <windows.h>

#include "platform/cp936.h"
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

// `wide` in CP936, or nothing when a character of it has no CP936 form (no best-fit stand-ins:
// a character either is in CP936 or it is replaced).
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

// The bytes one UTF-8 character takes, judged by its first byte as a decoder skips a bad one.
std::size_t utf8Length(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

}  // namespace

// The whole text is converted in one call when it can be; only text with a character that does
// not convert is taken apart, one character at a time, so that each such character is replaced
// on its own.
std::string utf8ToCp936(std::string_view utf8) {
  std::wstring wide;
  std::string out;
  if (decodeStrictly(CP_UTF8, utf8, wide) && encodeCp936Strictly(wide, out)) return out;
  out.clear();
  std::string one;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    const std::size_t skip = std::min(utf8Length(lead), utf8.size() - i);
    if (decodeStrictly(CP_UTF8, utf8.substr(i, skip), wide) && encodeCp936Strictly(wide, one)) {
      out += one;
    } else {
      out += '?';
    }
    i += skip;
  }
  return out;
}

std::string cp936ToUtf8(std::string_view cp936) {
  std::wstring wide;
  if (decodeStrictly(kCp936, cp936, wide)) return toUtf8(wide);
  std::wstring all;
  for (std::size_t i = 0; i < cp936.size();) {
    const auto lead = static_cast<unsigned char>(cp936[i]);
    if (lead < 0x80) {
      all += static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
    // A lead byte and its trail byte, or one byte alone; a pair that is no character gives
    // U+FFFD for its first byte, and the second is read again as a start.
    if (i + 1 < cp936.size() && decodeStrictly(kCp936, cp936.substr(i, 2), wide) &&
        wide.size() == 1) {
      all += wide;
      i += 2;
    } else if (decodeStrictly(kCp936, cp936.substr(i, 1), wide) && wide.size() == 1) {
      all += wide;  // a single-byte character (0x80 is the euro sign)
      ++i;
    } else {
      all += L'\uFFFD';
      ++i;
    }
  }
  return toUtf8(all);
}

}  // namespace norvik
