// The command-line front end's DialogHost: controls live in memory, message boxes go to standard
// error, file dialogs are answered with the paths given on the command line, and the percentage
// labels drive a progress bar on the terminal.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/control_store.h"
#include "app/dialog_host.h"

namespace norvik::cli {

class ConsoleHost final : public app::DialogHost {
 public:
  explicit ConsoleHost(bool showProgress) : showProgress_(showProgress) {}
  ~ConsoleHost() override { endProgressLine(); }
  ConsoleHost(const ConsoleHost&) = delete;
  ConsoleHost& operator=(const ConsoleHost&) = delete;

  std::string text(int id) override { return controls_.text(id); }
  void setText(int id, const std::string& text) override;
  bool isChecked(int id) override { return controls_.isChecked(id); }
  void setChecked(int id, bool checked) override { controls_.setChecked(id, checked); }
  // The operator's choice on the command line, made as a click on the radio or check box.
  void click(int id) { controls_.click(id); }
  void progressSetRange(int, int, int) override {}
  void progressSetPos(int, int) override {}
  void progressSetStep(int, int) override {}
  void progressStepIt(int) override {}
  int messageBox(const app::MessageBoxRequest& request) override;
  std::optional<std::string> fileDialog(const app::FileDialogRequest& request) override;

  // How a question with OK and Cancel is answered: yes at once, asked on the terminal (stdin),
  // or no.
  enum class Confirmation { No, Ask, Yes };
  void setConfirmation(Confirmation c) { confirmation_ = c; }

  // The answer the next file dialog gets.
  void answerFileDialog(std::optional<std::string> path) { nextFile_ = std::move(path); }
  const std::vector<std::string>& messages() const { return messages_; }
  // Ends a progress line that is still open, so that what is printed next starts on a line of
  // its own.
  void endProgressLine();

 private:
  bool showProgress_;
  bool progressLineOpen_ = false;
  Confirmation confirmation_ = Confirmation::No;
  app::ControlStore controls_;
  std::optional<std::string> nextFile_;
  std::vector<std::string> messages_;
};

}  // namespace norvik::cli
