#include "operations/streams.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/command_packet.h"

namespace norvik::operations {

namespace {
constexpr int kUnitPauseMs = 1;
}

StreamOutcome streamImage(link::DeviceLink& link, const ImageStream& s, StreamProgress& progress,
                          std::stop_token stop) {
  const TransferUnit& unit = s.unit;
  const std::uint32_t unitCount = ceilDiv(s.length, unit.stride);
  const std::uint32_t wholeUnits = unit.stride == 0 ? 0 : s.length / unit.stride;

  progress.started(wholeUnits);
  s.image.seek(0);

  std::array<unsigned char, kUnitBufferSize> buffer;
  // Fills the buffer with unit `i`. Past the end of the image, and between the stride and the
  // wire length, the unit carries the erased value, never bytes left over from an earlier unit.
  // False when the image cannot be read, or delivers less than its length promised (another
  // program shortened it): those missing bytes must not go out as erased cells.
  auto loadUnit = [&](std::uint32_t i) {
    const std::uint64_t offset = std::uint64_t{i} * unit.stride;
    if (s.seekEveryUnit) s.image.seek(offset);
    const std::optional<std::size_t> got = s.image.readChecked(buffer.data(), unit.stride);
    if (!got) return false;
    std::memset(buffer.data() + *got, 0xFF, unit.wireLength - *got);
    // The self-test's image may end before its length; a plain image ends only at its length.
    const std::uint64_t expected = std::min<std::uint64_t>(unit.stride, s.length - offset);
    return s.seekEveryUnit || *got >= expected;
  };
  if (unitCount > 0 && !loadUnit(0)) return {StreamResult::FileFailed, 0};
  const int wire = static_cast<int>(unit.wireLength);
  StreamOutcome out;
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    if (stop.stop_requested()) {
      out.result = StreamResult::Stopped;
      return out;
    }
    const int sent = link.writeData(link::kEpDataOut, buffer.data(), wire, s.writeTimeoutMs);
    // The next unit is read from the image inside the pause that follows each transfer.
    const link::DeviceLink::Gap gap = link.beginPause(kUnitPauseMs);
    bool loaded = true;
    if (sent == wire) {
      ++out.units;
      // The unit's share of the length, without the erased value that pads the last unit.
      if (s.checksum) {
        const std::uint64_t offset = std::uint64_t{i} * unit.stride;
        s.checksum->update(buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(
                                              unit.stride, s.length - offset)));
      }
      if (i % kProgressEveryUnits == 0) progress.advanced(i, wholeUnits);
      if (i + 1 < unitCount) loaded = loadUnit(i + 1);
    }
    link.endPause(gap);
    if (sent != wire) {
      out.result = StreamResult::TransferFailed;
      return out;
    }
    if (!loaded) {
      out.result = StreamResult::FileFailed;
      return out;
    }
  }
  return out;
}

StreamOutcome streamRange(link::DeviceLink& link, const RangeStream& s, StreamProgress& progress,
                          std::stop_token stop) {
  const TransferUnit& unit = s.unit;
  const std::uint32_t unitCount = ceilDiv(s.length, unit.mainSize);
  const std::uint32_t wholeUnits = unit.mainSize == 0 ? 0 : s.length / unit.mainSize;

  // The bar is set up in test mode too (the self-test's read must not step a bar with the range
  // of an earlier run).
  progress.started(wholeUnits);
  s.output.begin();

  std::array<unsigned char, kUnitBufferSize> buffer;
  const int wire = static_cast<int>(unit.wireLength);
  StreamOutcome out;
  auto failure = [](SinkResult r) {
    return r == SinkResult::CutShort ? StreamResult::CutShort : StreamResult::FileFailed;
  };
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    if (stop.stop_requested()) {
      out.result = StreamResult::Stopped;
      return out;
    }
    const int got = link.readData(link::kEpDataIn, buffer.data(), wire, s.readTimeoutMs);
    // The unit goes to the sink inside the pause that follows the transfer; a short unit never
    // reaches it.
    const link::DeviceLink::Gap gap = link.beginPause(kUnitPauseMs);
    SinkResult taken = SinkResult::Failed;
    if (got == wire) {
      taken = s.output.take(i, buffer.data(), unit.stride);
      if (taken == SinkResult::Taken && s.checksum) s.checksum->update(buffer.data(), unit.stride);
    }
    link.endPause(gap);
    if (got != wire) {
      out.result = StreamResult::TransferFailed;
      return out;
    }
    if (taken != SinkResult::Taken) {
      out.result = failure(taken);
      return out;
    }
    ++out.units;
    const link::DeviceLink::Gap second = link.beginPause(kUnitPauseMs);
    if (i % kProgressEveryUnits == 0) progress.advanced(i, wholeUnits);
    if (!s.testMode) link.endPause(second);
  }
  if (const SinkResult end = s.output.finish(out.units, unit.stride); end != SinkResult::Taken) {
    out.result = failure(end);
  }
  return out;
}

}  // namespace norvik::operations
