// The three kinds of 16-byte reply the programmer sends, with their byte positions: the ID reply
// (query and socket IDs), the operation acknowledgement (program and read pairs) and the progress
// report (copy and erase pairs, then while their job runs). Builders serve the simulator and the
// tests; the checks serve the host.
#pragma once

#include <cstdint>

#include "link/command_packet.h"

namespace norvik::link {

// ID reply: bytes 2..5 are the chip's four ID bytes, byte 2 the maker code. The host checks no
// marker; the programmer frames it like an identification packet and echoes the command.
namespace id_reply {
inline constexpr int kIdAt = 2;
inline constexpr int kIdBytes = 4;
inline constexpr int kEchoCommandAt = 6;
inline constexpr int kEchoSubAt = 7;
Packet build(const std::uint8_t (&id)[4], std::uint8_t command, std::uint8_t sub);
}  // namespace id_reply

// The marker bytes of the operation-side replies: two lead bytes at 0..1, two trail bytes at
// 4..5 (AA 55 in both, but 32 55 leads a progress report).
namespace reply_marks {
inline constexpr int kLeadAt = 0;
inline constexpr int kLeadNextAt = 1;
inline constexpr int kTrailAt = 4;
inline constexpr int kTrailNextAt = 5;
}  // namespace reply_marks

// Operation acknowledgement: AA 55 <command> <status> AA 55.
namespace ack {
inline constexpr int kCommandAt = 2;
inline constexpr int kStatusAt = 3;
Packet build(std::uint8_t command, std::uint8_t status);
// Markers and the echoed command as the host checks them (the status is not part of the check).
bool matches(const Packet& reply, std::uint8_t command);
}  // namespace ack

// Progress report: 32 55 <percent> <status or bad-block count> AA 55.
namespace progress {
inline constexpr std::uint8_t kMark = 0x32;
inline constexpr int kPercentAt = 2;
inline constexpr int kStatusAt = 3;  // in the erase's report at 100: the bad-block count
inline constexpr std::uint8_t kDone = 100;
Packet build(std::uint8_t percent, std::uint8_t status);
// All four marker bytes, as the copy and erase acknowledgements are recognised.
bool matches(const Packet& reply);
// Byte 0 only: what a polling cycle needs before it moves a bar.
inline bool marked(const Packet& reply) {
  return reply[0] == kMark;
}
inline std::uint8_t percent(const Packet& reply) {
  return reply[kPercentAt];
}
inline std::uint8_t status(const Packet& reply) {
  return reply[kStatusAt];
}
}  // namespace progress

}  // namespace norvik::link
