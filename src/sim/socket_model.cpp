#include "sim/socket_model.h"

#include "link/flags.h"

namespace norvik::sim {

SocketModel::SocketModel(const SimConfig& config) : extraBadLeft_(config.faults.extraBadBlocks) {
  sockets_[kSocketA].open(config.socketA, "A");
  sockets_[kSocketB].open(config.socketB, "B");
}

void SocketModel::beginStream(const link::CommandPacket& start) {
  const link::OperationFlags flags = link::OperationFlags::fromByte(start.flags());
  const StreamKind kind =
      start.command() == link::kCmdProgram ? StreamKind::Program : StreamKind::Read;
  stream_.begin(sockets_[flags.socketA ? kSocketA : kSocketB], kind, flags, start.start(),
                start.length());
}

void SocketModel::beginJob(const link::CommandPacket& start, double nowMs) {
  if (start.command() == link::kCmdErase) {
    // The spare option and the page-class bits change nothing: an erase clears whole blocks.
    const link::OperationFlags flags = link::OperationFlags::fromByte(start.flags());
    job_ = LongJob::erase(sockets_[flags.socketA ? kSocketA : kSocketB], flags.skipBad,
                          start.start(), start.length(), nowMs, &extraBadLeft_);
  } else {
    // One chip per socket: the chip-enable bits have nothing to choose between.
    const link::CopyFlags flags = link::CopyFlags::fromByte(start.flags());
    job_ = LongJob::copy(sockets_[kSocketA], sockets_[kSocketB], flags.skipBad, start.start(),
                         start.length(), nowMs);
  }
  jobRunning_ = true;
}

std::optional<JobStatus> SocketModel::lastJob() const {
  if (!job_) return std::nullopt;
  return job_->status();
}

}  // namespace norvik::sim
