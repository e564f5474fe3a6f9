// The geometry packets 0x02/0x03 (socket A) and 0x02/0x05 (socket B): what the host tells the
// programmer about a socket's chip. Identification frame; the fields sit at bytes 6..15.
//
//   6  maker code (the ID reply's byte 2)
//   7  page size, low byte     8  page size, high byte   (main bytes, plus spare bytes if sent)
//   9  block value, low byte  11  block value, high byte
//  10  address value
//  12  the record's always-zero field
//  13  spare size, high byte  14  spare size, low byte   (0 when the spare area is not sent)
//  15  page multiplier
#pragma once

#include <cstdint>
#include <string>

#include "link/chip_geometry.h"
#include "link/command_packet.h"

namespace norvik::link::geometry_packet {

inline constexpr int kMakerAt = 6;
inline constexpr int kPageLowAt = 7;
inline constexpr int kPageHighAt = 8;
inline constexpr int kBlockLowAt = 9;
inline constexpr int kAddressAt = 10;
inline constexpr int kBlockHighAt = 11;
inline constexpr int kReservedAt = 12;
inline constexpr int kSpareHighAt = 13;
inline constexpr int kSpareLowAt = 14;
inline constexpr int kMultiplierAt = 15;

// The fields as they stand in the packet.
struct Fields {
  std::uint8_t makerCode = 0;
  std::uint16_t pageSize = 0;
  std::uint16_t blockValue = 0;
  std::uint8_t address = 0;
  std::uint8_t reserved = 0;
  std::uint16_t spareSize = 0;
  std::uint8_t pageMultiplier = 0;

  bool operator==(const Fields&) const = default;
};

// The fields for `chip`, the maker code read from the socket and the probe's spare flag (0 or 1).
// Catalogue values are data of any size: every field is computed in arithmetic defined for all
// inputs and cut to its bytes, which for values that fit gives the bytes the programmer has always
// seen (a value of -1 included).
Fields fromChip(const ChipGeometry& chip, std::uint8_t makerCode, int spareFlag);

CommandPacket encode(std::uint8_t sub, const Fields& fields);
Fields decode(const CommandPacket& packet);

// "%d-%d" of the page size and block value exactly as they stand in the packet.
std::string pageBlockText(const Fields& fields);

}  // namespace norvik::link::geometry_packet
