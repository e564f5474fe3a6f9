// The dialog's texts are UTF-8 in the program and UTF-16 in the Windows API: every call that
// passes a text converts it with these.
#pragma once

#include <string>
#include <string_view>

namespace norvik::win32 {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace norvik::win32
