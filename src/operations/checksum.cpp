#include "operations/checksum.h"

#include <gcrypt.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace norvik::operations {

namespace {

// libgcrypt wants to be told once per process that nobody needs its secure memory (a hash of
// public data keeps no secret), before its first use.
void initialiseGcrypt() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) != 0) return;  // someone else did
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

}  // namespace

struct Checksum::Hash {
  gcry_md_hd_t handle = nullptr;
  Hash() {
    initialiseGcrypt();
    if (gcry_md_open(&handle, GCRY_MD_SHA256, 0) != 0) {
      throw std::runtime_error("libgcrypt: SHA-256 is not available");
    }
  }
  ~Hash() { gcry_md_close(handle); }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
};

std::string Digest::crc32Text() const {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(crc32));
  return text;
}

Checksum::Checksum()
    : sha_(std::make_unique<Hash>()), crc_(static_cast<std::uint32_t>(::crc32(0L, Z_NULL, 0))) {}

Checksum::~Checksum() = default;

void Checksum::update(const void* data, std::size_t size) {
  gcry_md_write(sha_->handle, data, size);
  // zlib takes at most a uInt at a time.
  const auto* p = static_cast<const Bytef*>(data);
  for (std::size_t done = 0; done < size;) {
    const auto part =
        static_cast<uInt>(std::min<std::size_t>(size - done, std::numeric_limits<uInt>::max()));
    crc_ = static_cast<std::uint32_t>(::crc32(crc_, p + done, part));
    done += part;
  }
  bytes_ += size;
}

Digest Checksum::digest() const {
  Digest d;
  d.bytes = bytes_;
  d.crc32 = crc_;
  // A copy is finalised, so that the running hash can still be fed.
  gcry_md_hd_t copy = nullptr;
  if (gcry_md_copy(&copy, sha_->handle) != 0) return d;
  const unsigned char* sum = gcry_md_read(copy, GCRY_MD_SHA256);
  static constexpr char kHex[] = "0123456789abcdef";
  const unsigned length = gcry_md_get_algo_dlen(GCRY_MD_SHA256);
  d.sha256.reserve(length * 2);
  for (unsigned i = 0; sum != nullptr && i < length; ++i) {
    d.sha256 += kHex[sum[i] >> 4];
    d.sha256 += kHex[sum[i] & 0x0F];
  }
  gcry_md_close(copy);
  return d;
}

void Checksum::reset() {
  gcry_md_reset(sha_->handle);
  crc_ = static_cast<std::uint32_t>(::crc32(0L, Z_NULL, 0));
  bytes_ = 0;
}

}  // namespace norvik::operations
