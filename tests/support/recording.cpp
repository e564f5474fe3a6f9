#include "recording.h"

namespace norvik::testing {

std::string transferEvent(char direction, int ep, int len, int timeoutMs, int result,
                          const unsigned char* bytes, int shown) {
  return std::string(1, direction) + " " + std::to_string(ep) + " " + std::to_string(len) + " " +
         std::to_string(timeoutMs) + " " + std::to_string(result) + " " +
         link::hexBytes(bytes, shown);
}

int RecordingBackend::writeData(int ep, const unsigned char* buf, int len, int timeoutMs) {
  const int result = inner_.writeData(ep, buf, len, timeoutMs);
  log_.add(transferEvent('W', ep, len, timeoutMs, result, buf,
                         ep == link::kEpCommand ? len : std::min(len, 16)));
  return result;
}

int RecordingBackend::readData(int ep, unsigned char* buf, int len, int timeoutMs) {
  const int result = inner_.readData(ep, buf, len, timeoutMs);
  log_.add(transferEvent('R', ep, len, timeoutMs, result, buf, std::min(result, 16)));
  return result;
}

link::Packet packetFromHex(const std::string& hexText) {
  link::Packet p{};
  std::string digits;
  for (char c : hexText) {
    if (c != ' ') digits += c;
  }
  for (size_t i = 0; i < p.size() && 2 * i + 1 < digits.size(); ++i) {
    p[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  }
  return p;
}

std::string hex(const link::Packet& p) {
  return link::hexBytes(p.data(), link::kPacketSize);
}

}  // namespace norvik::testing
