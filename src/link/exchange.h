// The shared exchange procedures: the double read and the acknowledged command pair.
#pragma once

#include <cstdint>
#include <stop_token>

#include "link/command_packet.h"
#include "link/device_link.h"

namespace norvik::link {

// One 16-byte read of the reply endpoint into `reply`; returns the bytes that arrived.
int readReply(DeviceLink& link, Packet& reply);
// Reads the reply endpoint twice into `reply`; what the second read left there counts. Returns
// the second read's byte count.
int doubleRead(DeviceLink& link, Packet& reply);

enum class AckKind { OperationAck, ProgressReport };

struct PairTiming {
  int pauseAfterSetupMs;
  int pauseAfterStartMs;
  int reads;  // 2: double read; 1: a single read
  AckKind kind;
};

inline constexpr PairTiming kProgramPair{1, 20, 2, AckKind::OperationAck};
inline constexpr PairTiming kReadPair{20, 20, 2, AckKind::OperationAck};
inline constexpr PairTiming kCopyPair{20, 0, 1, AckKind::ProgressReport};
inline constexpr PairTiming kErasePair{20, 20, 1, AckKind::ProgressReport};

// How long the pair is re-sent before the operation gives up. A programmer that refuses or
// stays silent this long is not going to start the job.
inline constexpr double kPairBoundMs = 30'000;

enum class PairResult { Accepted, TimedOut, Stopped };

struct PairOutcome {
  PairResult result;
  Packet reply;  // the reply buffer as the last cycle left it
  int cycles;
  int lastReadBytes = 0;  // what the last reply read delivered
};

// Sends the set-up packet (sub = command) and the start packet (sub = 0x10) until the programmer
// accepts with a non-zero status, the bound is reached, or `stop` is requested.
PairOutcome commandPair(DeviceLink& link, std::uint8_t command, std::uint32_t start,
                        std::uint32_t length, std::uint8_t flags, const PairTiming& timing,
                        std::stop_token stop = {}, double boundMs = kPairBoundMs);

}  // namespace norvik::link
