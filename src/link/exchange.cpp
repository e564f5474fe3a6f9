#include "link/exchange.h"

#include "link/replies.h"

namespace norvik::link {

int readReply(DeviceLink& link, Packet& reply) {
  return link.readData(kEpReply, reply.data(), kPacketSize, kReplyTimeoutMs);
}

int doubleRead(DeviceLink& link, Packet& reply) {
  readReply(link, reply);
  return readReply(link, reply);
}

PairOutcome commandPair(DeviceLink& link, std::uint8_t command, std::uint32_t start,
                        std::uint32_t length, std::uint8_t flags, const PairTiming& timing,
                        std::stop_token stop, double boundMs) {
  CommandPacket setup = CommandPacket::operation(command, command, start, length, flags);
  CommandPacket go = CommandPacket::operation(command, kSubStart, start, length, flags);
  // The buffer holds no packet before the first reply: zeros match neither reply kind, so a
  // cycle in which no read delivers anything counts as no reply.
  PairOutcome out{PairResult::Stopped, Packet{}, 0, 0};
  std::uint8_t status = 0;
  const double began = link.clock().monotonicMs();
  for (;;) {
    if (stop.stop_requested()) {
      out.result = PairResult::Stopped;
      return out;
    }
    ++out.cycles;
    link.writeData(kEpCommand, setup.bytes().data(), kPacketSize, kCommandTimeoutMs);
    link.pause(timing.pauseAfterSetupMs);
    link.writeData(kEpCommand, go.bytes().data(), kPacketSize, kCommandTimeoutMs);
    if (timing.pauseAfterStartMs > 0) link.pause(timing.pauseAfterStartMs);  // copy reads at once
    out.lastReadBytes =
        timing.reads == 2 ? doubleRead(link, out.reply) : readReply(link, out.reply);
    const bool matches = timing.kind == AckKind::OperationAck ? ack::matches(out.reply, command)
                                                              : progress::matches(out.reply);
    if (matches)
      status =
          out.reply[timing.kind == AckKind::OperationAck ? ack::kStatusAt : progress::kStatusAt];
    if (status != 0) {
      out.result = PairResult::Accepted;
      return out;
    }
    // A backend that has given up on the programmer (a library call that hung or crashed) won't
    // answer again: waiting out the bound would only delay the failure.
    if (link.clock().monotonicMs() - began >= boundMs || link.backendLost()) {
      out.result = PairResult::TimedOut;
      return out;
    }
  }
}

}  // namespace norvik::link
