// The system's converter under cp936.h (cp936_posix.cpp, cp936_windows.cpp): whole texts, all or
// nothing. What stands in for what does not convert is cp936.cpp's. For the platform's own
// sources only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvik::cp936_os {

// `utf8` in CP936; nullopt when a byte of it is not UTF-8 or a character has no CP936 form (no
// best-fit stand-ins: a character either is in CP936 or it does not convert).
std::optional<std::string> encode(std::string_view utf8);
// `cp936` in UTF-8; nullopt when a byte of it is not CP936.
std::optional<std::string> decode(std::string_view cp936);

}  // namespace norvik::cp936_os
