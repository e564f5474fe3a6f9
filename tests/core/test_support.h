// Test doubles for the device link: a backend that answers from a script and records every
// transfer, and a clock that records every pause in the same event list, so that a test can
// assert the exact order of writes, reads and pauses.
#pragma once

#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/command_packet.h"
#include "link/usb_backend.h"
#include "platform/clock.h"

namespace norvik::testing {

class EventLog {
 public:
  void add(std::string e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
  }
  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

// Events: "W <ep> <len> <timeout> <result> <HEX of all bytes sent>",
//         "R <ep> <len> <timeout> <result> <HEX of the bytes delivered>", "P <ms>".
class ScriptedBackend final : public link::UsbBackend {
 public:
  explicit ScriptedBackend(EventLog& log) : log_(log) {}

  // Writes: by default every write takes its whole length. `writeResults` answers the next
  // writes in order; `absent` makes every write return 0.
  bool absent = false;
  std::deque<int> writeResults;
  // Reads on the reply endpoint: each entry is delivered by one read (nullopt: nothing arrives).
  std::deque<std::optional<link::Packet>> replies;
  // Reads on the data-in endpoint: each entry is the count delivered (bytes are `dataByte`).
  std::deque<int> dataReadResults;
  unsigned char dataByte = 0x5A;
  // Auto-answer: when set, identification commands latch the replies a programmer with these
  // chip IDs would give (query, socket A, socket B), and operation start packets latch an
  // acknowledgement with `ackStatus`; the reply endpoint then delivers the latched reply on
  // every read until the next command. Scripted `replies` still come first.
  std::optional<std::string> autoIdA, autoIdB;
  // Replies for reads that follow an operation-frame command (the pair), before the latch.
  std::deque<std::optional<link::Packet>> opReplies;
  int ackStatus = 1;
  // Data-in reads without a scripted result deliver the whole length when true.
  bool autoData = false;
  int writeData(int ep, const unsigned char* buf, int len, int timeoutMs) override;
  int readData(int ep, unsigned char* buf, int len, int timeoutMs) override;
  // Every data-out transfer in full.
  std::vector<std::vector<unsigned char>> dataOut;
  bool recordDataBytes = false;  // data transfers are logged with their first 16 bytes only

 private:
  EventLog& log_;
  std::optional<link::Packet> latched_;
  bool inOperation_ = false;
};

class RecordingClock final : public Clock {
 public:
  explicit RecordingClock(EventLog& log) : log_(log) {}
  void sleepMs(int ms) override {
    log_.add("P " + std::to_string(ms));
    inner_.sleepMs(ms);
  }
  double monotonicMs() override { return inner_.monotonicMs(); }
  std::time_t wallNow() override { return inner_.wallNow(); }
  VirtualClock& inner() { return inner_; }

 private:
  EventLog& log_;
  VirtualClock inner_;
};

link::Packet packetFromHex(const std::string& hex);
std::string hex(const link::Packet& p);

// A fresh directory under the system's temporary folder, removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace norvik::testing
