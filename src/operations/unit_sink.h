// Where a read's units go as they arrive: into a file, or into a check that compares them with
// a reference or looks for the erased value. A sink sees each unit once, inside the gap after its
// transfer, so the range is never held in memory nor passed over a second time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/file_object.h"

namespace norvik::operations {

enum class SinkResult {
  Taken,
  Failed,    // the file could not be written, or the reference could not be read
  CutShort,  // the output is shorter than what was written to it (another program cut it)
};

class UnitSink {
 public:
  virtual ~UnitSink() = default;
  // Before the first unit.
  virtual void begin() {}
  // Unit `index`: its first `stride` bytes, as the image file holds a unit.
  virtual SinkResult take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) = 0;
  // After `units` units of `stride` bytes went in.
  virtual SinkResult finish(std::uint32_t /*units*/, std::size_t /*stride*/) {
    return SinkResult::Taken;
  }
};

// The units written to an open file, from its start one after the other, or each at its own
// offset (the self-test's read back into a file left open).
class FileSink final : public UnitSink {
 public:
  enum class Placing { FromStart, AtOwnOffsets };
  FileSink(files::FileObject& file, Placing placing) : file_(file), placing_(placing) {}

  void begin() override;
  SinkResult take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) override;
  SinkResult finish(std::uint32_t units, std::size_t stride) override;

 private:
  files::FileObject& file_;
  Placing placing_;
};

// Where the bytes of a range first failed a check, and how many did.
struct RangeFinding {
  bool found = false;
  std::uint64_t firstOffset = 0;  // from the start of the range, in image bytes (spare included)
  std::uint64_t count = 0;        // bytes that failed
};

// Compares each unit with the same bytes of a reference file (open, read from its start); bytes
// the reference lacks count as different.
class CompareSink final : public UnitSink {
 public:
  explicit CompareSink(files::FileObject& reference) : reference_(reference) {}

  void begin() override;
  SinkResult take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) override;
  const RangeFinding& difference() const { return finding_; }

 private:
  files::FileObject& reference_;
  RangeFinding finding_;
};

// Looks for bytes other than 0xFF, the value of an erased cell.
class BlankSink final : public UnitSink {
 public:
  SinkResult take(std::uint32_t index, const std::uint8_t* data, std::size_t stride) override;
  const RangeFinding& notBlank() const { return finding_; }

 private:
  RangeFinding finding_;
};

}  // namespace norvik::operations
