#include "platform/cp936.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "platform/cp936_os.h"

namespace norvik {

namespace {

// What stands for a character that does not convert: '?' as a Windows ANSI conversion writes
// it, and U+FFFD in UTF-8.
constexpr std::string_view kCp936Replacement = "?";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// The bytes one UTF-8 character takes, judged by its first byte as a decoder skips a bad one.
std::size_t utf8Length(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

bool isOneCharacter(std::string_view utf8) {
  return !utf8.empty() && utf8.size() == utf8Length(static_cast<unsigned char>(utf8[0]));
}

// The piece that starts a text: how many bytes it takes and what they become, nothing when the
// replacement stands for them.
using Piece = std::pair<std::size_t, std::optional<std::string>>;

// Converts a text that does not convert whole, piece by piece, so that each character that does
// not convert is replaced on its own. ASCII is the same in both encodings.
template <typename FirstPiece>
std::string convertByPieces(std::string_view in, std::string_view replacement,
                            FirstPiece firstPiece) {
  std::string out;
  for (std::size_t i = 0; i < in.size();) {
    if (static_cast<unsigned char>(in[i]) < 0x80) {
      out += in[i++];
      continue;
    }
    const auto [length, converted] = firstPiece(in.substr(i));
    out += converted ? std::string_view(*converted) : replacement;
    i += length;
  }
  return out;
}

}  // namespace

std::string utf8ToCp936(std::string_view utf8) {
  if (std::optional<std::string> whole = cp936_os::encode(utf8)) return std::move(*whole);
  return convertByPieces(utf8, kCp936Replacement, [](std::string_view rest) {
    const std::size_t length =
        std::min(utf8Length(static_cast<unsigned char>(rest[0])), rest.size());
    return Piece{length, cp936_os::encode(rest.substr(0, length))};
  });
}

std::string cp936ToUtf8(std::string_view cp936) {
  if (std::optional<std::string> whole = cp936_os::decode(cp936)) return std::move(*whole);
  // A lead byte and its trail byte, or one byte alone (0x80 is the euro sign); a pair that is
  // no character gives the replacement for its first byte, and the second is read again as a
  // start.
  return convertByPieces(cp936, kUtf8Replacement, [](std::string_view rest) {
    for (const std::size_t length : {2U, 1U}) {
      if (length > rest.size()) continue;
      std::optional<std::string> one = cp936_os::decode(rest.substr(0, length));
      if (one && isOneCharacter(*one)) return Piece{length, std::move(one)};
    }
    return Piece{1, std::nullopt};
  });
}

}  // namespace norvik
