// The system's part of the page store (page_store_posix.cpp, page_store_windows.cpp): the calls
// that open the image or a temporary file, read and write at an offset, and close. Where the
// temporary file goes, what a failure says and when a read or write is done are
// page_store.cpp's. For the page store's own sources only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/native_file.h"

namespace norvik::sim::page_store_os {

// The image, opened for reading and writing (created when missing) and held by this store
// alone, with its size; or the step that failed, with errno.
struct Image {
  enum class Failed { Nothing, Open, Lock, Inspect };
  NativeFile file = kNoFile;
  std::uint64_t size = 0;
  Failed failed = Failed::Nothing;
  int error = 0;  // EWOULDBLOCK when the lock failed because another holder has the image
};
Image openImage(const std::string& path);

// A new file in `folder` (temporaryFolder(), ending in a separator) that is gone once closed;
// or the step that failed, with errno and the name that step worked on.
struct Scratch {
  enum class Failed { Nothing, Create, Open };
  NativeFile file = kNoFile;
  Failed failed = Failed::Nothing;
  int error = 0;
  std::string named;  // Create: the folder, or the pattern the name was made from; Open: the file
};
Scratch openScratch(const std::string& folder);

// Up to `size` bytes at `offset` in one call: how many moved (0 at the end of the file), or
// nullopt on an error.
std::optional<std::size_t> readSomeAt(NativeFile file, std::uint8_t* out, std::size_t size,
                                      std::uint64_t offset);
std::optional<std::size_t> writeSomeAt(NativeFile file, const std::uint8_t* data, std::size_t size,
                                       std::uint64_t offset);
void close(NativeFile file);

}  // namespace norvik::sim::page_store_os
