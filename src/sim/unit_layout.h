// How a data stream is cut into transfer units, from the geometry the host sent for a socket.
#pragma once

#include <cstdint>
#include <optional>

#include "link/geometry_packet.h"
#include "sim/sim_config.h"

namespace norvik::sim {

inline constexpr std::uint32_t kUnitTarget = 8192;  // main bytes of a transfer unit
inline constexpr std::uint64_t kWireGranule = 64;   // a unit's wire length is a multiple of this

struct UnitLayout {
  std::uint32_t pageMain = 0;   // main bytes of a page on the wire
  std::uint32_t pageSpare = 0;  // spare bytes of a page on the wire (0 without the spare option)
  std::uint32_t pagesPerUnit = 0;

  std::uint32_t pageStride() const { return pageMain + pageSpare; }
  std::uint64_t unitMain() const { return std::uint64_t{pageMain} * pagesPerUnit; }
  std::uint64_t stride() const { return std::uint64_t{pageStride()} * pagesPerUnit; }
  std::uint64_t wireLength() const {
    return (stride() + kWireGranule - 1) / kWireGranule * kWireGranule;
  }
};

// The sent geometry decides the layout; where it is missing or unusable (a chip the host does
// not recognise sends zeros) the chip's own geometry stands in:
//  - main page = P - S, or the chip's page size when that is not positive;
//  - spare per page (spare option only) = S, or the chip's spare size when S is 0;
//  - pages per unit = the sent multiplier, or 8192 / main page (at least 1) when it is 0.
UnitLayout unitLayout(const std::optional<link::geometry_packet::Fields>& sent,
                      const SocketConfig& chip, bool spareOption);

}  // namespace norvik::sim
