#include "link/command_packet.h"

namespace norvik::link {

CommandPacket CommandPacket::identification(std::uint8_t command, std::uint8_t sub) {
  CommandPacket p;
  p.bytes_[0] = 0x55;
  p.bytes_[1] = 0xAA;
  p.bytes_[2] = command;
  p.bytes_[3] = sub;
  p.bytes_[4] = 0x55;
  p.bytes_[5] = 0xAA;
  return p;
}

CommandPacket CommandPacket::operation(std::uint8_t command, std::uint8_t sub, std::uint32_t start,
                                       std::uint32_t length, std::uint8_t flags) {
  CommandPacket p;
  p.bytes_[0] = 0xAA;
  p.bytes_[1] = 0x55;
  p.bytes_[2] = command;
  p.bytes_[3] = sub;
  p.writeLe32(4, start);
  p.writeLe32(8, length);
  p.bytes_[12] = flags;
  p.bytes_[13] = 0xAA;
  p.bytes_[14] = 0x55;
  p.bytes_[15] = 0x00;
  return p;
}

bool CommandPacket::isIdentification() const {
  return bytes_[0] == 0x55 && bytes_[1] == 0xAA && bytes_[4] == 0x55 && bytes_[5] == 0xAA;
}

bool CommandPacket::isOperation() const {
  return bytes_[0] == 0xAA && bytes_[1] == 0x55 && bytes_[13] == 0xAA && bytes_[14] == 0x55;
}

std::uint32_t CommandPacket::readLe32(int at) const {
  auto i = static_cast<size_t>(at);
  return std::uint32_t{bytes_[i]} | std::uint32_t{bytes_[i + 1]} << 8 |
         std::uint32_t{bytes_[i + 2]} << 16 | std::uint32_t{bytes_[i + 3]} << 24;
}

void CommandPacket::writeLe32(int at, std::uint32_t v) {
  auto i = static_cast<size_t>(at);
  for (size_t k = 0; k < 4; ++k) bytes_[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

std::string hexBytes(const std::uint8_t* data, int count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

}  // namespace norvik::link
