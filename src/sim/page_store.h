// The cells of one simulated chip: pages of main + spare bytes kept in a file, so that the
// memory the simulator needs does not grow with the data it is given.
//
// File layout: page i lives at offset i * (pageSize + oobSize), main bytes then spare bytes; the
// file holds no header. A bitmap in memory (one bit per page) marks the pages whose bytes in the
// file may differ from 0xFF; any other page reads as erased without touching the file.
//
// Two kinds of store:
//  - temporary: an unlinked file in $TMPDIR (or /tmp); on Windows a sparse file in the user's
//    temporary folder that the system deletes when it is closed. The bitmap is the whole truth
//    about which pages are erased; erasing only clears bits, and the file may have holes.
//  - persistent (an image path): the file itself is the truth, so it can be read back after a
//    restart or replaced by a plain dump of a chip. Erased bytes are stored as 0xFF, a gap
//    before a newly programmed page is filled with 0xFF, and pages past the end of the file are
//    erased. On opening, every page the file reaches is marked as possibly programmed. The file
//    is locked (flock, exclusive; on Windows opened without sharing) while the store is open, so
//    two simulators cannot share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/native_file.h"

namespace norvik::sim {

class PageStore {
 public:
  PageStore() = default;
  ~PageStore();
  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

  // Opens the store for `pages` pages of `pageBytes` each: the file at `imagePath`, created when
  // missing, or a temporary file when the path is empty. False (and `error`) when it cannot.
  bool open(const std::string& imagePath, int pageBytes, std::uint32_t pages, std::string* error);
  bool isOpen() const { return file_ != kNoFile; }

  int pageBytes() const { return pageBytes_; }
  std::uint32_t pages() const { return pages_; }

  // Copies `count` consecutive pages from `firstPage` into `out` (count * pageBytes bytes).
  bool readPages(std::uint32_t firstPage, std::uint32_t count, std::uint8_t* out) const;
  // Stores `count` consecutive pages from `data`, replacing what they held.
  bool writePages(std::uint32_t firstPage, std::uint32_t count, const std::uint8_t* data);
  // Returns `count` pages from `firstPage` to the erased state.
  bool erasePages(std::uint32_t firstPage, std::uint32_t count);

  bool mayHoldData(std::uint32_t page) const { return (bitmap_[page >> 3] >> (page & 7)) & 1U; }

 private:
  void mark(std::uint32_t page, bool on);
  bool fillErased(std::uint64_t from, std::uint64_t to);
  // The persistent store's image, held by this store alone, with fileSize_ set; the temporary
  // store's new file.
  bool openImage(const std::string& imagePath, std::string* error);
  bool openTemporary(std::string* error);
  // Positional reads, where `got` receives the bytes there were before the end of the file, and
  // writes.
  bool readAt(std::uint8_t* out, std::size_t size, std::uint64_t offset, std::size_t* got) const;
  bool writeAt(const std::uint8_t* data, std::size_t size, std::uint64_t offset);
  void close();

  NativeFile file_ = kNoFile;
  bool persistent_ = false;
  int pageBytes_ = 0;
  std::uint32_t pages_ = 0;
  std::uint64_t fileSize_ = 0;
  std::vector<std::uint8_t> bitmap_;
};

}  // namespace norvik::sim
