// The transfer unit: image data moves between host and programmer in units of `pageMultiplier`
// pages (8 KiB of main data for page sizes that divide 8192), with each page's spare bytes when
// the spare option is on, one data transfer per unit, its length rounded up to 64 bytes.
#pragma once

#include <cstdint>

#include "link/chip_geometry.h"

namespace norvik::operations {

// One unit buffer per transfer, on the stack of the thread that runs it.
inline constexpr std::uint32_t kUnitBufferSize = 9000;

struct TransferUnit {
  std::uint32_t mainSize = 0;    // unit main size
  std::uint32_t spareSize = 0;   // unit spare size
  std::uint32_t stride = 0;      // bytes of one unit in the image file
  std::uint32_t wireLength = 0;  // bytes of one data transfer

  // False for a chip the unit buffer cannot serve: no main data (page above 8192 bytes or no
  // page size at all) or a wire length beyond the buffer.
  bool usable() const { return mainSize > 0 && stride > 0 && wireLength <= kUnitBufferSize; }
};

// From the transfer geometry (its devicePage/deviceOob hold the unit main and spare sizes).
TransferUnit transferUnit(const link::ChipGeometry& transfer, bool spareOption);

// The selected socket's unit sizes, as the program and read handlers store them.
void fillTransferGeometry(link::ChipState& chips, bool socketASelected);

inline std::uint32_t ceilDiv(std::uint32_t a, std::uint32_t b) {
  return b == 0 ? 0 : a / b + (a % b != 0 ? 1 : 0);
}

// Percentage label value for unit `i`; 0 when there is no whole unit to divide by.
inline std::uint32_t percentOf(std::uint32_t i, std::uint32_t wholeUnits) {
  return wholeUnits == 0 ? 0 : static_cast<std::uint32_t>(std::uint64_t{i} * 100 / wholeUnits);
}

}  // namespace norvik::operations
