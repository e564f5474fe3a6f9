// Byte 12 of the operation packets: the flags byte. Program, read and erase share one table of
// bits; the copy has its own (skip-bad and the two chip-enable lines only). Every flags byte the
// host builds and the simulator reads goes through these two tables.
#pragma once

#include <cstdint>

namespace norvik::link {

// Program, read and erase.
inline constexpr std::uint8_t kFlagSpare = 1U << 0;      // the image carries the spare bytes
inline constexpr std::uint8_t kFlagLargePage = 1U << 1;  // hidden page-class radios, passed on
inline constexpr std::uint8_t kFlagSmallPage = 1U << 2;
inline constexpr std::uint8_t kFlagHugePage = 1U << 3;
inline constexpr std::uint8_t kFlagSkipBad = 1U << 4;  // skip bad blocks
inline constexpr std::uint8_t kFlagSocketA = 1U << 5;  // set: socket A, clear: socket B
inline constexpr std::uint8_t kFlagCe1 = 1U << 6;      // chip enable 1 (program and read only)

struct OperationFlags {
  bool spare = false;
  bool largePage = false;
  bool smallPage = false;
  bool hugePage = false;
  bool skipBad = false;
  bool socketA = false;
  bool ce1 = false;  // the erase never sets it

  constexpr std::uint8_t byte() const {
    std::uint8_t b = 0;
    if (spare) b |= kFlagSpare;
    if (largePage) b |= kFlagLargePage;
    if (smallPage) b |= kFlagSmallPage;
    if (hugePage) b |= kFlagHugePage;
    if (skipBad) b |= kFlagSkipBad;
    if (socketA) b |= kFlagSocketA;
    if (ce1) b |= kFlagCe1;
    return b;
  }
  static constexpr OperationFlags fromByte(std::uint8_t b) {
    OperationFlags f;
    f.spare = (b & kFlagSpare) != 0;
    f.largePage = (b & kFlagLargePage) != 0;
    f.smallPage = (b & kFlagSmallPage) != 0;
    f.hugePage = (b & kFlagHugePage) != 0;
    f.skipBad = (b & kFlagSkipBad) != 0;
    f.socketA = (b & kFlagSocketA) != 0;
    f.ce1 = (b & kFlagCe1) != 0;
    return f;
  }
};

// The copy: bits 0 to 3 and 7 always clear; the spare option never reaches the packet.
inline constexpr std::uint8_t kCopyFlagSkipBad = 1U << 4;
inline constexpr std::uint8_t kCopyFlagCe0 = 1U << 5;
inline constexpr std::uint8_t kCopyFlagCe1 = 1U << 6;

struct CopyFlags {
  bool skipBad = false;
  bool ce0 = false;
  bool ce1 = false;

  constexpr std::uint8_t byte() const {
    std::uint8_t b = 0;
    if (skipBad) b |= kCopyFlagSkipBad;
    if (ce0) b |= kCopyFlagCe0;
    if (ce1) b |= kCopyFlagCe1;
    return b;
  }
  static constexpr CopyFlags fromByte(std::uint8_t b) {
    CopyFlags f;
    f.skipBad = (b & kCopyFlagSkipBad) != 0;
    f.ce0 = (b & kCopyFlagCe0) != 0;
    f.ce1 = (b & kCopyFlagCe1) != 0;
    return f;
  }
};

}  // namespace norvik::link
