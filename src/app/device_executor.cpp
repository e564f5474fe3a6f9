#include "app/device_executor.h"

namespace norvik::app {

DeviceExecutor::DeviceExecutor(std::function<void()> onIdle)
    : onIdle_(std::move(onIdle)), thread_([this](std::stop_token st) { run(st); }) {}

DeviceExecutor::~DeviceExecutor() {
  {
    std::lock_guard lock(mutex_);
    jobStop_.request_stop();
    queue_.clear();
  }
  thread_.request_stop();
  wake_.notify_all();
  thread_.join();
}

void DeviceExecutor::post(Job job) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
  }
  wake_.notify_all();
}

bool DeviceExecutor::busy() const {
  std::lock_guard lock(mutex_);
  return running_ || !queue_.empty();
}

void DeviceExecutor::requestStop() {
  std::lock_guard lock(mutex_);
  jobStop_.request_stop();
}

void DeviceExecutor::run(std::stop_token threadStop) {
  for (;;) {
    Job job;
    std::stop_token token;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, threadStop, [this] { return !queue_.empty(); });
      if (queue_.empty()) return;  // stop requested with nothing left
      job = std::move(queue_.front());
      queue_.pop_front();
      running_ = true;
      token = jobStop_.get_token();
    }
    job(token);
    bool idle;
    {
      std::lock_guard lock(mutex_);
      running_ = false;
      idle = queue_.empty();
    }
    if (idle && onIdle_) onIdle_();
  }
}

}  // namespace norvik::app
