// The system's files on disk (Config.ini, the vendor files, systemlog.log) are code page 936;
// the program holds text as UTF-8. These convert at the file boundary.
#pragma once

#include <string>
#include <string_view>

namespace norvik {

// Characters CP936 cannot hold become '?', as a Windows ANSI conversion would write them.
std::string utf8ToCp936(std::string_view utf8);
// Byte sequences that are not CP936 become U+FFFD.
std::string cp936ToUtf8(std::string_view cp936);

}  // namespace norvik
