// What the program knows about the chips: one record per socket and one for the transfer in
// progress, and the status texts that the last probe produced.
#pragma once

#include <cstdint>
#include <string>

namespace norvik::link {

// The name that marks a socket whose ID is not in the catalogue.
inline constexpr const char* kUnrecognisedChip = "未识别芯片";

struct ChipGeometry {
  std::int32_t devicePage = 0;      // main bytes per page
  std::int32_t deviceOob = 0;       // spare bytes per page
  std::int32_t pageMultiplier = 0;  // pages per 8 KiB transfer unit
  std::int32_t deviceBlock = 0;     // block value as the catalogue gives it
  std::int32_t deviceAddr = 0;      // address value
  std::string deviceLens;           // default length, hex digits
  std::int32_t reserved = 0;        // nothing sets it; byte 12 of the geometry packet
  std::string deviceName;           // chip name, or kUnrecognisedChip

  bool unrecognised() const { return deviceName == kUnrecognisedChip; }
};

struct ChipState {
  ChipGeometry socketA;
  ChipGeometry socketB;
  ChipGeometry transfer;
  std::string chipIdTextA;
  std::string chipIdTextB;
  std::string pageBlockTextA;
  std::string pageBlockTextB;
};

}  // namespace norvik::link
