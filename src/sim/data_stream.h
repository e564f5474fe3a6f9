// The data stream of an accepted program or read pair: which physical page each page of a
// transfer unit goes to (the unit's plan), bad-block skipping, and moving a unit's bytes
// between the wire and a socket's cells.
#pragma once

#include <cstdint>
#include <vector>

#include "link/flags.h"
#include "sim/socket.h"
#include "sim/unit_layout.h"

namespace norvik::sim {

enum class StreamKind { None, Program, Read };

class DataStream {
 public:
  // Starts a stream on `socket`. Program lengths count the image's bytes, spare included; read
  // lengths count main bytes. A stream of no units ends at once.
  void begin(Socket& socket, StreamKind kind, const link::OperationFlags& flags,
             std::uint32_t start, std::uint32_t length);
  void end() { kind_ = StreamKind::None; }
  StreamKind kind() const { return kind_; }

  std::uint64_t wireLength() const { return layout_.wireLength(); }
  std::uint32_t unit() const { return unit_; }  // index of the next unit

  // Stores one program unit / fills one read unit of wireLength() bytes. False when the socket's
  // store fails.
  bool programUnit(const std::uint8_t* wire);
  bool readUnit(std::uint8_t* wire);
  // The unit went through; after the last one the stream ends.
  void unitDone();

 private:
  std::uint32_t nextPage();
  template <typename Fn>
  bool forEachRun(std::uint32_t slots, Fn run) const;

  StreamKind kind_ = StreamKind::None;
  Socket* socket_ = nullptr;
  UnitLayout layout_;
  bool skipBad_ = false;
  std::uint64_t dataLeft_ = 0;  // program: image bytes still to come
  std::uint32_t unitCount_ = 0;
  std::uint32_t unit_ = 0;
  std::uint32_t cursor_ = 0;            // next physical page
  std::vector<bool> erasedInJob_;       // per block: erased by this program job
  std::vector<std::uint32_t> plan_;     // physical page of each page of the current unit
  std::vector<std::uint8_t> pageData_;  // one unit's pages as the chip stores them
};

}  // namespace norvik::sim
