// Comparing the first bytes of two open files, chunk by chunk, so that memory stays flat in the
// length compared. The self-test compares its reference image with what it read back; the command
// line's --verify compares an image with its read-back.
#pragma once

#include <cstdint>

#include "files/file_object.h"

namespace norvik::operations {

struct Comparison {
  bool equal = false;
  bool readFailed = false;            // either file could not be read
  std::uint64_t firstDifference = 0;  // offset of the first differing (or missing) byte
};

// Compares bytes [0, length) of `a` and `b` from their starts. A file shorter than `length`
// differs at its end.
Comparison compareFiles(files::FileObject& a, files::FileObject& b, std::uint64_t length);

}  // namespace norvik::operations
