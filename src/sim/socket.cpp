#include "sim/socket.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "sim/chip_limits.h"

namespace norvik::sim {

void Socket::open(const SocketConfig& chip, const char* name) {
  const std::string where = std::string("simulated socket ") + name + ": ";
  if (auto problem = checkChip(chip)) {
    throw std::invalid_argument(where + std::string(problem->key) + "=" + problem->value + ": " +
                                problem->why);
  }
  chip_ = chip;
  configuredWeakPage_ = chip.weakPage;
  badBlock_.assign(static_cast<std::size_t>(chip_.blocks), false);
  for (int b : chip_.badBlocks) badBlock_[static_cast<std::size_t>(b)] = true;
  if (chip_.empty) return;  // no chip, no cells
  std::string error;
  if (!store_.open(chip_.imagePath, static_cast<int>(pageBytes()), pages(), &error)) {
    throw std::runtime_error(where + error);
  }
}

void Socket::changeChip(bool present, bool weak) {
  chip_.empty = !present;
  if (!present) return;
  // The store was opened for the configured chip, which is never Empty when chips are swapped.
  store_.erasePages(0, pages());
  badBlock_.assign(static_cast<std::size_t>(chip_.blocks), false);
  for (int b : chip_.badBlocks) badBlock_[static_cast<std::size_t>(b)] = true;
  setWeak(weak);
}

std::uint32_t Socket::pages() const {
  return chip_.empty ? 0 : static_cast<std::uint32_t>(chip_.pagesPerBlock * chip_.blocks);
}

std::uint32_t Socket::blocks() const {
  return chip_.empty ? 0 : static_cast<std::uint32_t>(chip_.blocks);
}

std::size_t Socket::pageBytes() const {
  return static_cast<std::size_t>(chip_.pageSize) + static_cast<std::size_t>(chip_.oobSize);
}

std::vector<std::uint8_t> Socket::peekPage(std::uint32_t page) const {
  if (page >= pages()) return {};
  std::vector<std::uint8_t> out(pageBytes());
  if (isBadPage(page)) {
    std::fill(out.begin(), out.end(), kBadBlockByte);
  } else if (!store_.readPages(page, 1, out.data())) {
    return {};
  }
  return out;
}

}  // namespace norvik::sim
