// The two data streams: an image unit by unit to the programmer, and a range of the chip unit by
// unit into a sink (a file, a comparison, a blank check). Each runs after its command pair was
// accepted, on the thread that runs the operation, with the 1 ms gap after every transfer during
// which the host does its own file, checksum and progress work. Neither shows anything or closes
// a file: the caller does, from the outcome.
#pragma once

#include <cstdint>
#include <stop_token>

#include "files/file_object.h"
#include "link/device_link.h"
#include "operations/checksum.h"
#include "operations/progress.h"
#include "operations/transfer_unit.h"
#include "operations/unit_sink.h"

namespace norvik::operations {

enum class StreamResult {
  Done,
  TransferFailed,  // the programmer took or gave less than a whole unit
  FileFailed,      // the image could not be read in full, the output could not be written, or
                   // the reference of a comparison could not be read
  Stopped,         // the stop was requested between two units
  CutShort,        // the output ended shorter than what was written to it (another program
                   // shortened it meanwhile)
};

struct StreamOutcome {
  StreamResult result = StreamResult::Done;
  std::uint32_t units = 0;  // units that went through
};

struct ImageStream {
  files::FileObject& image;
  TransferUnit unit;
  std::uint32_t length = 0;  // image bytes to send
  int writeTimeoutMs = 1000;
  // The self-test's image may be shorter than its length: it is read at each unit's own offset.
  bool seekEveryUnit = false;
  // Fed with each unit's share of the length as the programmer took it (the erased value that
  // pads the last unit excluded): for a plain image, the whole image.
  Checksum* checksum = nullptr;
};

struct RangeStream {
  UnitSink& output;
  TransferUnit unit;
  std::uint32_t length = 0;  // main-area bytes to read
  int readTimeoutMs = 3000;
  // The self-test's read: the second gap of each unit is not waited for.
  bool testMode = false;
  // Fed with the stride bytes of each unit received, as the output holds them.
  Checksum* checksum = nullptr;
};

StreamOutcome streamImage(link::DeviceLink& link, const ImageStream& stream,
                          StreamProgress& progress, std::stop_token stop);
StreamOutcome streamRange(link::DeviceLink& link, const RangeStream& stream,
                          StreamProgress& progress, std::stop_token stop);

}  // namespace norvik::operations
