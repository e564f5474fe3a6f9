// The chip probe: is a programmer there, which IDs do the sockets report, and the geometry of
// each socket's chip sent back to the programmer.
#pragma once

#include <functional>
#include <string>

#include "link/chip_geometry.h"
#include "link/command_packet.h"
#include "link/device_link.h"

namespace norvik::link {

inline constexpr int kProbeOk = 0;
inline constexpr int kProbeNoProgrammer = 1;
inline constexpr int kProbeSocketAUnrecognised = 2;
inline constexpr int kProbeSocketBUnrecognised = 4;

// Receives the page/block text of socket A (label 1043) and socket B (label 1044).
using PageBlockSink = std::function<void(int controlId, const std::string& text)>;

int ProbeChips(DeviceLink& link, ChipState& chips, int spareFlag, const PageBlockSink& show);

// The 0x02/0x03 (socket A) or 0x02/0x05 (socket B) packet for `chip`.
CommandPacket geometryPacket(const ChipGeometry& chip, std::uint8_t sub, std::uint8_t makerCode,
                             int spareFlag);
// "%d-%d" of the page size and block value exactly as they stand in the packet.
std::string pageBlockText(const CommandPacket& geometry);

}  // namespace norvik::link
