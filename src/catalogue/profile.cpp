#include "catalogue/profile.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/cp936.h"

namespace norvik::catalogue {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x < 0x80 && y < 0x80) {
      if (std::tolower(x) != std::tolower(y)) return false;
    } else if (x != y) {
      return false;
    }
  }
  return true;
}

}  // namespace

Profile Profile::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Profile{};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return fromText(bytes);
}

Profile Profile::fromText(std::string_view text) {
  Profile p;
  Section* current = nullptr;
  std::size_t pos = 0;
  int number = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++number;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      std::string_view name =
          close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
      p.sections_.push_back(Section{std::string(trim(name)), {}});
      current = &p.sections_.back();
      p.lines_.push_back(Line{number, current->name, "", false});
      continue;
    }
    std::size_t eq = line.find('=');
    std::string_view key = trim(eq == std::string_view::npos ? line : line.substr(0, eq));
    p.lines_.push_back(
        Line{number, current ? current->name : "", std::string(key), eq != std::string_view::npos});
    if (!current) continue;
    std::string_view value = eq == std::string_view::npos ? "" : trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    current->entries.push_back(Entry{std::string(key), std::string(value)});
  }
  return p;
}

const Profile::Entry* Profile::find(std::string_view section, std::string_view key) const {
  for (const Section& s : sections_) {
    if (!equalsNoCase(s.name, section)) continue;
    for (const Entry& e : s.entries) {
      if (equalsNoCase(e.key, key)) return &e;
    }
    return nullptr;  // the first section of that name is the one that counts
  }
  return nullptr;
}

bool Profile::has(std::string_view section, std::string_view key) const {
  return find(section, key) != nullptr;
}

std::string Profile::getString(std::string_view section, std::string_view key, std::string_view def,
                               std::size_t bufferChars) const {
  const Entry* e = find(section, key);
  if (!e || e->value.empty()) return std::string(def);
  const std::string& v = e->value;
  const std::size_t limit = bufferChars == 0 ? 0 : bufferChars - 1;
  std::size_t cut = 0;
  while (cut < v.size()) {
    std::size_t len = static_cast<unsigned char>(v[cut]) >= 0x81 && cut + 1 < v.size() ? 2 : 1;
    if (cut + len > limit) break;
    cut += len;
  }
  return cp936ToUtf8(std::string_view(v).substr(0, cut));
}

int Profile::getInt(std::string_view section, std::string_view key, int def) const {
  const Entry* e = find(section, key);
  if (!e || e->value.empty()) return def;
  return profileInt(e->value);
}

int profileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    ++i;
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

}  // namespace norvik::catalogue
