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

enum class Socket { A, B };

// Receives each socket's page/block text as soon as the probe has computed it.
using PageBlockSink = std::function<void(Socket socket, const std::string& text)>;

int ProbeChips(DeviceLink& link, ChipState& chips, int spareFlag, const PageBlockSink& show);

}  // namespace norvik::link
