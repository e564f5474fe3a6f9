// INI ("profile") files read the way the Windows profile functions read them, because the
// catalogue and Config.ini are written for those rules and no Debian INI library follows them:
// section and key names match without regard to case, the first matching section and key win,
// values are trimmed (and one pair of enclosing quotes removed), values are cut to the caller's
// buffer, a missing file, section or key gives the default, and integers are read as far as they
// are decimal ("12abc" reads 12, "abc" reads 0). Files are code page 936; values come back UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::catalogue {

class Profile {
 public:
  // A missing or unreadable file gives an empty profile.
  static Profile load(const std::string& path);
  static Profile fromText(std::string_view cp936Text);

  // The value, cut to `bufferChars - 1` characters as a buffer of `bufferChars` would hold it
  // (a two-byte CP936 character counts two, and is never split). `def` when missing or empty.
  std::string getString(std::string_view section, std::string_view key, std::string_view def,
                        std::size_t bufferChars) const;
  int getInt(std::string_view section, std::string_view key, int def) const;

  // Every line that names a section or holds a key, in file order, for readers that check a
  // file's names (a key line outside any section has an empty section).
  struct Line {
    int number;             // 1-based
    std::string section;    // the section the line belongs to, as written
    std::string key;        // empty for a section header
    bool hasValue = false;  // the line has an '='
  };
  const std::vector<Line>& lines() const { return lines_; }
  // True when the key is present, even with an empty value.
  bool has(std::string_view section, std::string_view key) const;

 private:
  struct Entry {
    std::string key;
    std::string value;  // raw CP936 bytes, trimmed
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Entry* find(std::string_view section, std::string_view key) const;

  std::vector<Section> sections_;
  std::vector<Line> lines_;
};

// Decimal integer as the profile functions read it: leading blanks, an optional sign, digits up
// to the first other character; no digits reads 0. Wraps like the 32-bit original.
int profileInt(std::string_view text);

}  // namespace norvik::catalogue
