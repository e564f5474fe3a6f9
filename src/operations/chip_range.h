// Where an operation's range lies on a chip: whether it fits inside the chip, and which block and
// page an address falls in, from the chip's catalogue geometry.
#pragma once

#include <cstdint>
#include <optional>

#include "link/chip_geometry.h"
#include "operations/transfer_unit.h"

namespace norvik::operations {

// The chip's main-area size in bytes: its catalogue length (hexadecimal digits), or nothing when
// the catalogue gives no usable one.
std::optional<std::uint64_t> chipSize(const link::ChipGeometry& chip);

// [start, start + length) lies inside a chip of `size` bytes.
inline bool rangeInside(std::uint64_t start, std::uint64_t length, std::uint64_t size) {
  return start <= size && length <= size - start;
}

// The main-area bytes a program run covers on the chip: every unit it sends is a whole unit of
// `unit.mainSize` bytes, so an image with the spare area counts by its units.
std::uint64_t programmedSpan(std::uint32_t imageLength, const TransferUnit& unit, bool spare);

struct ChipPlace {
  std::uint64_t block = 0;
  std::uint64_t page = 0;  // within the block
};

// The block and page of main-area address `address`; nothing when the chip's geometry gives no
// page or block size.
std::optional<ChipPlace> placeOf(const link::ChipGeometry& chip, std::uint64_t address);

// The main-area address of byte `offset` of an image that starts at `start`: without the spare
// area exact; with it, the address of the first page of the unit the byte belongs to (how main
// and spare bytes are arranged inside a unit is the programmer's).
std::uint64_t imageOffsetToAddress(std::uint64_t start, std::uint64_t offset,
                                   const TransferUnit& unit, bool spare);

}  // namespace norvik::operations
