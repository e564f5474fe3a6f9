#include "devlib/device_library_backend.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "devlib/crash_guard.h"

namespace norvik::devlib {

namespace {

// Room past the length asked for, so that a library that writes a little more than it should
// into a read buffer hits memory of ours that nobody looks at.
constexpr std::size_t kReadSlack = 4096;

struct Call {
  bool isWrite = false;
  int endpoint = 0;
  int length = 0;
  int timeoutMs = 0;
  std::vector<unsigned char> bytes;  // the call's own copy: never the caller's memory
  int result = 0;
  bool done = false;
  std::string crash;  // what went wrong inside the library, if the call crashed there
};

}  // namespace

struct DeviceLibraryBackend::State {
  LibraryFunctions functions;
  std::chrono::milliseconds grace{};
  std::mutex mutex;
  std::condition_variable changed;
  std::shared_ptr<Call> pending;  // handed to the library thread, not yet taken
  bool ending = false;
  std::string fault;     // set once a call is given up; from then on nothing is called
  bool crashed = false;  // the call given up crashed inside the library
  std::thread thread;

  // The library thread: takes one call at a time and makes it.
  static void serve(const std::shared_ptr<State>& self) {
    std::unique_lock lock(self->mutex);
    for (;;) {
      self->changed.wait(lock, [&] { return self->ending || self->pending; });
      if (self->ending) return;
      const std::shared_ptr<Call> call = std::exchange(self->pending, nullptr);
      lock.unlock();
      const auto& function = call->isWrite ? self->functions.write : self->functions.read;
      const int result = guardedCall(
          [&] {
            return function(call->endpoint, call->bytes.data(), call->length, call->timeoutMs);
          },
          [&](const std::string& what) {
            // On this thread, which never comes back from the library: the caller goes on.
            const std::lock_guard crashLock(self->mutex);
            call->crash = what;
            call->done = true;
            self->changed.notify_all();
          });
      lock.lock();
      call->result = result;
      call->done = true;
      self->changed.notify_all();
    }
  }

  // Makes `call` on the library thread; false when it was given up (or nothing may be called).
  bool run(const std::shared_ptr<Call>& call) {
    std::unique_lock lock(mutex);
    if (!fault.empty()) return false;
    pending = call;
    changed.notify_all();
    const auto bound = std::chrono::milliseconds(std::max(call->timeoutMs, 0)) + grace;
    const bool returned = changed.wait_for(lock, bound, [&] { return call->done; });
    const std::string& name = call->isWrite ? functions.writeName : functions.readName;
    if (returned && !call->crash.empty()) {
      crashed = true;
      fault = "the device library crashed in " + name + ": " + call->crash +
              "; it is not called again in this run (unplug the programmer, plug it in again and "
              "restart)";
      return false;
    }
    if (returned) return true;
    if (pending == call) pending = nullptr;  // not even started: the thread is still busy
    fault = name + " did not return within " + std::to_string(call->timeoutMs) + " ms + " +
            std::to_string(grace.count()) +
            " ms; the device library is not called again in this run (unplug the programmer, "
            "plug it in again and restart)";
    return false;
  }
};

DeviceLibraryBackend::DeviceLibraryBackend(LibraryFunctions functions,
                                           std::chrono::milliseconds grace)
    : state_(std::make_shared<State>()) {
  state_->functions = std::move(functions);
  state_->grace = grace;
  state_->thread = std::thread([state = state_] { State::serve(state); });
}

DeviceLibraryBackend::~DeviceLibraryBackend() {
  std::unique_lock lock(state_->mutex);
  state_->ending = true;
  state_->changed.notify_all();
  const bool stuck = !state_->fault.empty();
  lock.unlock();
  // A thread stuck inside the library can't be joined; it holds the state it needs and ends
  // with the process.
  if (stuck) {
    state_->thread.detach();
  } else {
    state_->thread.join();
  }
}

int DeviceLibraryBackend::writeData(int endpoint, const unsigned char* buffer, int length,
                                    int timeoutMs) {
  if (length < 0 || (length > 0 && buffer == nullptr)) return 0;
  auto call = std::make_shared<Call>();
  call->isWrite = true;
  call->endpoint = endpoint;
  call->length = length;
  call->timeoutMs = timeoutMs;
  call->bytes.assign(buffer, buffer + length);
  if (!state_->run(call)) return 0;
  return call->result >= 0 && call->result <= length ? call->result : 0;
}

int DeviceLibraryBackend::readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  if (length < 0 || (length > 0 && buffer == nullptr)) return 0;
  auto call = std::make_shared<Call>();
  call->endpoint = endpoint;
  call->length = length;
  call->timeoutMs = timeoutMs;
  // The library sees the caller's bytes, as if it had the caller's buffer.
  call->bytes.resize(static_cast<std::size_t>(length) + kReadSlack);
  std::copy(buffer, buffer + length, call->bytes.begin());
  if (!state_->run(call)) return 0;
  if (call->result < 0 || call->result > length) return 0;
  std::memcpy(buffer, call->bytes.data(), static_cast<std::size_t>(call->result));
  return call->result;
}

std::string DeviceLibraryBackend::fault() const {
  std::lock_guard lock(state_->mutex);
  return state_->fault;
}

bool DeviceLibraryBackend::crashed() const {
  std::lock_guard lock(state_->mutex);
  return state_->crashed;
}

}  // namespace norvik::devlib
