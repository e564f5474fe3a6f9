// A programmer that answers from a script and records every transfer in an event list, so that a
// test can assert the exact order of writes, reads and pauses.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/command_packet.h"
#include "link/usb_backend.h"
#include "recording.h"

namespace norvik::testing {

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

}  // namespace norvik::testing
