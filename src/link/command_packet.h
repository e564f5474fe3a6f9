// The 16-byte packet of every command and reply, with its two framings. Built and read through
// explicit byte positions so the layout on the wire is visible here and nowhere else.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace norvik::link {

inline constexpr int kPacketSize = 16;
using Packet = std::array<std::uint8_t, kPacketSize>;
static_assert(sizeof(Packet) == 16);

// Endpoints of the programmer.
inline constexpr int kEpDataIn = 0;   // chip data to the host
inline constexpr int kEpDataOut = 1;  // image data to the programmer
inline constexpr int kEpReply = 2;    // 16-byte replies
inline constexpr int kEpCommand = 3;  // 16-byte commands
inline constexpr int kCommandTimeoutMs = 1000;
inline constexpr int kReplyTimeoutMs = 1000;

// Commands.
inline constexpr std::uint8_t kCmdQuery = 0x01;
inline constexpr std::uint8_t kCmdSocket = 0x02;
inline constexpr std::uint8_t kSubReadIdA = 0x02;
inline constexpr std::uint8_t kSubGeometryA = 0x03;
inline constexpr std::uint8_t kSubReadIdB = 0x04;
inline constexpr std::uint8_t kSubGeometryB = 0x05;
inline constexpr std::uint8_t kCmdRefresh = 0x5A;
inline constexpr std::uint8_t kCmdProgram = 0x05;
inline constexpr std::uint8_t kCmdRead = 0x06;
inline constexpr std::uint8_t kCmdCopy = 0x07;
inline constexpr std::uint8_t kCmdErase = 0x08;
inline constexpr std::uint8_t kSubStart = 0x10;

// Byte positions shared by both framings and by the operation-side replies.
namespace frame {
inline constexpr int kLeadMarkAt = 0;  // two marker bytes: 55 AA or AA 55
inline constexpr int kCommandAt = 2;
inline constexpr int kSubAt = 3;
inline constexpr int kIdTrailMarkAt = 4;  // identification frame: 55 AA again at 4..5
// Operation frame: start, length and flags, equal in a pair's set-up and start packets.
inline constexpr int kStartAt = 4;
inline constexpr int kLengthAt = 8;
inline constexpr int kFlagsAt = 12;
inline constexpr int kParamsAt = kStartAt;
inline constexpr int kParamsEnd = kFlagsAt + 1;
inline constexpr int kOpTrailMarkAt = 13;  // AA 55 at 13..14, 00 at 15
}  // namespace frame

class CommandPacket {
 public:
  // Identification frame: 55 AA cmd sub 55 AA, parameters 6..15 zero until set.
  static CommandPacket identification(std::uint8_t command, std::uint8_t sub);
  // Operation frame: AA 55 cmd sub, start LE at 4..7, length LE at 8..11, flags at 12, AA 55, 00.
  static CommandPacket operation(std::uint8_t command, std::uint8_t sub, std::uint32_t start,
                                 std::uint32_t length, std::uint8_t flags);
  static CommandPacket fromBytes(const Packet& bytes) { return CommandPacket(bytes); }

  const Packet& bytes() const { return bytes_; }
  Packet& bytes() { return bytes_; }
  std::uint8_t operator[](int i) const { return bytes_[static_cast<size_t>(i)]; }
  void set(int i, std::uint8_t v) { bytes_[static_cast<size_t>(i)] = v; }

  bool isIdentification() const;
  bool isOperation() const;
  std::uint8_t command() const { return bytes_[frame::kCommandAt]; }
  std::uint8_t sub() const { return bytes_[frame::kSubAt]; }
  std::uint32_t start() const { return readLe32(frame::kStartAt); }
  std::uint32_t length() const { return readLe32(frame::kLengthAt); }
  std::uint8_t flags() const { return bytes_[frame::kFlagsAt]; }

  std::uint32_t readLe32(int at) const;
  void writeLe32(int at, std::uint32_t v);

 private:
  CommandPacket() { bytes_.fill(0); }
  explicit CommandPacket(const Packet& b) : bytes_(b) {}
  Packet bytes_;
};

// Upper-case hex without separators, as the trace writes bytes.
std::string hexBytes(const std::uint8_t* data, int count);

}  // namespace norvik::link
