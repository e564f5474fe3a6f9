#include "sim/data_stream.h"

#include <algorithm>
#include <cstring>

namespace norvik::sim {

namespace {

// Physical page markers of a unit's plan.
constexpr std::uint32_t kPastEnd = 0xFFFFFFFF;  // past the last page, or no chip
constexpr std::uint32_t kInBadBlock = 0xFFFFFFFE;

}  // namespace

void DataStream::begin(Socket& socket, StreamKind kind, const link::OperationFlags& flags,
                       std::uint32_t start, std::uint32_t length) {
  socket_ = &socket;
  kind_ = kind;
  skipBad_ = flags.skipBad;
  layout_ = unitLayout(socket.sent, socket.chip(), flags.spare);
  const std::uint64_t per = kind == StreamKind::Program ? layout_.stride() : layout_.unitMain();
  unitCount_ = static_cast<std::uint32_t>((std::uint64_t{length} + per - 1) / per);
  unit_ = 0;
  dataLeft_ = length;
  const std::uint64_t startPage = start / layout_.pageMain;
  cursor_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(startPage, kPastEnd));
  erasedInJob_.clear();
  if (kind == StreamKind::Program) erasedInJob_.assign(socket.blocks(), false);
  if (unitCount_ == 0) kind_ = StreamKind::None;
  plan_.assign(layout_.pagesPerUnit, kPastEnd);
  pageData_.resize(std::size_t{layout_.pagesPerUnit} * socket.pageBytes());
}

// The physical page the next page of the stream goes to. With skipping, a cursor inside a bad
// block moves to the first page of the next good block.
std::uint32_t DataStream::nextPage() {
  const Socket& sock = *socket_;
  const std::uint32_t total = sock.pages();
  const std::uint32_t ppb = sock.pagesPerBlock();
  if (cursor_ >= total) return kPastEnd;
  if (skipBad_) {
    while (cursor_ < total && sock.isBadPage(cursor_)) cursor_ = (sock.blockOf(cursor_) + 1) * ppb;
    if (cursor_ >= total) return kPastEnd;
  }
  const std::uint32_t page = cursor_++;
  return sock.isBadPage(page) ? kInBadBlock : page;
}

// Calls `run(firstSlot, count)` for each run of slots whose pages are consecutive on the chip.
template <typename Fn>
bool DataStream::forEachRun(std::uint32_t slots, Fn run) const {
  std::uint32_t k = 0;
  while (k < slots) {
    if (plan_[k] >= kInBadBlock) {
      ++k;
      continue;
    }
    std::uint32_t n = 1;
    while (k + n < slots && plan_[k + n] == plan_[k] + n) ++n;
    if (!run(k, n)) return false;
    k += n;
  }
  return true;
}

// One program unit: the unit's data bytes (only the stream's first `length` bytes are data)
// split into pages, each page's main bytes followed by its spare bytes with the spare option.
bool DataStream::programUnit(const std::uint8_t* wire) {
  Socket& sock = *socket_;
  const UnitLayout& u = layout_;
  const std::uint64_t avail = std::min(u.stride(), dataLeft_);
  dataLeft_ -= avail;
  const auto chipMain = static_cast<std::size_t>(sock.chip().pageSize);
  const auto chipSpare = static_cast<std::size_t>(sock.chip().oobSize);
  const std::size_t pageBytes = sock.pageBytes();

  std::uint32_t slots = 0;
  for (std::uint32_t k = 0; k < u.pagesPerUnit; ++k) {
    const std::uint64_t at = std::uint64_t{k} * u.pageStride();
    if (at >= avail) break;  // the image ended before this page
    plan_[k] = nextPage();
    slots = k + 1;
    if (plan_[k] >= kInBadBlock) continue;  // past the chip, or not kept by a bad block
    std::uint8_t* page = pageData_.data() + std::size_t{k} * pageBytes;
    std::memset(page, kErasedByte, pageBytes);
    const auto mainBytes =
        static_cast<std::size_t>(std::min<std::uint64_t>({u.pageMain, chipMain, avail - at}));
    std::memcpy(page, wire + at, mainBytes);
    const std::uint64_t spareAt = at + u.pageMain;
    if (u.pageSpare > 0 && spareAt < avail) {
      const auto spareBytes = static_cast<std::size_t>(
          std::min<std::uint64_t>({u.pageSpare, chipSpare, avail - spareAt}));
      std::memcpy(page + chipMain, wire + spareAt, spareBytes);
    }
    // A block is erased before the job programs its first page in it.
    const std::uint32_t block = sock.blockOf(plan_[k]);
    if (!erasedInJob_[block]) {
      erasedInJob_[block] = true;
      if (!sock.eraseBlock(block)) return false;
    }
  }
  return forEachRun(slots, [&](std::uint32_t k, std::uint32_t n) {
    return sock.writePages(plan_[k], n, pageData_.data() + std::size_t{k} * pageBytes);
  });
}

// One read unit: each page's main bytes (and spare bytes with the spare option), padded with
// 0xFF to the wire length. Bad blocks read as 0x00, pages past the chip as 0xFF.
bool DataStream::readUnit(std::uint8_t* wire) {
  const Socket& sock = *socket_;
  const UnitLayout& u = layout_;
  const auto chipMain = static_cast<std::size_t>(sock.chip().pageSize);
  const auto chipSpare = static_cast<std::size_t>(sock.chip().oobSize);
  const std::size_t pageBytes = sock.pageBytes();

  for (std::uint32_t k = 0; k < u.pagesPerUnit; ++k) plan_[k] = nextPage();
  bool ok = forEachRun(u.pagesPerUnit, [&](std::uint32_t k, std::uint32_t n) {
    return sock.readPages(plan_[k], n, pageData_.data() + std::size_t{k} * pageBytes);
  });
  if (!ok) return false;

  std::memset(wire, kErasedByte, static_cast<std::size_t>(u.wireLength()));
  for (std::uint32_t k = 0; k < u.pagesPerUnit; ++k) {
    std::uint8_t* out = wire + std::size_t{k} * u.pageStride();
    if (plan_[k] == kPastEnd) continue;
    if (plan_[k] == kInBadBlock) {
      std::memset(out, kBadBlockByte, u.pageStride());
      continue;
    }
    const std::uint8_t* page = pageData_.data() + std::size_t{k} * pageBytes;
    std::memcpy(out, page, std::min<std::size_t>(u.pageMain, chipMain));
    if (u.pageSpare > 0) {
      std::memcpy(out + u.pageMain, page + chipMain, std::min<std::size_t>(u.pageSpare, chipSpare));
    }
  }
  return true;
}

void DataStream::unitDone() {
  if (++unit_ >= unitCount_) kind_ = StreamKind::None;
}

}  // namespace norvik::sim
