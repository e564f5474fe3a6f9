#include "link/device_link.h"

#include <algorithm>
#include <cinttypes>

#include "link/command_packet.h"
#include "platform/append_file.h"

namespace norvik::link {

DeviceLink::DeviceLink(UsbBackend& backend, Clock& clock)
    : backend_(backend), clock_(clock), startMs_(clock.monotonicMs()) {}

DeviceLink::~DeviceLink() {
  if (trace_) std::fclose(trace_);
}

bool DeviceLink::openTrace(const std::string& path) {
  std::lock_guard lock(traceMutex_);
  if (trace_) std::fclose(trace_);
  trace_ = openForAppending(path);
  return trace_ != nullptr;
}

void DeviceLink::traceLine(const std::string& line) {
  std::lock_guard lock(traceMutex_);
  if (!trace_) return;
  std::fputs(line.c_str(), trace_);
  std::fputc('\n', trace_);
  std::fflush(trace_);
}

namespace {
std::string stamp(double ms) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.3f", ms);
  return buf;
}
}  // namespace

void DeviceLink::traceTransfer(char direction, int endpoint, int length, int timeoutMs, int result,
                               const unsigned char* bytes, int shown) {
  traceLine(stamp(clock_.monotonicMs() - startMs_) + " " + direction + " " +
            std::to_string(endpoint) + " " + std::to_string(length) + " " +
            std::to_string(timeoutMs) + " " + std::to_string(result) + " " +
            hexBytes(bytes, std::clamp(shown, 0, 16)));
}

int DeviceLink::writeData(int endpoint, const unsigned char* buffer, int length, int timeoutMs) {
  if (dropOnStop_.stop_requested()) return 0;
  int result = backend_.writeData(endpoint, buffer, length, timeoutMs);
  // A write shows what was sent, a read what arrived.
  if (trace_) traceTransfer('W', endpoint, length, timeoutMs, result, buffer, length);
  return result;
}

int DeviceLink::readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  if (dropOnStop_.stop_requested()) return 0;
  int result = backend_.readData(endpoint, buffer, length, timeoutMs);
  if (trace_) traceTransfer('R', endpoint, length, timeoutMs, result, buffer, result);
  return result;
}

void DeviceLink::pause(int ms) {
  if (dropOnStop_.stop_possible()) {
    // In slices, so that a stop ends the pause too.
    constexpr double kSliceMs = 50;
    const double end = clock_.monotonicMs() + ms;
    for (double now = clock_.monotonicMs(); now < end; now = clock_.monotonicMs()) {
      if (dropOnStop_.stop_requested()) return;
      clock_.sleepUntilMs(std::min(end, now + kSliceMs));
    }
  } else {
    clock_.sleepMs(ms);
  }
  mandatedPauseMs_ += ms;
  if (trace_) traceLine(stamp(clock_.monotonicMs() - startMs_) + " P " + std::to_string(ms));
}

void DeviceLink::endPause(const Gap& gap) {
  clock_.sleepUntilMs(gap.startMs + gap.ms);
  mandatedPauseMs_ += gap.ms;
  if (trace_) traceLine(stamp(clock_.monotonicMs() - startMs_) + " P " + std::to_string(gap.ms));
}

}  // namespace norvik::link
