// A text file that a program appends lines to, such as the device trace, opened by its UTF-8
// path (on Windows too, where the C library's own fopen would take the ANSI code page).
#pragma once

#include <cstdio>
#include <string>

namespace norvik {

// Opens `path` for appending, created when missing; the bytes written are stored as they are
// (no "\r\n" for "\n"). nullptr when it cannot be opened.
std::FILE* openForAppending(const std::string& path);

}  // namespace norvik
