// Recording for wire tests: one event list that a recording backend and a recording clock both
// write to, in the format
//   "W <ep> <len> <timeout> <result> <HEX of the bytes sent>"     (data transfers: first 16)
//   "R <ep> <len> <timeout> <result> <HEX of the bytes delivered>"
//   "P <ms>"
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "link/command_packet.h"
#include "link/usb_backend.h"
#include "platform/clock.h"
#include "virtual_clock.h"

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

// Every pause into the event list, on virtual time. It can also play the user who exits in the
// middle of an operation: `stop` is requested when pause number `stopAfter` begins.
class RecordingClock final : public Clock {
 public:
  explicit RecordingClock(EventLog& log) : log_(log) {}
  void sleepMs(int ms) override {
    const int n = ++pauses_;
    if (n == stopAfter) stop.request_stop();
    if (onPause) onPause(n);
    log_.add("P " + std::to_string(ms));
    inner_.sleepMs(ms);
  }
  double monotonicMs() override { return inner_.monotonicMs(); }
  std::time_t wallNow() override { return inner_.wallNow(); }
  VirtualClock& inner() { return inner_; }
  int pauses() const { return pauses_; }

  int stopAfter = -1;
  std::stop_source stop;
  // Called at the start of every pause with its number: another program acting meanwhile.
  std::function<void(int)> onPause;

 private:
  EventLog& log_;
  VirtualClock inner_;
  std::atomic<int> pauses_{0};
};

// Any backend, with every transfer written to the event list as ScriptedBackend writes it.
class RecordingBackend final : public link::UsbBackend {
 public:
  RecordingBackend(link::UsbBackend& inner, EventLog& log) : inner_(inner), log_(log) {}
  int writeData(int ep, const unsigned char* buf, int len, int timeoutMs) override;
  int readData(int ep, unsigned char* buf, int len, int timeoutMs) override;

 private:
  link::UsbBackend& inner_;
  EventLog& log_;
};

// "W ..." / "R ..." event text; commands show every byte, data transfers their first 16.
std::string transferEvent(char direction, int ep, int len, int timeoutMs, int result,
                          const unsigned char* bytes, int shown);

link::Packet packetFromHex(const std::string& hex);
std::string hex(const link::Packet& p);

}  // namespace norvik::testing
