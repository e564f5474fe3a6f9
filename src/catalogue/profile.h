// INI ("profile") files read the way the Windows profile functions (GetPrivateProfileString,
// GetPrivateProfileInt) read them, because the catalogue and Config.ini are written for those
// rules and no Debian INI library follows them:
// - section and key names match without regard to case; the first section of a name is the one
//   that counts (a later section of the same name is never searched), and in it the first key;
// - a line is a section header only when it starts with '[' and holds a ']': the name is what
//   stands between them, trimmed. A line such as "[INFO" without its bracket opens no section:
//   it reads as a key without a value of the section in effect, so the keys after it stay in the
//   previous section (or in none, at the top of the file);
// - keys and values are trimmed, one pair of enclosing quotes is removed, lines starting with ';'
//   are comments, and a key line before the first section belongs to no section;
// - a UTF-8 byte-order mark at the start of the file is skipped, as Windows skips it;
// - values are cut to the caller's buffer; a missing file, section or key, or an empty value,
//   gives the default;
// - integers are read as GetPrivateProfileInt reads them (see profileInt below).
// Files are code page 936; values come back UTF-8.
//
// A profile keeps the file's bytes once and indexes them with offsets, a few bytes per line, so
// its memory stays a small multiple of the file's size and a look-up is a binary search. Files
// larger than kMaxProfileBytes are refused: no real catalogue comes near it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvik {
class WorkingFolder;
}

namespace norvik::catalogue {

// 4 MiB: the largest profile file read. Real vendor files are a few KiB.
inline constexpr std::size_t kMaxProfileBytes = std::size_t{4} * 1024 * 1024;

class Profile {
 public:
  // A missing or unreadable file gives an empty profile.
  static Profile load(const std::string& path);
  // The same; `error` (when given) receives why a file that is there could not be read (a
  // folder or device in its place, no permission, an I/O error, larger than kMaxProfileBytes)
  // and is cleared when the file was read or is simply missing.
  static Profile load(const std::string& path, std::string* error);
  // `relativeName` inside the working folder, matched without regard to case.
  static Profile load(const WorkingFolder& folder, std::string_view relativeName,
                      std::string* error = nullptr);
  // Text larger than kMaxProfileBytes gives an empty profile.
  static Profile fromText(std::string_view cp936Text);

  // The value, cut to `bufferChars - 1` characters as a buffer of `bufferChars` would hold it
  // (a two-byte CP936 character counts two, and is never split). `def` when missing or empty.
  std::string getString(std::string_view section, std::string_view key, std::string_view def,
                        std::size_t bufferChars) const;
  int getInt(std::string_view section, std::string_view key, int def) const;

  // Every line that names a section or holds a key, in file order, for readers that check a
  // file's names (a key line outside any section has an empty section). Built on each call.
  struct Line {
    int number;             // 1-based
    std::string section;    // the section the line belongs to, as written
    std::string key;        // empty for a section header
    bool hasValue = false;  // the line has an '='
  };
  std::vector<Line> lines() const;
  // True when the key is present, even with an empty value.
  bool has(std::string_view section, std::string_view key) const;

 private:
  // Offsets into bytes_ (32 bits suffice below kMaxProfileBytes).
  struct Span {
    std::uint32_t at = 0;
    std::uint32_t size = 0;
  };
  struct Entry {
    Span key;
    Span value;  // raw CP936 bytes, trimmed and unquoted
  };
  static Profile fromBytes(std::string bytes);
  std::string_view text(Span s) const { return std::string_view(bytes_).substr(s.at, s.size); }
  const Entry* find(std::string_view section, std::string_view key) const;

  std::string bytes_;
  std::vector<Span> sectionNames_;           // in file order
  std::vector<std::uint32_t> firstEntry_;    // per section, into entries_; one past the end last
  std::vector<Entry> entries_;               // in file order, so each section's are contiguous
  std::vector<std::uint32_t> sectionOrder_;  // sections sorted by name, earlier first on a tie
  std::vector<std::uint32_t> keyOrder_;      // per section's range, entries sorted by key
};

// An integer as GetPrivateProfileInt reads it, which converts the value text with the rules of
// RtlCharToInteger with base 0: leading blanks are skipped, then an optional '-' or '+', then the
// prefix chooses the base, "0x" hexadecimal, "0o" octal, "0b" binary, none decimal (prefixes in
// lower case only, as documented); digits are read up to the first character that is not one of
// the base ("12abc" reads 12, "0x1G" reads 1, "abc" and "0x" read 0). The value wraps to 32 bits
// in 32-bit unsigned arithmetic, as Windows' profile reader does ("4294967295" reads -1).
int profileInt(std::string_view text);

}  // namespace norvik::catalogue
