#include "operations/transfer_unit.h"

#include <algorithm>
#include <cstdint>

namespace norvik::operations {

TransferUnit transferUnit(const link::ChipGeometry& transfer, bool spareOption) {
  TransferUnit u;
  // The records hold signed catalogue values; a negative size is no size.
  u.mainSize = transfer.devicePage > 0 ? static_cast<std::uint32_t>(transfer.devicePage) : 0;
  u.spareSize = transfer.deviceOob > 0 ? static_cast<std::uint32_t>(transfer.deviceOob) : 0;
  u.stride = u.mainSize + (spareOption ? u.spareSize : 0);
  u.wireLength = (u.stride + 63) / 64 * 64;
  return u;
}

void fillTransferGeometry(link::ChipState& chips, bool socketASelected) {
  const link::ChipGeometry& src = socketASelected ? chips.socketA : chips.socketB;
  // Catalogue values are data: keep the product inside 32 bits rather than overflow.
  auto product = [](std::int32_t a, std::int32_t b) {
    std::int64_t v = std::int64_t{a} * b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  chips.transfer.devicePage = product(src.devicePage, src.pageMultiplier);
  chips.transfer.deviceOob = product(src.deviceOob, src.pageMultiplier);
}

}  // namespace norvik::operations
