// The backend for a real programmer: the vendor's two library calls, forwarded unchanged
// (endpoint, bytes, length, time-out), with three guarantees the library itself does not give.
//
// - One thread: every call is made on the backend's own library thread, one at a time, whatever
//   thread asks. The library is never entered from two threads at once.
// - A bounded wait: the caller waits for a call at most its time-out plus a grace period (2 s
//   by default). A call still inside the library then cannot be interrupted; it is given up: the
//   transfer counts as failed (0 bytes), the library is not called again (every later transfer
//   fails at once, as without a programmer), and fault() says what happened. So an operation,
//   its stop and the program's end all come within that bound, and the log is still saved. The
//   abandoned call keeps buffers of its own, so returning late cannot write into freed memory.
// - A crash survived: an exception the library raises and does not handle itself (an access
//   violation in its code) is caught on the library thread (crash_guard.h). The call is given
//   up as above, and fault() says that the library crashed, in which function, and how.
// - Sane counts: a result below 0 or above the length asked for is a failed transfer (0), never
//   a count of bytes to copy. A read copies only the bytes the library says arrived, into the
//   start of the caller's buffer, and leaves the rest as it was.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "devlib/entry_points.h"
#include "link/usb_backend.h"

namespace norvik::devlib {

// The two calls as the backend makes them; the loader binds them to the library's exports.
struct LibraryFunctions {
  std::function<int(int endpoint, unsigned char* buffer, int length, int timeoutMs)> write;
  std::function<int(int endpoint, unsigned char* buffer, int length, int timeoutMs)> read;
  std::string writeName = kWriteFunction;  // for fault()
  std::string readName = kReadFunction;
};

class DeviceLibraryBackend final : public link::UsbBackend {
 public:
  static constexpr std::chrono::milliseconds kDefaultGrace{2000};

  explicit DeviceLibraryBackend(LibraryFunctions functions,
                                std::chrono::milliseconds grace = kDefaultGrace);
  ~DeviceLibraryBackend() override;
  DeviceLibraryBackend(const DeviceLibraryBackend&) = delete;
  DeviceLibraryBackend& operator=(const DeviceLibraryBackend&) = delete;

  int writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs) override;
  int readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) override;
  std::string fault() const override;
  bool crashed() const override;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace norvik::devlib
