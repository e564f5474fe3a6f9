#include "test_support.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

namespace norvik::testing {

int ScriptedBackend::writeData(int ep, const unsigned char* buf, int len, int timeoutMs) {
  int result = len;
  if (absent) {
    result = 0;
  } else if (!writeResults.empty()) {
    result = writeResults.front();
    writeResults.pop_front();
  }
  if (ep == link::kEpDataOut) dataOut.emplace_back(buf, buf + len);
  if (ep == link::kEpCommand && len == link::kPacketSize) inOperation_ = buf[0] == 0xAA;
  if (autoIdA && ep == link::kEpCommand && len == link::kPacketSize && result == len) {
    link::Packet cmd;
    std::copy(buf, buf + 16, cmd.begin());
    latched_.reset();
    if (cmd[0] == 0x55 && cmd[2] == 0x01) latched_ = packetFromHex("55AA01010000");
    if (cmd[0] == 0x55 && cmd[2] == 0x02 && cmd[3] == 0x02)
      latched_ = packetFromHex("55AA" + *autoIdA);
    if (cmd[0] == 0x55 && cmd[2] == 0x02 && cmd[3] == 0x04)
      latched_ = packetFromHex("55AA" + *autoIdB);
    if (cmd[0] == 0xAA && cmd[3] == 0x10) {
      link::Packet ack{0xAA, 0x55, cmd[2], static_cast<std::uint8_t>(ackStatus), 0xAA, 0x55};
      latched_ = ack;
    }
  }
  int shown = (ep == link::kEpCommand || recordDataBytes) ? len : std::min(len, 16);
  log_.add("W " + std::to_string(ep) + " " + std::to_string(len) + " " + std::to_string(timeoutMs) +
           " " + std::to_string(result) + " " + link::hexBytes(buf, shown));
  return result;
}

int ScriptedBackend::readData(int ep, unsigned char* buf, int len, int timeoutMs) {
  int result = 0;
  if (!absent && ep == link::kEpReply && !replies.empty()) {
    auto r = replies.front();
    replies.pop_front();
    if (r && len >= link::kPacketSize) {
      std::copy(r->begin(), r->end(), buf);
      result = link::kPacketSize;
    }
  } else if (!absent && ep == link::kEpReply && inOperation_ && !opReplies.empty()) {
    auto r = opReplies.front();
    opReplies.pop_front();
    if (r) {
      std::copy(r->begin(), r->end(), buf);
      result = link::kPacketSize;
    }
  } else if (!absent && ep == link::kEpReply && latched_ && len >= link::kPacketSize) {
    std::copy(latched_->begin(), latched_->end(), buf);
    result = link::kPacketSize;
  } else if (!absent && ep == link::kEpDataIn && (!dataReadResults.empty() || autoData)) {
    result = len;
    if (!dataReadResults.empty()) {
      result = std::min(dataReadResults.front(), len);
      dataReadResults.pop_front();
    }
    std::fill(buf, buf + result, dataByte);
  }
  log_.add("R " + std::to_string(ep) + " " + std::to_string(len) + " " + std::to_string(timeoutMs) +
           " " + std::to_string(result) + " " + link::hexBytes(buf, std::min(result, 16)));
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

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path() /
              ("norvik-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  path_ = base.string();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
  std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
  std::ofstream out(file(name), std::ios::binary);
  out << bytes;
}

std::string TempDir::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace norvik::testing
