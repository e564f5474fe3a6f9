// The address and length edits hold hexadecimal text, read the way a "%x" scan reads it: blanks
// skipped, an optional 0x prefix, digits up to the first other character.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace norvik::app {

// The value, or nothing when the text holds no hexadecimal number or one that does not fit
// 32 bits (a value silently cut to 32 bits would be a wrong address or length).
std::optional<std::uint32_t> scanHex32(std::string_view text);

}  // namespace norvik::app
