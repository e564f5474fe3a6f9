// What stands behind the programmer's two blocking library calls: the built-in simulated
// programmer by default, real hardware later. The signatures are those of the device library.
#pragma once

namespace norvik::link {

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;
  // Sends `length` bytes on `endpoint`; returns the number of bytes the programmer took.
  virtual int writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs) = 0;
  // Receives up to `length` bytes into the start of `buffer`; returns how many arrived. Bytes
  // past that count are left as they were.
  virtual int readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) = 0;
};

}  // namespace norvik::link
