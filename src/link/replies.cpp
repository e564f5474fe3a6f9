#include "link/replies.h"

namespace norvik::link {

namespace {
using namespace reply_marks;

void markReply(Packet& r, std::uint8_t lead) {
  r[kLeadAt] = lead;
  r[kLeadNextAt] = 0x55;
  r[kTrailAt] = 0xAA;
  r[kTrailNextAt] = 0x55;
}
bool markedReply(const Packet& r, std::uint8_t lead) {
  return r[kLeadAt] == lead && r[kLeadNextAt] == 0x55 && r[kTrailAt] == 0xAA &&
         r[kTrailNextAt] == 0x55;
}
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
  markReply(r, 0xAA);
  r[kCommandAt] = command;
  r[kStatusAt] = status;
  return r;
}

bool ack::matches(const Packet& r, std::uint8_t command) {
  return markedReply(r, 0xAA) && r[kCommandAt] == command;
}

Packet progress::build(std::uint8_t percent, std::uint8_t status) {
  Packet r{};
  markReply(r, kMark);
  r[kPercentAt] = percent;
  r[kStatusAt] = status;
  return r;
}

bool progress::matches(const Packet& r) {
  return markedReply(r, kMark);
}

}  // namespace norvik::link
