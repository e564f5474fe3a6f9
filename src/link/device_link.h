// The device link: every transfer to and from the programmer, and every protocol pause, passes
// through one DeviceLink. It forwards to the chosen backend, paces through the Clock and writes
// the device trace, so the trace shows what any backend saw.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

#include "link/usb_backend.h"
#include "platform/clock.h"

namespace norvik::link {

class DeviceLink {
 public:
  DeviceLink(UsbBackend& backend, Clock& clock);
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  int writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs);
  int readData(int endpoint, unsigned char* buffer, int length, int timeoutMs);
  // True once the backend has stopped reaching the programmer for good (UsbBackend::fault):
  // loops that wait for an answer end instead of polling a backend that will not answer.
  bool backendLost() const { return !backend_.fault().empty(); }
  // From the moment `stop` is requested, no further call reaches the backend (each transfers
  // nothing and returns 0) and pauses are skipped. For a command with nothing to finish or save
  // (norvik-cli detect), so that a stop ends it after the call in progress.
  void dropCallsOnceStopped(std::stop_token stop) { dropOnStop_ = std::move(stop); }
  // Once `stop` is requested, a probe that repeats an earlier one ends before its next call
  // (ProbeChips), so that the operation it comes before reaches its own stop at once instead of
  // after the probes' calls.
  void endProbesOnceStopped(std::stop_token stop) { endProbesOn_ = std::move(stop); }
  bool probesStopped() const { return endProbesOn_.stop_requested(); }

  // A pause the protocol mandates between transfers.
  void pause(int ms);
  // The same pause in two halves, so that the host's own work (file I/O, progress) happens
  // inside it: the programmer still sees at least `ms` between the transfers around it.
  struct Gap {
    double startMs;
    int ms;
  };
  Gap beginPause(int ms) { return Gap{clock_.monotonicMs(), ms}; }
  void endPause(const Gap& gap);
  // The sum of all mandated pauses so far, in milliseconds.
  double mandatedPauseMs() const { return mandatedPauseMs_; }

  // Appends one line per call and pause to `path` (see the README's "Device trace").
  // Returns false if the file cannot be opened.
  bool openTrace(const std::string& path);
  Clock& clock() { return clock_; }

 private:
  void traceLine(const std::string& line);
  void traceTransfer(char direction, int endpoint, int length, int timeoutMs, int result,
                     const unsigned char* bytes, int shown);

  UsbBackend& backend_;
  Clock& clock_;
  double startMs_;
  std::mutex traceMutex_;
  std::FILE* trace_ = nullptr;
  double mandatedPauseMs_ = 0;
  std::stop_token dropOnStop_;
  std::stop_token endProbesOn_;
};

}  // namespace norvik::link
