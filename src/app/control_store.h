// The controls of the main dialog held in memory: texts and check states by control ID. The
// in-memory hosts (the command line's and the tests') keep their controls here, so that they
// treat radios exactly as the Qt dialog does: setting one radio's state changes that radio only,
// and only a click clears the other radios of its group.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace norvik::app {

class ControlStore {
 public:
  // Starts with the captions of the main dialog template.
  ControlStore();

  std::string text(int id) const;
  void setText(int id, const std::string& text);
  bool isChecked(int id) const;
  // As a check-state message does: the other radios of the group keep their state.
  void setChecked(int id, bool checked);
  // What a user's click does to the state: a radio becomes the checked one of its group, a check
  // box toggles, anything else is left alone.
  void click(int id);

 private:
  mutable std::mutex mutex_;
  std::map<int, std::string> texts_;
  std::map<int, bool> checks_;
};

}  // namespace norvik::app
