// What the programmer does to the chips: the two sockets, the data stream of a program or read
// job, and the copy or erase job that runs by itself. The command decoder tells it which job
// the host asked for; everything about pages and blocks is decided here.
#pragma once

#include <cstdint>
#include <optional>

#include "link/command_packet.h"
#include "sim/data_stream.h"
#include "sim/long_job.h"
#include "sim/sim_config.h"
#include "sim/socket.h"

namespace norvik::sim {

inline constexpr int kSocketA = 0;
inline constexpr int kSocketB = 1;
inline constexpr int kSocketCount = 2;

class SocketModel {
 public:
  // Opens both sockets; throws as Socket::open does.
  explicit SocketModel(const SimConfig& config);

  Socket& socket(int index) { return sockets_[index]; }
  const Socket& socket(int index) const { return sockets_[index]; }

  // Program and read: the stream an accepted start packet begins.
  DataStream& stream() { return stream_; }
  void beginStream(const link::CommandPacket& start);

  // Copy and erase: the job an accepted start packet begins at `nowMs`.
  void beginJob(const link::CommandPacket& start, double nowMs);
  // A job that still runs (it reports progress, and its work advances with the clock).
  LongJob* runningJob() { return jobRunning_ ? &*job_ : nullptr; }
  // The job stops where it stands: the blocks done stay done, the rest is not done.
  void stopJob() { jobRunning_ = false; }
  void advanceJob(double nowMs) {
    if (jobRunning_) job_->advanceTo(nowMs);
  }
  // The last job begun, running or not.
  std::optional<JobStatus> lastJob() const;

 private:
  Socket sockets_[kSocketCount];
  DataStream stream_;
  std::optional<LongJob> job_;
  bool jobRunning_ = false;
  int extraBadLeft_ = 0;  // good blocks that erases are still to turn bad
};

}  // namespace norvik::sim
