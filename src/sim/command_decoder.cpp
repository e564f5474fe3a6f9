#include "sim/command_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "link/geometry_packet.h"
#include "link/replies.h"

namespace norvik::sim {

using link::CommandPacket;
using link::Packet;

namespace {

// The programmer's answer to 0x01/0x01: "NV" and firmware version 1.0.
constexpr Packet kQueryReply = {0x55, 0xAA, 0x01, 0x01, 'N',  'V',  0x01, 0x00,
                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The faults below damage exactly the marker bytes the host checks (link::reply_marks).
// A progress report's lead marker with its lowest bit flipped.
constexpr std::uint8_t kWrongLeadMark = link::progress::kMark ^ 0x01;
// What a short progress report delivers: half a packet.
constexpr int kShortReportBytes = link::kPacketSize / 2;
// The report faults strike mid-job, on the second read of a polling cycle (the one the host
// looks at), so they strike no earlier than this.
constexpr std::uint8_t kReportFaultFromPercent = 50;

constexpr std::uint8_t kAccepted = 1;
constexpr std::uint8_t kRefused = 0;

}  // namespace

CommandDecoder::CommandDecoder(const SimConfig& config, Clock& clock, SocketModel& model)
    : config_(config),
      clock_(clock),
      model_(model),
      refuseLeft_(config.faults.refuseCycles),
      badMarkerLeft_(config.faults.badMarkerCycles),
      shortDoneReportLeft_(config.faults.shortDoneReport),
      wrongMarkDoneReportLeft_(config.faults.wrongMarkDoneReport),
      rng_(0x4E56524BU),
      swapStartMs_(clock.monotonicMs()) {
  // The first chip is the configured one, with its contents; it may not be a weak one.
  if (config.swap.chips > 0) model_.socket(kSocketB).setWeak(weakChip(1));
}

bool CommandDecoder::weakChip(int chip) const {
  const std::vector<int>& weak = config_.swap.weakChips;
  return weak.empty() || std::find(weak.begin(), weak.end(), chip) != weak.end();
}

void CommandDecoder::followSwap() {
  const SwapConfig& swap = config_.swap;
  if (swap.chips <= 0) return;
  const double period = static_cast<double>(swap.presentMs) + swap.absentMs;
  const double elapsed = clock_.monotonicMs() - swapStartMs_;
  const double slot = std::floor(elapsed / period);
  const bool inSocket = slot < swap.chips && elapsed - slot * period < swap.presentMs;
  const int chip = inSocket ? static_cast<int>(slot) + 1 : 0;
  if (chip == chipInB_) return;
  chipInB_ = chip;
  model_.socket(kSocketB).changeChip(chip != 0, weakChip(chip));
}

int CommandDecoder::silence(int timeoutMs, int* sleepMs) const {
  if (config_.realTime && timeoutMs > 0) *sleepMs = timeoutMs;
  return 0;
}

void CommandDecoder::garble(Packet& packet) {
  for (auto& b : packet) b = static_cast<std::uint8_t>(rng_() & 0xFF);
}

void CommandDecoder::latchReply(Packet packet) {
  if (config_.faults.garbageReplies) garble(packet);
  reply_ = packet;
}

void CommandDecoder::catchUp() {
  followSwap();
  LongJob* job = model_.runningJob();
  if (gone() || !job) return;
  const double now = clock_.monotonicMs();
  const int stallAt = config_.faults.stallAtPercent;
  // The acknowledgement always gets through; the programmer stops once the job is P % in.
  if (stallAt >= 0 && jobReads_ > 0) {
    const double stallMs = job->startMs() + job->durationMs() * stallAt / 100.0;
    if (now >= stallMs) {
      job->advanceTo(stallMs);
      model_.stopJob();
      unplugged_ = true;
      return;
    }
  }
  job->advanceTo(now);
}

// ---- endpoint 3 ---------------------------------------------------------------------------

void CommandDecoder::command(const Packet& bytes) {
  model_.stream().end();  // any command ends a data stream
  model_.stopJob();       // and a copy or erase, where it stands
  reply_.reset();         // commands that do not answer clear the last reply
  std::optional<CommandPacket> previousSetup = std::exchange(setup_, std::nullopt);
  const CommandPacket p = CommandPacket::fromBytes(bytes);
  if (p.isIdentification()) {
    identification(p);
  } else if (p.isOperation()) {
    operation(p, previousSetup);
  }
}

void CommandDecoder::identification(const CommandPacket& p) {
  static constexpr std::uint8_t kNoChip[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  auto idReply = [&](int socket) {
    const SocketConfig& chip = model_.socket(socket).chip();
    return link::id_reply::build(chip.empty ? kNoChip : chip.id, link::kCmdSocket, p.sub());
  };
  if (p.command() == link::kCmdQuery && p.sub() == link::kCmdQuery) {
    latchReply(kQueryReply);
  } else if (p.command() == link::kCmdSocket) {
    switch (p.sub()) {
      case link::kSubReadIdA:
        latchReply(idReply(kSocketA));
        break;
      case link::kSubReadIdB:
        latchReply(idReply(kSocketB));
        break;
      case link::kSubGeometryA:
        model_.socket(kSocketA).sent = link::geometry_packet::decode(p);
        break;
      case link::kSubGeometryB:
        model_.socket(kSocketB).sent = link::geometry_packet::decode(p);
        break;
      default:
        break;
    }
  }
  // 0x5A/0x5A (refresh) and anything unknown: taken, no reply.
}

void CommandDecoder::operation(const CommandPacket& p,
                               const std::optional<CommandPacket>& previousSetup) {
  if (p.sub() == p.command()) {
    setup_ = p;
    return;
  }
  if (p.sub() != link::kSubStart) return;
  switch (p.command()) {
    case link::kCmdProgram:
    case link::kCmdRead:
    case link::kCmdCopy:
    case link::kCmdErase:
      break;
    default:
      return;
  }
  const bool followsSetup = previousSetup && previousSetup->command() == p.command() &&
                            std::equal(p.bytes().begin() + link::frame::kParamsAt,
                                       p.bytes().begin() + link::frame::kParamsEnd,
                                       previousSetup->bytes().begin() + link::frame::kParamsAt);
  answerPair(p, followsSetup);
}

// Program and read pairs are acknowledged with AA 55 cmd status AA 55, copy and erase pairs
// with a progress report 32 55 percent status AA 55. Status 1 starts the job.
void CommandDecoder::answerPair(const CommandPacket& start, bool followsSetup) {
  bool accept = followsSetup;
  bool wrongMarkers = false;
  if (followsSetup && badMarkerLeft_ > 0) {
    --badMarkerLeft_;
    wrongMarkers = true;
    accept = false;
  }
  if (followsSetup && refuseLeft_ > 0) {
    --refuseLeft_;
    accept = false;
  }
  const bool longJob = start.command() == link::kCmdCopy || start.command() == link::kCmdErase;
  if (accept && longJob) {
    const double now = clock_.monotonicMs();
    model_.beginJob(start, now);
    jobReads_ = 0;
    if (config_.faults.doneInAck) model_.runningJob()->finish();
    return;  // the reply endpoint reports the job from now on
  }
  // A garbled acknowledgement: non-zero status, trailing markers swapped.
  const std::uint8_t status = wrongMarkers || accept ? kAccepted : kRefused;
  Packet r = longJob ? link::progress::build(0, status) : link::ack::build(start.command(), status);
  if (wrongMarkers) std::swap(r[link::reply_marks::kTrailAt], r[link::reply_marks::kTrailNextAt]);
  latchReply(r);
  if (accept) model_.beginStream(start);
}

// ---- endpoint 2 ---------------------------------------------------------------------------

int CommandDecoder::readReply(unsigned char* buffer, int length, int timeoutMs, int* sleepMs) {
  LongJob* job = model_.runningJob();
  if ((!reply_ && !job) || config_.faults.dropReplies) return silence(timeoutMs, sleepMs);
  if (job) return readReport(*job, buffer, length);
  const int n = std::min(length, link::kPacketSize);
  std::memcpy(buffer, reply_->data(), static_cast<std::size_t>(n));
  return n;
}

int CommandDecoder::readReport(LongJob& job, unsigned char* buffer, int length) {
  const double now = clock_.monotonicMs();
  const int index = jobReads_++;
  Packet r = job.report(now);
  int n = std::min(length, link::kPacketSize);
  // Even reads after the acknowledgement are the second read of a host's polling cycle.
  const bool faultable = index > 0 && index % 2 == 0 &&
                         link::progress::percent(r) < link::progress::kDone &&
                         link::progress::percent(r) >= kReportFaultFromPercent;
  if (faultable && shortDoneReportLeft_) {
    shortDoneReportLeft_ = false;
    r[link::progress::kPercentAt] = link::progress::kDone;
    n = std::min(n, kShortReportBytes);
  } else if (faultable && wrongMarkDoneReportLeft_) {
    wrongMarkDoneReportLeft_ = false;
    r[link::progress::kPercentAt] = link::progress::kDone;
    r[link::reply_marks::kLeadAt] = kWrongLeadMark;
  }
  if (config_.faults.garbageReplies) garble(r);
  std::memcpy(buffer, r.data(), static_cast<std::size_t>(n));
  return n;
}

// ---- data streams -------------------------------------------------------------------------

// Faults that strike a data transfer. Returns the result to give, or nullopt to go on.
std::optional<int> CommandDecoder::dataFault(int length, int timeoutMs, int* sleepMs) {
  const FaultConfig& f = config_.faults;
  DataStream& stream = model_.stream();
  if (f.unplugAtUnit >= 0 && stream.unit() == static_cast<std::uint32_t>(f.unplugAtUnit)) {
    unplugged_ = true;
    stream.end();
    return silence(timeoutMs, sleepMs);
  }
  if (!shortTransferDone_ && f.shortTransferAtUnit >= 0 &&
      stream.unit() == static_cast<std::uint32_t>(f.shortTransferAtUnit)) {
    shortTransferDone_ = true;
    stream.end();
    return length / 2;
  }
  return std::nullopt;
}

int CommandDecoder::write(int endpoint, const unsigned char* buffer, int length, int timeoutMs,
                          int* sleepMs) {
  catchUp();
  if (gone() || buffer == nullptr || length < 0) return silence(timeoutMs, sleepMs);
  if (endpoint == link::kEpCommand) {
    if (length != link::kPacketSize) return 0;
    Packet bytes;
    std::memcpy(bytes.data(), buffer, bytes.size());
    command(bytes);
    return length;
  }
  DataStream& stream = model_.stream();
  if (endpoint != link::kEpDataOut || stream.kind() != StreamKind::Program) {
    return silence(timeoutMs, sleepMs);
  }
  if (static_cast<std::uint64_t>(length) != stream.wireLength()) {
    stream.end();  // not a unit: the job is broken off
    return 0;
  }
  if (auto fault = dataFault(length, timeoutMs, sleepMs)) return *fault;
  if (!stream.programUnit(buffer)) {
    stream.end();
    return 0;
  }
  stream.unitDone();
  return length;
}

int CommandDecoder::read(int endpoint, unsigned char* buffer, int length, int timeoutMs,
                         int* sleepMs) {
  catchUp();
  if (gone() || buffer == nullptr || length < 0) return silence(timeoutMs, sleepMs);
  if (endpoint == link::kEpReply) return readReply(buffer, length, timeoutMs, sleepMs);
  DataStream& stream = model_.stream();
  if (endpoint != link::kEpDataIn || stream.kind() != StreamKind::Read) {
    return silence(timeoutMs, sleepMs);
  }
  if (static_cast<std::uint64_t>(length) != stream.wireLength()) {
    stream.end();
    return 0;
  }
  if (auto fault = dataFault(length, timeoutMs, sleepMs)) {
    if (*fault > 0) {
      // Only the first half of the unit arrives; the rest of the buffer stays as it was.
      std::vector<std::uint8_t> unit(static_cast<std::size_t>(length));
      if (!stream.readUnit(unit.data())) return 0;
      std::memcpy(buffer, unit.data(), static_cast<std::size_t>(*fault));
    }
    return *fault;
  }
  if (!stream.readUnit(buffer)) {
    stream.end();
    return 0;
  }
  stream.unitDone();
  return length;
}

}  // namespace norvik::sim
