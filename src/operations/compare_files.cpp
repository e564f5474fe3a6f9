#include "operations/compare_files.h"

#include <algorithm>
#include <vector>

namespace norvik::operations {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}  // namespace

Comparison compareFiles(files::FileObject& a, files::FileObject& b, std::uint64_t length) {
  Comparison c;
  if (!a.seek(0) || !b.seek(0)) {
    c.readFailed = true;
    return c;
  }
  std::vector<unsigned char> x(kChunk);
  std::vector<unsigned char> y(kChunk);
  std::uint64_t offset = 0;
  while (offset < length) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, length - offset));
    const std::optional<std::size_t> na = a.readChecked(x.data(), want);
    const std::optional<std::size_t> nb = b.readChecked(y.data(), want);
    if (!na || !nb) {
      c.readFailed = true;
      c.firstDifference = offset;
      return c;
    }
    const std::size_t common = std::min(*na, *nb);
    const auto mismatch =
        std::mismatch(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(common), y.begin());
    const auto same = static_cast<std::size_t>(mismatch.first - x.begin());
    if (same < want) {
      c.firstDifference = offset + same;
      return c;
    }
    offset += want;
  }
  c.equal = true;
  c.firstDifference = length;
  return c;
}

}  // namespace norvik::operations
