#include "link/geometry_packet.h"

namespace norvik::link::geometry_packet {

namespace {
std::uint8_t lowByte(std::int64_t v) {
  return static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) & 0xFF);
}
std::uint16_t bytesOf(std::uint8_t high, std::uint8_t low) {
  return static_cast<std::uint16_t>(high << 8 | low);
}
}  // namespace

Fields fromChip(const ChipGeometry& chip, std::uint8_t makerCode, int spareFlag) {
  // 64-bit sums cannot overflow from 32-bit fields; their low bytes are those of the 32-bit sum.
  // Division and remainder truncate toward zero, so a block value of -1 sends FF 00.
  const std::int64_t spare = spareFlag != 0 ? 1 : 0;
  const std::int64_t page = std::int64_t{chip.devicePage} + spare * chip.deviceOob;
  const std::int64_t block = chip.deviceBlock;
  const std::int64_t oob = chip.deviceOob;
  Fields f;
  f.makerCode = makerCode;
  f.pageSize = bytesOf(lowByte(page >> 8), lowByte(page));
  f.blockValue = bytesOf(lowByte(block / 256), lowByte(block % 256));
  f.address = lowByte(chip.deviceAddr);
  f.reserved = lowByte(chip.reserved);
  f.spareSize = bytesOf(lowByte(spare * (oob / 256)), lowByte(spare * (oob % 256)));
  f.pageMultiplier = lowByte(chip.pageMultiplier);
  return f;
}

CommandPacket encode(std::uint8_t sub, const Fields& f) {
  CommandPacket p = CommandPacket::identification(kCmdSocket, sub);
  p.set(kMakerAt, f.makerCode);
  p.set(kPageLowAt, static_cast<std::uint8_t>(f.pageSize & 0xFF));
  p.set(kPageHighAt, static_cast<std::uint8_t>(f.pageSize >> 8));
  p.set(kBlockLowAt, static_cast<std::uint8_t>(f.blockValue & 0xFF));
  p.set(kAddressAt, f.address);
  p.set(kBlockHighAt, static_cast<std::uint8_t>(f.blockValue >> 8));
  p.set(kReservedAt, f.reserved);
  p.set(kSpareHighAt, static_cast<std::uint8_t>(f.spareSize >> 8));
  p.set(kSpareLowAt, static_cast<std::uint8_t>(f.spareSize & 0xFF));
  p.set(kMultiplierAt, f.pageMultiplier);
  return p;
}

Fields decode(const CommandPacket& p) {
  Fields f;
  f.makerCode = p[kMakerAt];
  f.pageSize = bytesOf(p[kPageHighAt], p[kPageLowAt]);
  f.blockValue = bytesOf(p[kBlockHighAt], p[kBlockLowAt]);
  f.address = p[kAddressAt];
  f.reserved = p[kReservedAt];
  f.spareSize = bytesOf(p[kSpareHighAt], p[kSpareLowAt]);
  f.pageMultiplier = p[kMultiplierAt];
  return f;
}

std::string pageBlockText(const Fields& f) {
  return std::to_string(f.pageSize) + "-" + std::to_string(f.blockValue);
}

}  // namespace norvik::link::geometry_packet
