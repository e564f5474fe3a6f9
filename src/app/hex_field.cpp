#include "app/hex_field.h"

namespace norvik::app {

namespace {
int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<std::uint32_t> scanHex32(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() &&
         (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) {
    ++i;
  }
  if (i < text.size() && text[i] == '+') ++i;
  if (i + 2 < text.size() + 1 && i + 1 < text.size() && text[i] == '0' &&
      (text[i + 1] == 'x' || text[i + 1] == 'X') && i + 2 < text.size() &&
      hexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  std::uint64_t value = 0;
  bool any = false;
  for (; i < text.size(); ++i) {
    int d = hexDigit(text[i]);
    if (d < 0) break;
    any = true;
    value = value * 16 + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (!any) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace norvik::app
