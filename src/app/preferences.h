// The dialog's own choices that outlive a run, kept in norvik.ini in the working folder: a file
// of the program's own, so that the operator's Config.ini is never rewritten. Today one choice,
// the system menu's "拷贝后校验" (verify each copy).
#pragma once

#include <string>

namespace norvik::app {

inline constexpr const char* kPreferencesFileName = "norvik.ini";

struct Preferences {
  bool verifyAfterCopy = false;

  // The choices in `folder`; the defaults when the file is missing or unreadable.
  static Preferences read(const std::string& folder);
  // Replaces the file; false, with `problem` naming the file and why, when it cannot be written.
  bool write(const std::string& folder, std::string* problem) const;
};

}  // namespace norvik::app
