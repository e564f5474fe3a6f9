// One device thread that runs the handlers' device work one job at a time, so two exchanges
// with the programmer never interleave. The user-interface thread only posts jobs and draws.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace norvik::app {

class DeviceExecutor {
 public:
  using Job = std::function<void(std::stop_token)>;
  // `onIdle` runs on the device thread each time the queue runs empty after a job.
  explicit DeviceExecutor(std::function<void()> onIdle = {});
  ~DeviceExecutor();  // requests a stop, finishes the running job, drops queued ones
  DeviceExecutor(const DeviceExecutor&) = delete;
  DeviceExecutor& operator=(const DeviceExecutor&) = delete;

  void post(Job job);
  bool busy() const;
  // Asks the running job to stop at its next check; queued jobs still run, with the stop
  // already requested on their token, so that they end at once.
  void requestStop();

 private:
  void run(std::stop_token threadStop);

  std::function<void()> onIdle_;
  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<Job> queue_;
  bool running_ = false;
  std::stop_source jobStop_;
  std::jthread thread_;
};

}  // namespace norvik::app
