#include "memory_host.h"

namespace norvik::testing {

using app::kIdOk;

std::string MemoryHost::text(int id) {
  return controls_.text(id);
}

void MemoryHost::setText(int id, const std::string& text) {
  controls_.setText(id, text);
  std::lock_guard lock(mutex_);
  textHistory_[id].push_back(text);
  calls_.push_back("setText " + std::to_string(id) + " " + text);
}

bool MemoryHost::isChecked(int id) {
  return controls_.isChecked(id);
}

void MemoryHost::setChecked(int id, bool checked) {
  controls_.setChecked(id, checked);
  std::lock_guard lock(mutex_);
  calls_.push_back("setChecked " + std::to_string(id) + " " + (checked ? "1" : "0"));
}

void MemoryHost::click(int id) {
  controls_.click(id);
  std::lock_guard lock(mutex_);
  calls_.push_back("click " + std::to_string(id));
}

void MemoryHost::progressSetRange(int id, int low, int high) {
  std::lock_guard lock(mutex_);
  bars_[id].low = low;
  bars_[id].high = high;
  calls_.push_back("range " + std::to_string(id) + " " + std::to_string(low) + " " +
                   std::to_string(high));
}

void MemoryHost::progressSetPos(int id, int pos) {
  std::lock_guard lock(mutex_);
  bars_[id].pos = pos;
  calls_.push_back("pos " + std::to_string(id) + " " + std::to_string(pos));
}

void MemoryHost::progressSetStep(int id, int step) {
  std::lock_guard lock(mutex_);
  bars_[id].step = step;
  calls_.push_back("step " + std::to_string(id) + " " + std::to_string(step));
}

void MemoryHost::progressStepIt(int id) {
  std::lock_guard lock(mutex_);
  Bar& b = bars_[id];
  b.pos = app::progressStepped(b.pos, b.step, b.low, b.high);
  calls_.push_back("stepit " + std::to_string(id));
}

int MemoryHost::messageBox(const MessageBoxRequest& request) {
  if (onMessage) onMessage(request);
  std::lock_guard lock(mutex_);
  messages_.push_back(request);
  calls_.push_back("messageBox " + request.text);
  if (messageAnswers_.empty()) return kIdOk;
  int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

std::optional<std::string> MemoryHost::fileDialog(const FileDialogRequest& request) {
  std::lock_guard lock(mutex_);
  fileDialogs_.push_back(request);
  calls_.push_back(std::string("fileDialog ") + (request.save ? "save" : "open"));
  if (fileAnswers_.empty()) return std::nullopt;
  auto answer = fileAnswers_.front();
  fileAnswers_.pop_front();
  return answer;
}

void MemoryHost::queueMessageAnswer(int answer) {
  std::lock_guard lock(mutex_);
  messageAnswers_.push_back(answer);
}

void MemoryHost::queueFileAnswer(std::optional<std::string> path) {
  std::lock_guard lock(mutex_);
  fileAnswers_.push_back(std::move(path));
}

std::vector<std::string> MemoryHost::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<MessageBoxRequest> MemoryHost::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<FileDialogRequest> MemoryHost::fileDialogs() const {
  std::lock_guard lock(mutex_);
  return fileDialogs_;
}

std::vector<std::string> MemoryHost::textHistory(int id) const {
  std::lock_guard lock(mutex_);
  auto it = textHistory_.find(id);
  return it == textHistory_.end() ? std::vector<std::string>{} : it->second;
}

MemoryHost::Bar MemoryHost::bar(int id) const {
  std::lock_guard lock(mutex_);
  auto it = bars_.find(id);
  return it == bars_.end() ? Bar{} : it->second;
}

void MemoryHost::clearRecord() {
  std::lock_guard lock(mutex_);
  calls_.clear();
  messages_.clear();
  fileDialogs_.clear();
  textHistory_.clear();
}

}  // namespace norvik::testing
