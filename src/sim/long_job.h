// Copy (0x07) and erase (0x08): jobs the programmer runs by itself after accepting the pair,
// while the host only polls progress reports. A job walks whole blocks and does each block's
// work when the clock says it is due, so a programmer that stops answering mid-job leaves the
// range partly done.
//
// The range: start and length are main-area bytes (pages of the main size the host sent, as
// for program and read); the job touches every block the range reaches into. Without skipping,
// the range is that many block positions and a bad block among them is passed over; with
// skipping, it is that many positions where the work could be done, and positions with a bad
// block are passed over without counting. A bad block is never erased or written.
//
// Time: every block position of the range costs a datasheet-typical time; the job takes that
// in all, but never less than kMinJobMs, so that the host's polling sees intermediate reports.
#pragma once

#include <cstdint>
#include <vector>

#include "link/command_packet.h"
#include "sim/job_status.h"
#include "sim/socket.h"

namespace norvik::sim {

// Datasheet-typical timings of a NAND chip, in milliseconds.
inline constexpr double kPageReadMs = 0.025;
inline constexpr double kPageProgramMs = 0.250;
inline constexpr double kBlockEraseMs = 2.0;
// Several polling periods (copy 200 ms, erase 100 ms).
inline constexpr double kMinJobMs = 1000;

class LongJob {
 public:
  // Erase of the range on `target`; `extraBad` counts down the good blocks erases turn bad.
  static LongJob erase(Socket& target, bool skipBad, std::uint32_t start, std::uint32_t length,
                       double nowMs, int* extraBad);
  // Copy of the range from `from` (socket A) to `to` (socket B), page numbers kept.
  static LongJob copy(Socket& from, Socket& to, bool skipBad, std::uint32_t start,
                      std::uint32_t length, double nowMs);

  // Does the work due by `nowMs`; everything once the job's time is over.
  void advanceTo(double nowMs);
  void finish() { advanceTo(startMs_ + durationMs_); }

  double startMs() const { return startMs_; }
  double durationMs() const { return durationMs_; }
  JobKind kind() const { return kind_; }
  // 0..99 while it runs, 100 when it is done.
  std::uint8_t percent(double nowMs) const;
  // The progress report the programmer gives at `nowMs`: status 1, and for an erase at 100 the
  // bad-block count, saturated at 255.
  link::Packet report(double nowMs) const;
  JobStatus status() const;

 private:
  LongJob(JobKind kind, Socket& walked, bool skipBad, std::uint32_t start, std::uint32_t length,
          double nowMs);
  bool walkEnded() const;
  void step();
  bool eraseStep(std::uint32_t block);
  bool copyStep(std::uint32_t block);

  JobKind kind_;
  Socket* walked_;        // the socket whose blocks the range counts: the erased one, or A
  Socket* to_ = nullptr;  // copy: socket B
  int* extraBad_ = nullptr;
  bool skipBad_;
  double startMs_;
  double durationMs_ = kMinJobMs;
  std::uint32_t nextBlock_ = 0;
  std::uint32_t rangeBlocks_ = 0;
  std::uint32_t blocksDone_ = 0;
  int badBlocks_ = 0;
  bool finished_ = false;
  // Copy: B's blocks are met in rising order, so the last one erased and the last bad one
  // counted are enough to do each once.
  std::int64_t lastErasedB_ = -1;
  std::int64_t lastCountedB_ = -1;
  std::vector<std::uint8_t> pageA_;  // one page of A
  std::vector<std::uint8_t> pageB_;  // one page in B's format
};

}  // namespace norvik::sim
