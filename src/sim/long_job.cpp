#include "sim/long_job.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "link/replies.h"
#include "sim/unit_layout.h"

namespace norvik::sim {

namespace {

constexpr std::uint8_t kRunning = 1;
constexpr int kMaxCountInReport = 255;

}  // namespace

LongJob::LongJob(JobKind kind, Socket& walked, bool skipBad, std::uint32_t start,
                 std::uint32_t length, double nowMs)
    : kind_(kind), walked_(&walked), skipBad_(skipBad), startMs_(nowMs) {
  // Addresses are in pages of the main size the host sent, as for the data streams.
  const UnitLayout layout = unitLayout(walked.sent, walked.chip(), /*spareOption=*/false);
  const std::uint64_t blockMain = std::uint64_t{layout.pageMain} * walked.pagesPerBlock();
  const std::uint64_t first = start / blockMain;
  const std::uint64_t end = (std::uint64_t{start} + length + blockMain - 1) / blockMain;
  const std::uint64_t onChip = first < walked.blocks() ? walked.blocks() - first : 0;
  nextBlock_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(first, walked.blocks()));
  rangeBlocks_ = static_cast<std::uint32_t>(std::min(end - first, onChip));
}

LongJob LongJob::erase(Socket& target, bool skipBad, std::uint32_t start, std::uint32_t length,
                       double nowMs, int* extraBad) {
  LongJob job(JobKind::Erase, target, skipBad, start, length, nowMs);
  job.extraBad_ = extraBad;
  job.durationMs_ = std::max(kMinJobMs, job.rangeBlocks_ * kBlockEraseMs);
  return job;
}

LongJob LongJob::copy(Socket& from, Socket& to, bool skipBad, std::uint32_t start,
                      std::uint32_t length, double nowMs) {
  LongJob job(JobKind::Copy, from, skipBad, start, length, nowMs);
  job.to_ = &to;
  // Per block: erase B's block, then read each page from A and program it into B.
  const double perBlock = kBlockEraseMs + from.pagesPerBlock() * (kPageReadMs + kPageProgramMs);
  job.durationMs_ = std::max(kMinJobMs, job.rangeBlocks_ * perBlock);
  job.pageA_.resize(from.pageBytes());
  job.pageB_.resize(to.pageBytes());
  return job;
}

bool LongJob::walkEnded() const {
  return blocksDone_ >= rangeBlocks_ || nextBlock_ >= walked_->blocks();
}

void LongJob::advanceTo(double nowMs) {
  if (finished_) return;
  const double elapsed = nowMs - startMs_;
  const bool timeUp = elapsed >= durationMs_;
  const auto due = timeUp ? rangeBlocks_
                          : static_cast<std::uint32_t>(
                                std::floor(rangeBlocks_ * std::max(0.0, elapsed) / durationMs_));
  while (blocksDone_ < due && !walkEnded()) step();
  if (timeUp) finished_ = true;
}

void LongJob::step() {
  const std::uint32_t block = nextBlock_++;
  const bool done = kind_ == JobKind::Erase ? eraseStep(block) : copyStep(block);
  // Without skipping every position counts toward the range, done or passed over.
  if (done || !skipBad_) ++blocksDone_;
}

bool LongJob::eraseStep(std::uint32_t block) {
  Socket& s = *walked_;
  if (s.isBadBlock(block)) {
    ++badBlocks_;
    return false;
  }
  if (extraBad_ && *extraBad_ > 0) {
    // The erase fails: the block is bad from now on and keeps what it held.
    --*extraBad_;
    s.markBad(block);
    ++badBlocks_;
    return false;
  }
  // A failed store has no way to reach the host; the job goes on.
  s.eraseBlock(block);
  return true;
}

bool LongJob::copyStep(std::uint32_t block) {
  Socket& a = *walked_;
  Socket& b = *to_;
  const std::uint32_t ppb = a.pagesPerBlock();
  const std::uint32_t first = block * ppb;
  // Pages past the end of B are dropped.
  const std::uint32_t end = std::min(first + ppb, b.pages());

  bool bad = a.isBadBlock(block);
  if (bad) ++badBlocks_;
  if (first < end) {
    for (std::uint32_t bb = b.blockOf(first); bb <= b.blockOf(end - 1); ++bb) {
      if (!b.isBadBlock(bb)) continue;
      bad = true;
      if (bb > lastCountedB_) {
        ++badBlocks_;
        lastCountedB_ = bb;
      }
    }
  }
  if (bad) return false;
  if (first >= end) return true;  // nothing of this block fits on B

  for (std::uint32_t bb = b.blockOf(first); bb <= b.blockOf(end - 1); ++bb) {
    if (bb > lastErasedB_) {
      b.eraseBlock(bb);
      lastErasedB_ = bb;
    }
  }
  const auto mainA = static_cast<std::size_t>(a.chip().pageSize);
  const auto spareA = static_cast<std::size_t>(a.chip().oobSize);
  const auto mainB = static_cast<std::size_t>(b.chip().pageSize);
  const auto spareB = static_cast<std::size_t>(b.chip().oobSize);
  for (std::uint32_t page = first; page < end; ++page) {
    if (!a.readPages(page, 1, pageA_.data())) continue;
    const std::uint8_t* src = pageA_.data();
    // Main to main and spare to spare, each cut or padded with 0xFF to B's sizes.
    std::memset(pageB_.data(), kErasedByte, pageB_.size());
    std::memcpy(pageB_.data(), src, std::min(mainA, mainB));
    std::memcpy(pageB_.data() + mainB, src + mainA, std::min(spareA, spareB));
    // An erased page stays as the erase left it, so B's store stays sparse.
    if (std::all_of(pageB_.begin(), pageB_.end(), [](std::uint8_t x) { return x == kErasedByte; }))
      continue;
    b.writePages(page, 1, pageB_.data());
  }
  return true;
}

std::uint8_t LongJob::percent(double nowMs) const {
  if (finished_) return link::progress::kDone;
  const double share = (nowMs - startMs_) / durationMs_;
  return static_cast<std::uint8_t>(std::clamp(std::floor(share * 100), 0.0, 99.0));
}

link::Packet LongJob::report(double nowMs) const {
  const std::uint8_t p = percent(nowMs);
  std::uint8_t status = kRunning;
  if (kind_ == JobKind::Erase && p == link::progress::kDone) {
    status = static_cast<std::uint8_t>(std::min(badBlocks_, kMaxCountInReport));
  }
  return link::progress::build(p, status);
}

JobStatus LongJob::status() const {
  JobStatus s;
  s.kind = kind_;
  s.durationMs = durationMs_;
  s.rangeBlocks = rangeBlocks_;
  s.blocksDone = blocksDone_;
  s.badBlocks = badBlocks_;
  s.finished = finished_;
  return s;
}

}  // namespace norvik::sim
