#include "link/probe.h"

#include <cstdio>

namespace norvik::link {

namespace {

constexpr int kProbePauseMs = 20;

std::string idText(const Packet& reply) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X", reply[2], reply[3], reply[4], reply[5]);
  return buf;
}

bool sendCommand(DeviceLink& link, const CommandPacket& packet) {
  Packet bytes = packet.bytes();
  return link.writeData(kEpCommand, bytes.data(), kPacketSize, kCommandTimeoutMs) == kPacketSize;
}

}  // namespace

CommandPacket geometryPacket(const ChipGeometry& chip, std::uint8_t sub, std::uint8_t makerCode,
                             int spareFlag) {
  CommandPacket p = CommandPacket::identification(kCmdSocket, sub);
  // Fields are computed in 32-bit signed arithmetic, truncating toward zero, and then cut to
  // bytes: a catalogue value of -1 must come out exactly as the programmer has always seen it.
  const std::int32_t page = chip.devicePage + spareFlag * chip.deviceOob;
  p.set(6, makerCode);
  p.set(7, static_cast<std::uint8_t>(page & 0xFF));
  p.set(8, static_cast<std::uint8_t>((page >> 8) & 0xFF));
  p.set(9, static_cast<std::uint8_t>(chip.deviceBlock % 256));
  p.set(10, static_cast<std::uint8_t>(chip.deviceAddr & 0xFF));
  p.set(11, static_cast<std::uint8_t>(chip.deviceBlock / 256));
  p.set(12, static_cast<std::uint8_t>(chip.reserved));
  p.set(13, static_cast<std::uint8_t>(spareFlag * (chip.deviceOob / 256)));
  p.set(14, static_cast<std::uint8_t>(spareFlag * (chip.deviceOob % 256)));
  p.set(15, static_cast<std::uint8_t>(chip.pageMultiplier & 0xFF));
  return p;
}

std::string pageBlockText(const CommandPacket& g) {
  unsigned page = unsigned{g[8]} << 8 | g[7];
  unsigned block = unsigned{g[11]} << 8 | g[9];
  return std::to_string(page) + "-" + std::to_string(block);
}

int ProbeChips(DeviceLink& link, ChipState& chips, int spareFlag, const PageBlockSink& show) {
  Packet reply = {0x01, 0x02, 0x03, 0xE4, 0x05, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

  if (!sendCommand(link, CommandPacket::identification(kCmdQuery, kCmdQuery))) {
    return kProbeNoProgrammer;
  }
  link.pause(kProbePauseMs);
  link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);
  link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);

  if (!sendCommand(link, CommandPacket::identification(kCmdSocket, kSubReadIdA))) {
    return kProbeNoProgrammer;
  }
  link.pause(kProbePauseMs);
  link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);
  link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);
  int status = kProbeOk;
  if (chips.socketA.unrecognised()) status = kProbeSocketAUnrecognised;
  chips.chipIdTextA = idText(reply);

  CommandPacket geoA = geometryPacket(chips.socketA, kSubGeometryA, reply[2], spareFlag);
  chips.pageBlockTextA = pageBlockText(geoA);
  if (show) show(1043, chips.pageBlockTextA);
  sendCommand(link, geoA);
  link.pause(kProbePauseMs);

  sendCommand(link, CommandPacket::identification(kCmdSocket, kSubReadIdB));
  link.pause(kProbePauseMs);
  link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);
  link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);
  chips.chipIdTextB = idText(reply);
  if (chips.socketB.unrecognised()) status = kProbeSocketBUnrecognised;

  CommandPacket geoB = geometryPacket(chips.socketB, kSubGeometryB, reply[2], spareFlag);
  chips.pageBlockTextB = pageBlockText(geoB);
  if (show) show(1044, chips.pageBlockTextB);
  sendCommand(link, geoB);
  return status;
}

}  // namespace norvik::link
