// The programmer's side of the four endpoints: commands on endpoint 3, the reply endpoint 2
// with its latched reply, the data endpoints 1 and 0, and the faults that strike any of them.
// What a command does to the chips is the socket model's business.
#pragma once

#include <cstdint>
#include <optional>
#include <random>

#include "link/command_packet.h"
#include "platform/clock.h"
#include "sim/sim_config.h"
#include "sim/socket_model.h"

namespace norvik::sim {

class CommandDecoder {
 public:
  CommandDecoder(const SimConfig& config, Clock& clock, SocketModel& model);

  // One transfer. `sleepMs` receives how long the caller should wait before returning (a
  // transfer nothing answers costs its time-out in real-time mode).
  int write(int endpoint, const unsigned char* buffer, int length, int timeoutMs, int* sleepMs);
  int read(int endpoint, unsigned char* buffer, int length, int timeoutMs, int* sleepMs);

  // Brings a running copy or erase up to the clock (and stops the programmer when the job
  // reaches StallAtPercent). Every transfer does this first.
  void catchUp();

 private:
  bool gone() const { return config_.faults.absent || unplugged_; }
  // Socket B's chip as the swap schedule has it now ([Swap]).
  void followSwap();
  bool weakChip(int chip) const;
  int silence(int timeoutMs, int* sleepMs) const;
  void latchReply(link::Packet packet);
  void garble(link::Packet& packet);

  void command(const link::Packet& bytes);
  void identification(const link::CommandPacket& p);
  void operation(const link::CommandPacket& p,
                 const std::optional<link::CommandPacket>& previousSetup);
  void answerPair(const link::CommandPacket& start, bool followsSetup);
  int readReply(unsigned char* buffer, int length, int timeoutMs, int* sleepMs);
  int readReport(LongJob& job, unsigned char* buffer, int length);
  std::optional<int> dataFault(int length, int timeoutMs, int* sleepMs);

  const SimConfig& config_;
  Clock& clock_;
  SocketModel& model_;
  std::optional<link::Packet> reply_;         // what the reply endpoint delivers
  std::optional<link::CommandPacket> setup_;  // the set-up packet, when it was the last command
  int refuseLeft_ = 0;
  int badMarkerLeft_ = 0;
  bool shortTransferDone_ = false;
  bool unplugged_ = false;
  int jobReads_ = 0;  // reads of the reply endpoint since the job began; read 0 is the ack
  bool shortDoneReportLeft_ = false;
  bool wrongMarkDoneReportLeft_ = false;
  std::mt19937 rng_;
  double swapStartMs_ = 0;
  int chipInB_ = 1;  // the swap schedule's chip in socket B now (1 = the first), 0 for none
};

}  // namespace norvik::sim
