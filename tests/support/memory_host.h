// A DialogHost that keeps every control in memory, records every call, and answers message
// boxes and file dialogs from a script. Tests drive CProgrammerDlg through it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/control_store.h"
#include "app/dialog_host.h"

namespace norvik::testing {

using app::DialogHost;
using app::FileDialogRequest;
using app::MessageBoxRequest;

class MemoryHost final : public DialogHost {
 public:
  struct Bar {
    int low = 0, high = 100, pos = 0, step = 10;
  };

  // Controls start with the captions of the main dialog template.
  std::string text(int id) override;
  void setText(int id, const std::string& text) override;
  bool isChecked(int id) override;
  void setChecked(int id, bool checked) override;
  // A user's click on a radio or check box (the state change only; no handler runs).
  void click(int id);
  void progressSetRange(int id, int low, int high) override;
  void progressSetPos(int id, int pos) override;
  void progressSetStep(int id, int step) override;
  void progressStepIt(int id) override;
  int messageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> fileDialog(const FileDialogRequest& request) override;

  // Script: answers for the next message boxes (default kIdOk) and file dialogs (default:
  // cancelled).
  void queueMessageAnswer(int answer);
  void queueFileAnswer(std::optional<std::string> path);
  // Runs while a message box is open (for checks of what holds at that moment).
  std::function<void(const MessageBoxRequest&)> onMessage;

  // What happened.
  std::vector<std::string> calls() const;  // "setText 1043 2112-64", "messageBox ...", ...
  std::vector<MessageBoxRequest> messages() const;
  std::vector<FileDialogRequest> fileDialogs() const;
  std::vector<std::string> textHistory(int id) const;  // every text set on `id`, in order
  Bar bar(int id) const;
  void clearRecord();

 private:
  mutable std::mutex mutex_;
  app::ControlStore controls_;
  std::map<int, Bar> bars_;
  std::deque<int> messageAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::vector<std::string> calls_;
  std::vector<MessageBoxRequest> messages_;
  std::vector<FileDialogRequest> fileDialogs_;
  std::map<int, std::vector<std::string>> textHistory_;
};

}  // namespace norvik::testing
