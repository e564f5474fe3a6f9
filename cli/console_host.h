// The command-line front end's DialogHost: controls live in memory, message boxes go to standard
// error, file dialogs are answered with the paths given on the command line, and the percentage
// labels drive a progress bar on the terminal.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_host.h"

namespace norvik::cli {

class ConsoleHost final : public app::DialogHost {
 public:
  explicit ConsoleHost(bool showProgress) : showProgress_(showProgress) {}

  std::string text(int id) override { return texts_[id]; }
  void setText(int id, const std::string& text) override;
  bool isChecked(int id) override { return checks_[id]; }
  void setChecked(int id, bool checked) override;
  void progressSetRange(int, int, int) override {}
  void progressSetPos(int, int) override {}
  void progressSetStep(int, int) override {}
  void progressStepIt(int) override {}
  int messageBox(const app::MessageBoxRequest& request) override;
  std::optional<std::string> fileDialog(const app::FileDialogRequest& request) override;

  // The answer the next file dialog gets.
  void answerFileDialog(std::optional<std::string> path) { nextFile_ = std::move(path); }
  const std::vector<std::string>& messages() const { return messages_; }
  void setQuiet(bool quiet) { quiet_ = quiet; }

 private:
  bool showProgress_;
  bool quiet_ = false;
  std::map<int, std::string> texts_;
  std::map<int, bool> checks_;
  std::optional<std::string> nextFile_;
  std::vector<std::string> messages_;
};

}  // namespace norvik::cli
