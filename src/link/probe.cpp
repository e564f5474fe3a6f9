#include "link/probe.h"

#include <cstdio>

#include "link/exchange.h"
#include "link/geometry_packet.h"
#include "link/replies.h"

namespace norvik::link {

namespace {

constexpr int kProbePauseMs = 20;

// What the probe's one reply buffer holds before its first read, set afresh at every probe. A
// programmer that takes commands but never replies leaves it there: both sockets then read as
// ID 03E405AA, which no catalogue holds, so neither socket is used.
constexpr Packet kReplyBufferStart = {0x01, 0x02, 0x03, 0xE4, 0x05, 0xAA, 0, 0,
                                      0,    0,    0,    0,    0,    0,    0, 0};

std::string idText(const Packet& reply) {
  constexpr auto at = static_cast<std::size_t>(id_reply::kIdAt);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X", reply[at], reply[at + 1], reply[at + 2],
                reply[at + 3]);
  return buf;
}

bool sendCommand(DeviceLink& link, const CommandPacket& packet) {
  Packet bytes = packet.bytes();
  return link.writeData(kEpCommand, bytes.data(), kPacketSize, kCommandTimeoutMs) == kPacketSize;
}

// A command whose reply matters: the command, the probe's pause, the double read. When
// `mustBeTaken` and the programmer did not take the command, nothing follows it.
bool ask(DeviceLink& link, const CommandPacket& packet, Packet& reply, bool mustBeTaken) {
  const bool sent = sendCommand(link, packet);
  if (!sent && mustBeTaken) return false;
  link.pause(kProbePauseMs);
  doubleRead(link, reply);
  return sent;
}

// What a probe reports when the programmer answers as it did last time: the status of the chips
// as the last probe and lookup left them (socket B's state wins, as below).
int statusAsBefore(const ChipState& chips) {
  if (chips.socketB.unrecognised()) return kProbeSocketBUnrecognised;
  if (chips.socketA.unrecognised()) return kProbeSocketAUnrecognised;
  return kProbeOk;
}

}  // namespace

int ProbeChips(DeviceLink& link, ChipState& chips, int spareFlag, const PageBlockSink& show) {
  Packet reply = kReplyBufferStart;
  // A stopped run ends a repeated probe (IDs known from an earlier one) before its next call.
  const bool repeated = !chips.chipIdTextA.empty();
  auto stopped = [&] { return repeated && link.probesStopped(); };

  if (stopped()) return statusAsBefore(chips);
  if (!ask(link, CommandPacket::identification(kCmdQuery, kCmdQuery), reply, true)) {
    return kProbeNoProgrammer;
  }
  if (stopped()) return statusAsBefore(chips);
  if (!ask(link, CommandPacket::identification(kCmdSocket, kSubReadIdA), reply, true)) {
    return kProbeNoProgrammer;
  }
  int status = kProbeOk;
  if (chips.socketA.unrecognised()) status = kProbeSocketAUnrecognised;
  chips.chipIdTextA = idText(reply);
  const geometry_packet::Fields geoA =
      geometry_packet::fromChip(chips.socketA, reply[id_reply::kIdAt], spareFlag);
  chips.pageBlockTextA = geometry_packet::pageBlockText(geoA);
  if (show) show(Socket::A, chips.pageBlockTextA);
  if (stopped()) return statusAsBefore(chips);
  sendCommand(link, geometry_packet::encode(kSubGeometryA, geoA));
  link.pause(kProbePauseMs);

  if (stopped()) return statusAsBefore(chips);
  // Socket B's ID write is not checked: the programmer answered twice already.
  ask(link, CommandPacket::identification(kCmdSocket, kSubReadIdB), reply, false);
  chips.chipIdTextB = idText(reply);
  if (chips.socketB.unrecognised()) status = kProbeSocketBUnrecognised;
  const geometry_packet::Fields geoB =
      geometry_packet::fromChip(chips.socketB, reply[id_reply::kIdAt], spareFlag);
  chips.pageBlockTextB = geometry_packet::pageBlockText(geoB);
  if (show) show(Socket::B, chips.pageBlockTextB);
  sendCommand(link, geometry_packet::encode(kSubGeometryB, geoB));
  return status;
}

}  // namespace norvik::link
