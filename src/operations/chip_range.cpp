#include "operations/chip_range.h"

#include <charconv>

namespace norvik::operations {

std::optional<std::uint64_t> chipSize(const link::ChipGeometry& chip) {
  const std::string& text = chip.deviceLens;
  std::uint64_t size = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size, 16);
  if (error != std::errc() || end != text.data() + text.size() || size == 0) return std::nullopt;
  return size;
}

std::uint64_t programmedSpan(std::uint32_t imageLength, const TransferUnit& unit, bool spare) {
  if (!spare || unit.stride == 0) return imageLength;
  return std::uint64_t{ceilDiv(imageLength, unit.stride)} * unit.mainSize;
}

std::optional<ChipPlace> placeOf(const link::ChipGeometry& chip, std::uint64_t address) {
  if (chip.devicePage <= 0 || chip.deviceBlock <= 0) return std::nullopt;
  const auto pageSize = static_cast<std::uint64_t>(chip.devicePage);
  const auto pagesPerBlock = static_cast<std::uint64_t>(chip.deviceBlock);
  const std::uint64_t page = address / pageSize;
  return ChipPlace{page / pagesPerBlock, page % pagesPerBlock};
}

std::uint64_t imageOffsetToAddress(std::uint64_t start, std::uint64_t offset,
                                   const TransferUnit& unit, bool spare) {
  if (!spare || unit.stride == 0) return start + offset;
  return start + offset / unit.stride * unit.mainSize;
}

}  // namespace norvik::operations
