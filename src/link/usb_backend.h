// What stands behind the programmer's two blocking library calls: the built-in simulated
// programmer or the vendor's device library. The signatures are those of the device library.
#pragma once

#include <string>

namespace norvik::link {

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;
  // Sends `length` bytes on `endpoint`; returns the number of bytes the programmer took.
  virtual int writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs) = 0;
  // Receives up to `length` bytes into the start of `buffer`; returns how many arrived. Bytes
  // past that count are left as they were.
  virtual int readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) = 0;
  // Why the backend has stopped reaching the programmer for good (a library call that never
  // returned, say), for the operator; empty while it works.
  virtual std::string fault() const { return {}; }
  // Whether that fault is a crash inside the backend's own code (the vendor's library), rather
  // than a call that never returned.
  virtual bool crashed() const { return false; }
};

}  // namespace norvik::link
