#include "operations/unit_sink.h"

#include <algorithm>
#include <array>

#include "operations/transfer_unit.h"

namespace norvik::operations {

namespace {

void note(RangeFinding& finding, std::uint64_t offset) {
  if (!finding.found) {
    finding.found = true;
    finding.firstOffset = offset;
  }
  ++finding.count;
}

}  // namespace

void FileSink::begin() {
  if (placing_ == Placing::FromStart) file_.seek(0);
}

SinkResult FileSink::take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) {
  const std::uint64_t offset = std::uint64_t{index} * stride;
  // A file shorter than the units already in it was cut by another program: writing on would
  // leave a hole of zeros that looks like data.
  if (file_.length() < static_cast<std::int64_t>(offset)) return SinkResult::CutShort;
  if (placing_ == Placing::AtOwnOffsets) file_.seek(offset);
  return file_.write(data, stride) ? SinkResult::Taken : SinkResult::Failed;
}

SinkResult FileSink::finish(std::uint32_t units, std::size_t stride) {
  // The same after the last unit: a file shorter now than what was written lost bytes to
  // another program, and must not pass for a whole read.
  const std::uint64_t written = std::uint64_t{units} * stride;
  return file_.length() < static_cast<std::int64_t>(written) ? SinkResult::CutShort
                                                             : SinkResult::Taken;
}

void CompareSink::begin() {
  reference_.seek(0);
}

SinkResult CompareSink::take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) {
  std::array<std::uint8_t, kUnitBufferSize> expected{};
  const std::size_t wanted = std::min<std::size_t>(stride, expected.size());
  const std::optional<std::size_t> got = reference_.readChecked(expected.data(), wanted);
  if (!got) return SinkResult::Failed;
  const std::uint64_t base = std::uint64_t{index} * stride;
  for (std::size_t i = 0; i < stride; ++i) {
    if (i >= *got || expected[i] != data[i]) note(finding_, base + i);
  }
  return SinkResult::Taken;
}

SinkResult BlankSink::take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) {
  const std::uint64_t base = std::uint64_t{index} * stride;
  for (std::size_t i = 0; i < stride; ++i) {
    if (data[i] != 0xFF) note(finding_, base + i);
  }
  return SinkResult::Taken;
}

}  // namespace norvik::operations
