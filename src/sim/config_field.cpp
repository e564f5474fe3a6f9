#include "sim/config_field.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <optional>

namespace norvik::sim {

namespace {

std::optional<long long> parseInt(std::string_view text) {
  text = trimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long n = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc{} || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
  return n;
}

}  // namespace

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string lowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void ConfigField::fail(const std::string& why) {
  if (failed_) return;  // the first problem is the one reported
  failed_ = true;
  if (error_) {
    *error_ = "[" + std::string(section_) + "] " + std::string(key_) + "=" + value_ + ": " + why;
  }
}

void ConfigField::boolean(bool& out) {
  if (value_.empty()) return;
  const std::string l = lowerCase(value_);
  if (l == "1" || l == "true" || l == "yes" || l == "on") {
    out = true;
  } else if (l == "0" || l == "false" || l == "no" || l == "off") {
    out = false;
  } else {
    fail("expected 0 or 1");
  }
}

void ConfigField::integer(int& out, long long min, long long max) {
  if (value_.empty()) return;
  auto n = parseInt(value_);
  if (!n || *n < min || *n > max) {
    fail("expected a whole number from " + std::to_string(min) + " to " + std::to_string(max));
    return;
  }
  out = static_cast<int>(*n);
}

void ConfigField::id(std::uint8_t (&out)[4]) {
  if (value_.empty()) return;
  std::string digits;
  for (char c : value_) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    digits += c;
  }
  bool ok = digits.size() == 8 && std::all_of(digits.begin(), digits.end(), [](char c) {
              return std::isxdigit(static_cast<unsigned char>(c)) != 0;
            });
  if (!ok) {
    fail("expected four hexadecimal bytes, such as EC F1 00 95");
    return;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    out[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(i * 2, 2), nullptr, 16));
  }
}

// Block numbers; an empty value or "none" means no block at all.
void ConfigField::blockList(std::vector<int>& out) {
  if (value_.empty() || lowerCase(value_) == "none") {
    out.clear();
    return;
  }
  std::vector<int> blocks;
  std::string_view rest = value_;
  while (!rest.empty()) {
    std::size_t cut = rest.find_first_of(", \t");
    std::string_view item = trimBlanks(rest.substr(0, cut));
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    if (item.empty()) continue;
    auto n = parseInt(item);
    if (!n || *n < 0 || *n > std::numeric_limits<int>::max()) {
      fail("expected block numbers separated by commas");
      return;
    }
    blocks.push_back(static_cast<int>(*n));
  }
  out = std::move(blocks);
}

}  // namespace norvik::sim
