#include "link/command_packet.h"

namespace norvik::link {

namespace {
void mark(Packet& p, int at, std::uint8_t first, std::uint8_t second) {
  p[static_cast<size_t>(at)] = first;
  p[static_cast<size_t>(at) + 1] = second;
}
bool marked(const Packet& p, int at, std::uint8_t first, std::uint8_t second) {
  return p[static_cast<size_t>(at)] == first && p[static_cast<size_t>(at) + 1] == second;
}
}  // namespace

CommandPacket CommandPacket::identification(std::uint8_t command, std::uint8_t sub) {
  CommandPacket p;
  mark(p.bytes_, frame::kLeadMarkAt, 0x55, 0xAA);
  p.bytes_[frame::kCommandAt] = command;
  p.bytes_[frame::kSubAt] = sub;
  mark(p.bytes_, frame::kIdTrailMarkAt, 0x55, 0xAA);
  return p;
}

CommandPacket CommandPacket::operation(std::uint8_t command, std::uint8_t sub, std::uint32_t start,
                                       std::uint32_t length, std::uint8_t flags) {
  CommandPacket p;
  mark(p.bytes_, frame::kLeadMarkAt, 0xAA, 0x55);
  p.bytes_[frame::kCommandAt] = command;
  p.bytes_[frame::kSubAt] = sub;
  p.writeLe32(frame::kStartAt, start);
  p.writeLe32(frame::kLengthAt, length);
  p.bytes_[frame::kFlagsAt] = flags;
  mark(p.bytes_, frame::kOpTrailMarkAt, 0xAA, 0x55);  // byte 15 stays 00
  return p;
}

bool CommandPacket::isIdentification() const {
  return marked(bytes_, frame::kLeadMarkAt, 0x55, 0xAA) &&
         marked(bytes_, frame::kIdTrailMarkAt, 0x55, 0xAA);
}

bool CommandPacket::isOperation() const {
  return marked(bytes_, frame::kLeadMarkAt, 0xAA, 0x55) &&
         marked(bytes_, frame::kOpTrailMarkAt, 0xAA, 0x55);
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
