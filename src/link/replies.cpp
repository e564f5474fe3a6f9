#include "link/replies.h"

namespace norvik::link {

namespace {
// Bytes 0, 1, 4 and 5 of the operation-side replies.
constexpr int kMarkAt0 = 0;
constexpr int kMarkAt1 = 1;
constexpr int kMarkAt4 = 4;
constexpr int kMarkAt5 = 5;
}  // namespace

Packet id_reply::build(const std::uint8_t (&id)[4], std::uint8_t command, std::uint8_t sub) {
  Packet r = CommandPacket::identification(0, 0).bytes();
  constexpr auto at = static_cast<std::size_t>(kIdAt);
  for (std::size_t i = 0; i < kIdBytes; ++i) r[at + i] = id[i];
  r[kEchoCommandAt] = command;
  r[kEchoSubAt] = sub;
  return r;
}

Packet ack::build(std::uint8_t command, std::uint8_t status) {
  Packet r{};
  r[kMarkAt0] = 0xAA;
  r[kMarkAt1] = 0x55;
  r[kCommandAt] = command;
  r[kStatusAt] = status;
  r[kMarkAt4] = 0xAA;
  r[kMarkAt5] = 0x55;
  return r;
}

bool ack::matches(const Packet& r, std::uint8_t command) {
  return r[kMarkAt0] == 0xAA && r[kMarkAt1] == 0x55 && r[kCommandAt] == command &&
         r[kMarkAt4] == 0xAA && r[kMarkAt5] == 0x55;
}

Packet progress::build(std::uint8_t percent, std::uint8_t status) {
  Packet r{};
  r[kMarkAt0] = kMark;
  r[kMarkAt1] = 0x55;
  r[kPercentAt] = percent;
  r[kStatusAt] = status;
  r[kMarkAt4] = 0xAA;
  r[kMarkAt5] = 0x55;
  return r;
}

bool progress::matches(const Packet& r) {
  return r[kMarkAt0] == kMark && r[kMarkAt1] == 0x55 && r[kMarkAt4] == 0xAA && r[kMarkAt5] == 0x55;
}

}  // namespace norvik::link
