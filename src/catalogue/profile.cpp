#include "catalogue/profile.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "platform/cp936.h"
#include "platform/working_folder.h"

namespace norvik::catalogue {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names compare with ASCII letters folded, other bytes (CP936 lead and trail bytes) as they are.
unsigned char fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

int compareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = fold(a[i]);
    const unsigned char y = fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// One pass over the text, line by line, telling `onSection(name, lineNumber)` about each
// section header and `onKey(key, value, hasValue, lineNumber)` about every other line that is
// neither empty nor a comment. Views point into `text`.
template <class OnSection, class OnKey>
void parse(std::string_view text, OnSection onSection, OnKey onKey) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  std::size_t pos = 0;
  int number = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++number;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close != std::string_view::npos) {
        onSection(trim(line.substr(1, close - 1)), number);
        continue;
      }
      // No closing bracket: not a header, an ordinary line of the section in effect.
    }
    const std::size_t eq = line.find('=');
    const std::string_view key = trim(line.substr(0, eq));
    std::string_view value = eq == std::string_view::npos ? "" : trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    onKey(key, value, eq != std::string_view::npos, number);
  }
}

std::uint32_t digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint32_t>(c - 'A' + 10);
  return 99;
}

}  // namespace

Profile Profile::load(const std::string& path) {
  return load(path, nullptr);
}

Profile Profile::load(const std::string& path, std::string* error) {
  WholeFile file = readWholeFile(path, kMaxProfileBytes);
  if (error) *error = file.status == WholeFile::Status::Missing ? std::string() : file.message;
  return file.read() ? fromBytes(std::move(file.bytes)) : Profile{};
}

Profile Profile::load(const WorkingFolder& folder, std::string_view relativeName,
                      std::string* error) {
  WholeFile file = folder.readFile(relativeName, kMaxProfileBytes);
  if (error) *error = file.status == WholeFile::Status::Missing ? std::string() : file.message;
  return file.read() ? fromBytes(std::move(file.bytes)) : Profile{};
}

Profile Profile::fromText(std::string_view cp936Text) {
  if (cp936Text.size() > kMaxProfileBytes) return Profile{};
  return fromBytes(std::string(cp936Text));
}

Profile Profile::fromBytes(std::string bytes) {
  Profile p;
  if (bytes.size() > kMaxProfileBytes) return p;
  p.bytes_ = std::move(bytes);
  const std::string_view all(p.bytes_);
  const auto spanOf = [&](std::string_view v) {
    return Span{static_cast<std::uint32_t>(v.data() - all.data()),
                static_cast<std::uint32_t>(v.size())};
  };
  parse(
      all,
      [&](std::string_view name, int) {
        p.sectionNames_.push_back(spanOf(name));
        p.firstEntry_.push_back(static_cast<std::uint32_t>(p.entries_.size()));
      },
      [&](std::string_view key, std::string_view value, bool, int) {
        if (p.sectionNames_.empty()) return;  // before the first section: no section's key
        p.entries_.push_back(Entry{spanOf(key), spanOf(value)});
      });
  p.firstEntry_.push_back(static_cast<std::uint32_t>(p.entries_.size()));

  // Sorted indexes for binary search; stable sorts keep the earlier of equal names first, which
  // is the one the profile functions find.
  p.sectionOrder_.resize(p.sectionNames_.size());
  std::iota(p.sectionOrder_.begin(), p.sectionOrder_.end(), 0u);
  std::stable_sort(
      p.sectionOrder_.begin(), p.sectionOrder_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return compareNoCase(p.text(p.sectionNames_[a]), p.text(p.sectionNames_[b])) < 0;
      });
  p.keyOrder_.resize(p.entries_.size());
  std::iota(p.keyOrder_.begin(), p.keyOrder_.end(), 0u);
  for (std::size_t s = 0; s < p.sectionNames_.size(); ++s) {
    std::stable_sort(
        p.keyOrder_.begin() + p.firstEntry_[s], p.keyOrder_.begin() + p.firstEntry_[s + 1],
        [&](std::uint32_t a, std::uint32_t b) {
          return compareNoCase(p.text(p.entries_[a].key), p.text(p.entries_[b].key)) < 0;
        });
  }
  return p;
}

std::vector<Profile::Line> Profile::lines() const {
  std::vector<Line> out;
  std::string_view current;
  bool inSection = false;
  parse(
      bytes_,
      [&](std::string_view name, int number) {
        current = name;
        inSection = true;
        out.push_back(Line{number, std::string(name), "", false});
      },
      [&](std::string_view key, std::string_view, bool hasValue, int number) {
        out.push_back(Line{number, inSection ? std::string(current) : std::string(),
                           std::string(key), hasValue});
      });
  return out;
}

const Profile::Entry* Profile::find(std::string_view section, std::string_view key) const {
  const auto s = std::lower_bound(sectionOrder_.begin(), sectionOrder_.end(), section,
                                  [&](std::uint32_t i, std::string_view name) {
                                    return compareNoCase(text(sectionNames_[i]), name) < 0;
                                  });
  if (s == sectionOrder_.end() || compareNoCase(text(sectionNames_[*s]), section) != 0) {
    return nullptr;
  }
  const auto first = keyOrder_.begin() + firstEntry_[*s];
  const auto last = keyOrder_.begin() + firstEntry_[*s + 1];
  const auto e = std::lower_bound(first, last, key, [&](std::uint32_t i, std::string_view k) {
    return compareNoCase(text(entries_[i].key), k) < 0;
  });
  if (e == last || compareNoCase(text(entries_[*e].key), key) != 0) return nullptr;
  return &entries_[*e];
}

bool Profile::has(std::string_view section, std::string_view key) const {
  return find(section, key) != nullptr;
}

std::string Profile::getString(std::string_view section, std::string_view key, std::string_view def,
                               std::size_t bufferChars) const {
  const Entry* e = find(section, key);
  if (!e || e->value.size == 0) return std::string(def);
  const std::string_view v = text(e->value);
  const std::size_t limit = bufferChars == 0 ? 0 : bufferChars - 1;
  std::size_t cut = 0;
  while (cut < v.size()) {
    std::size_t len = static_cast<unsigned char>(v[cut]) >= 0x81 && cut + 1 < v.size() ? 2 : 1;
    if (cut + len > limit) break;
    cut += len;
  }
  return cp936ToUtf8(v.substr(0, cut));
}

int Profile::getInt(std::string_view section, std::string_view key, int def) const {
  const Entry* e = find(section, key);
  if (!e || e->value.size == 0) return def;
  return profileInt(text(e->value));
}

int profileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    switch (text[i + 1]) {
      case 'x':
        base = 16;
        break;
      case 'o':
        base = 8;
        break;
      case 'b':
        base = 2;
        break;
      default:
        break;
    }
    if (base != 10) i += 2;
  }
  // Unsigned arithmetic: wrapping is defined, and it is how Windows' 32-bit reader wraps.
  std::uint32_t value = 0;
  for (; i < text.size() && digitValue(text[i]) < base; ++i) {
    value = value * base + digitValue(text[i]);
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

}  // namespace norvik::catalogue
