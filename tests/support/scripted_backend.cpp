#include "scripted_backend.h"

#include <algorithm>

#include "link/replies.h"

namespace norvik::testing {

int ScriptedBackend::writeData(int ep, const unsigned char* buf, int len, int timeoutMs) {
  int result = len;
  if (absent) {
    result = 0;
  } else if (!writeResults.empty()) {
    result = writeResults.front();
    writeResults.pop_front();
  }
  if (ep == link::kEpDataOut) dataOut.emplace_back(buf, buf + len);
  link::Packet bytes{};
  if (ep == link::kEpCommand && len == link::kPacketSize) {
    std::copy(buf, buf + link::kPacketSize, bytes.begin());
  }
  const auto cmd = link::CommandPacket::fromBytes(bytes);
  if (ep == link::kEpCommand && len == link::kPacketSize) inOperation_ = cmd.isOperation();
  if (autoIdA && ep == link::kEpCommand && len == link::kPacketSize && result == len) {
    latched_.reset();
    const bool id = cmd.isIdentification();
    if (id && cmd.command() == link::kCmdQuery) latched_ = packetFromHex("55AA01010000");
    if (id && cmd.command() == link::kCmdSocket && cmd.sub() == link::kSubReadIdA) {
      latched_ = packetFromHex("55AA" + *autoIdA);
    }
    if (id && cmd.command() == link::kCmdSocket && cmd.sub() == link::kSubReadIdB) {
      latched_ = packetFromHex("55AA" + *autoIdB);
    }
    if (cmd.isOperation() && cmd.sub() == link::kSubStart) {
      latched_ = link::ack::build(cmd.command(), static_cast<std::uint8_t>(ackStatus));
    }
  }
  const int shown = (ep == link::kEpCommand || recordDataBytes) ? len : std::min(len, 16);
  log_.add(transferEvent('W', ep, len, timeoutMs, result, buf, shown));
  return result;
}

int ScriptedBackend::readData(int ep, unsigned char* buf, int len, int timeoutMs) {
  int result = 0;
  if (!absent && ep == link::kEpReply && !replies.empty()) {
    auto r = replies.front();
    replies.pop_front();
    if (r && len >= link::kPacketSize) {
      std::copy(r->begin(), r->end(), buf);
      result = link::kPacketSize;
    }
  } else if (!absent && ep == link::kEpReply && inOperation_ && !opReplies.empty()) {
    auto r = opReplies.front();
    opReplies.pop_front();
    if (r) {
      std::copy(r->begin(), r->end(), buf);
      result = link::kPacketSize;
    }
  } else if (!absent && ep == link::kEpReply && latched_ && len >= link::kPacketSize) {
    std::copy(latched_->begin(), latched_->end(), buf);
    result = link::kPacketSize;
  } else if (!absent && ep == link::kEpDataIn && (!dataReadResults.empty() || autoData)) {
    result = len;
    if (!dataReadResults.empty()) {
      result = std::min(dataReadResults.front(), len);
      dataReadResults.pop_front();
    }
    std::fill(buf, buf + result, dataByte);
  }
  log_.add(transferEvent('R', ep, len, timeoutMs, result, buf, std::min(result, 16)));
  return result;
}

}  // namespace norvik::testing
