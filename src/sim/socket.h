// One socket of the programmer: the chip configured for it, the geometry the host last sent for
// it, the chip's cells (a file-backed page store) and which of its blocks are bad.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "link/geometry_packet.h"
#include "sim/page_store.h"
#include "sim/sim_config.h"

namespace norvik::sim {

inline constexpr std::uint8_t kErasedByte = 0xFF;
inline constexpr std::uint8_t kBadBlockByte = 0x00;  // what a bad block reads as, main and spare

class Socket {
 public:
  // Throws std::invalid_argument for a chip the simulator cannot model and std::runtime_error
  // when the page store cannot be opened; `name` ("A" or "B") goes into the message.
  void open(const SocketConfig& chip, const char* name);

  const SocketConfig& chip() const { return chip_; }
  std::optional<link::geometry_packet::Fields> sent;  // the geometry the host last sent

  // An empty socket has no pages and no blocks.
  std::uint32_t pages() const;
  std::uint32_t blocks() const;
  std::uint32_t pagesPerBlock() const { return static_cast<std::uint32_t>(chip_.pagesPerBlock); }
  std::size_t pageBytes() const;  // main + spare
  std::uint32_t blockOf(std::uint32_t page) const { return page / pagesPerBlock(); }

  bool isBadPage(std::uint32_t page) const { return isBadBlock(blockOf(page)); }
  bool isBadBlock(std::uint32_t block) const { return badBlock_[block]; }
  // The block fails and is bad from now on (until the simulator restarts).
  void markBad(std::uint32_t block) { badBlock_[block] = true; }

  // A weak page (WeakPage=) reads back with one bit flipped, as a worn cell would.
  bool readPages(std::uint32_t first, std::uint32_t count, std::uint8_t* out) const {
    if (!store_.readPages(first, count, out)) return false;
    const auto weak = static_cast<std::uint32_t>(chip_.weakPage);
    if (chip_.weakPage >= 0 && weak >= first && weak - first < count) {
      out[std::size_t{weak - first} * pageBytes()] ^= 0x01;
    }
    return true;
  }
  bool writePages(std::uint32_t first, std::uint32_t count, const std::uint8_t* data) {
    return store_.writePages(first, count, data);
  }
  // Main and spare of every page of the block back to 0xFF.
  bool eraseBlock(std::uint32_t block) {
    return store_.erasePages(block * pagesPerBlock(), pagesPerBlock());
  }

  // Socket B at a copy station: the chip is taken out (`present` false: the socket is empty),
  // or a fresh one of the configured kind is put in, erased, with only the factory bad blocks,
  // and with the configured weak page when `weak`.
  void changeChip(bool present, bool weak);
  void setWeak(bool weak) { chip_.weakPage = weak ? configuredWeakPage_ : -1; }

  // Page `page` as main + spare bytes, as a read would see it (a bad block reads as 0x00).
  // Empty past the end of the chip or when the store fails.
  std::vector<std::uint8_t> peekPage(std::uint32_t page) const;

 private:
  SocketConfig chip_;
  int configuredWeakPage_ = -1;
  PageStore store_;
  std::vector<bool> badBlock_;
};

}  // namespace norvik::sim
