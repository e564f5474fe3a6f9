// Splitting the CR LF files the system writes (journal.csv, systemlog.log) into their lines.
#pragma once

#include <string>
#include <vector>

namespace norvik::testing {

// The lines of `text` that end in CR LF, without it; a last line without its end is left out.
inline std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

}  // namespace norvik::testing
