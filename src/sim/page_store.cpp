#include "sim/page_store.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/errno_text.h"
#include "platform/temp_file.h"
#include "sim/page_store_os.h"

namespace norvik::sim {

namespace os = page_store_os;

namespace {

constexpr std::uint8_t kErased = 0xFF;

std::string imageFailure(const std::string& path, const os::Image& image) {
  switch (image.failed) {
    case os::Image::Failed::Lock:
      if (image.error == EWOULDBLOCK) {
        return "image " + path + " is in use by another simulated programmer";
      }
      return "cannot lock image " + path + ": " + errnoText(image.error);
    case os::Image::Failed::Inspect:
      return "cannot inspect image " + path + ": " + errnoText(image.error);
    case os::Image::Failed::Open:
    case os::Image::Failed::Nothing:
      break;
  }
  return "cannot open image " + path + ": " + errnoText(image.error);
}

std::string scratchFailure(const os::Scratch& scratch) {
  if (scratch.failed == os::Scratch::Failed::Open) {
    return "cannot open a temporary file " + scratch.named + ": " + errnoText(scratch.error);
  }
  return "cannot create a temporary file in " + scratch.named + ": " + errnoText(scratch.error);
}

}  // namespace

PageStore::~PageStore() {
  close();
}

bool PageStore::open(const std::string& imagePath, int pageBytes, std::uint32_t pages,
                     std::string* error) {
  close();
  pageBytes_ = pageBytes;
  pages_ = pages;
  bitmap_.assign((static_cast<std::size_t>(pages) + 7) / 8, 0);
  persistent_ = !imagePath.empty();
  fileSize_ = 0;
  if (!persistent_) return openTemporary(error);
  if (!openImage(imagePath, error)) return false;
  // The file is the truth: every page it reaches, even in part, may hold data.
  const std::uint64_t reached = (fileSize_ + static_cast<std::uint64_t>(pageBytes) - 1) /
                                static_cast<std::uint64_t>(pageBytes);
  const auto marked = static_cast<std::uint32_t>(std::min<std::uint64_t>(reached, pages));
  for (std::uint32_t p = 0; p < marked; ++p) mark(p, true);
  return true;
}

bool PageStore::openImage(const std::string& imagePath, std::string* error) {
  // One simulator per image: a second one writing the same file would corrupt both chips' views.
  // The image stays this store's alone until it is closed.
  const os::Image image = os::openImage(imagePath);
  if (image.file == kNoFile) {
    if (error) *error = imageFailure(imagePath, image);
    return false;
  }
  file_ = image.file;
  fileSize_ = image.size;
  return true;
}

bool PageStore::openTemporary(std::string* error) {
  std::string why;
  const std::optional<std::string> folder = temporaryFolder(&why);
  if (!folder) {
    if (error) *error = "cannot find the temporary folder: " + why;
    return false;
  }
  const os::Scratch scratch = os::openScratch(*folder);
  if (scratch.file == kNoFile) {
    if (error) *error = scratchFailure(scratch);
    return false;
  }
  file_ = scratch.file;
  return true;
}

void PageStore::close() {
  if (isOpen()) os::close(file_);
  file_ = kNoFile;
}

bool PageStore::readAt(std::uint8_t* out, std::size_t size, std::uint64_t offset,
                       std::size_t* got) const {
  std::size_t done = 0;
  while (done < size) {
    const std::optional<std::size_t> n =
        os::readSomeAt(file_, out + done, size - done, offset + done);
    if (!n) return false;
    if (*n == 0) break;  // the end of the file
    done += *n;
  }
  *got = done;
  return true;
}

bool PageStore::writeAt(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const std::optional<std::size_t> n =
        os::writeSomeAt(file_, data + done, size - done, offset + done);
    if (!n || *n == 0) return false;  // an error, or a disk that takes no more
    done += *n;
  }
  return true;
}

void PageStore::mark(std::uint32_t page, bool on) {
  const auto bit = static_cast<std::uint8_t>(1U << (page & 7));
  std::uint8_t& byte = bitmap_[page >> 3];
  byte = static_cast<std::uint8_t>(on ? byte | bit : byte & ~bit);
}

bool PageStore::readPages(std::uint32_t firstPage, std::uint32_t count, std::uint8_t* out) const {
  const auto pb = static_cast<std::size_t>(pageBytes_);
  std::uint32_t i = 0;
  while (i < count) {
    const std::uint32_t page = firstPage + i;
    std::uint8_t* dst = out + static_cast<std::size_t>(i) * pb;
    if (!mayHoldData(page)) {
      std::memset(dst, kErased, pb);
      ++i;
      continue;
    }
    // One read for the run of consecutive pages that may hold data.
    std::uint32_t run = 1;
    while (i + run < count && mayHoldData(page + run)) ++run;
    const std::size_t size = static_cast<std::size_t>(run) * pb;
    std::size_t got = 0;
    if (!readAt(dst, size, static_cast<std::uint64_t>(page) * pb, &got)) return false;
    std::memset(dst + got, kErased, size - got);  // past the end of the file: erased
    i += run;
  }
  return true;
}

bool PageStore::fillErased(std::uint64_t from, std::uint64_t to) {
  static constexpr std::size_t kChunk = 64 * 1024;
  std::vector<std::uint8_t> ones(
      static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, to - from)), kErased);
  while (from < to) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(ones.size(), to - from));
    if (!writeAt(ones.data(), n, from)) return false;
    from += n;
  }
  return true;
}

bool PageStore::writePages(std::uint32_t firstPage, std::uint32_t count, const std::uint8_t* data) {
  const auto pb = static_cast<std::uint64_t>(pageBytes_);
  const std::uint64_t offset = firstPage * pb;
  const std::uint64_t end = offset + count * pb;
  // A persistent image must not get a hole: a hole reads back as zeros, not as erased cells.
  if (persistent_ && offset > fileSize_ && !fillErased(fileSize_, offset)) return false;
  if (!writeAt(data, static_cast<std::size_t>(count * pb), offset)) return false;
  fileSize_ = std::max(fileSize_, end);
  for (std::uint32_t i = 0; i < count; ++i) mark(firstPage + i, true);
  return true;
}

bool PageStore::erasePages(std::uint32_t firstPage, std::uint32_t count) {
  bool any = false;
  for (std::uint32_t i = 0; i < count && !any; ++i) any = mayHoldData(firstPage + i);
  if (!any) return true;
  if (persistent_) {
    const auto pb = static_cast<std::uint64_t>(pageBytes_);
    const std::uint64_t from = firstPage * pb;
    const std::uint64_t to = std::min<std::uint64_t>((firstPage + count) * pb, fileSize_);
    if (from < to && !fillErased(from, to)) return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) mark(firstPage + i, false);
  return true;
}

}  // namespace norvik::sim
