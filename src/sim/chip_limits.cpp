#include "sim/chip_limits.h"

namespace norvik::sim {

namespace {

// The geometry packet carries page and spare sizes in 16 bits.
constexpr long long kMaxField = 65535;

std::optional<ChipProblem> outOfRange(std::string_view key, long long value, long long min,
                                      long long max) {
  if (value >= min && value <= max) return std::nullopt;
  return ChipProblem{
      key, std::to_string(value),
      "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max)};
}

}  // namespace

std::optional<ChipProblem> checkChip(const SocketConfig& chip) {
  if (auto p = outOfRange("Page", chip.pageSize, 1, kMaxField)) return p;
  if (auto p = outOfRange("Oob", chip.oobSize, 0, kMaxField)) return p;
  if (auto p = outOfRange("PagesPerBlock", chip.pagesPerBlock, 1, kMaxField)) return p;
  if (auto p = outOfRange("Blocks", chip.blocks, 1, kMaxPages)) return p;
  if (static_cast<long long>(chip.pagesPerBlock) * chip.blocks > kMaxPages) {
    return ChipProblem{"Blocks", std::to_string(chip.blocks),
                       "the chip would have more than " + std::to_string(kMaxPages) + " pages"};
  }
  for (int b : chip.badBlocks) {
    if (b < 0 || b >= chip.blocks) {
      return ChipProblem{
          "BadBlocks", std::to_string(b),
          "block number past the last block (" + std::to_string(chip.blocks - 1) + ")"};
    }
  }
  return std::nullopt;
}

}  // namespace norvik::sim
