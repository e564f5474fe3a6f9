#include "sim/unit_layout.h"

#include <algorithm>

namespace norvik::sim {

UnitLayout unitLayout(const std::optional<link::geometry_packet::Fields>& sent,
                      const SocketConfig& chip, bool spareOption) {
  UnitLayout u;
  const int sentMain = sent ? int{sent->pageSize} - int{sent->spareSize} : 0;
  u.pageMain = static_cast<std::uint32_t>(sentMain > 0 ? sentMain : chip.pageSize);
  if (spareOption) {
    u.pageSpare =
        static_cast<std::uint32_t>(sent && sent->spareSize > 0 ? sent->spareSize : chip.oobSize);
  }
  u.pagesPerUnit = sent && sent->pageMultiplier > 0 ? sent->pageMultiplier
                                                    : std::max(1U, kUnitTarget / u.pageMain);
  return u;
}

}  // namespace norvik::sim
