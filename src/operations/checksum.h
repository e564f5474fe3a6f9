// The checksums of what an operation moves: CRC-32 (zlib's) and SHA-256 (libgcrypt's), fed unit
// by unit while the data streams, so that no second pass over an image or output is needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace norvik::operations {

struct Digest {
  std::uint64_t bytes = 0;
  std::uint32_t crc32 = 0;
  std::string sha256;  // 64 lower-case hexadecimal digits, as sha256sum prints it

  // "1A2B3C4D": eight upper-case hexadecimal digits.
  std::string crc32Text() const;
};

class Checksum {
 public:
  Checksum();
  ~Checksum();
  Checksum(const Checksum&) = delete;
  Checksum& operator=(const Checksum&) = delete;

  void update(const void* data, std::size_t size);
  // The digest of everything fed since construction or the last reset.
  Digest digest() const;
  void reset();
  std::uint64_t bytes() const { return bytes_; }

 private:
  struct Hash;
  std::unique_ptr<Hash> sha_;
  std::uint32_t crc_ = 0;
  std::uint64_t bytes_ = 0;
};

}  // namespace norvik::operations
