#include "console_host.h"

#include <cstdio>

#include "app/dialog_template.h"

namespace norvik::cli {

namespace {
bool isPercentLabel(int id) {
  return id == app::ids::kProgramPercent || id == app::ids::kReadPercent ||
         id == app::ids::kCopyPercent || id == app::ids::kErasePercent;
}
}  // namespace

void ConsoleHost::setText(int id, const std::string& text) {
  controls_.setText(id, text);
  if (!showProgress_ || !isPercentLabel(id)) return;
  int percent = 0;
  if (std::sscanf(text.c_str(), "%d", &percent) == 1) {
    const int filled = percent * 40 / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(40 - filled), '.').c_str(), percent);
    progressLineOpen_ = true;
  } else {
    std::fprintf(stderr, "\r[%s] %s\n", std::string(40, '#').c_str(), text.c_str());
    progressLineOpen_ = false;
  }
  std::fflush(stderr);
}

void ConsoleHost::endProgressLine() {
  if (!progressLineOpen_) return;
  progressLineOpen_ = false;
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

int ConsoleHost::messageBox(const app::MessageBoxRequest& request) {
  endProgressLine();
  messages_.push_back(request.text);
  if (request.buttons != app::MessageButtons::OkCancel) {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return app::kIdOk;
  }
  switch (confirmation_) {
    case Confirmation::Yes:
      std::fprintf(stderr, "%s: yes\n", request.text.c_str());
      return app::kIdOk;
    case Confirmation::No:
      std::fprintf(stderr, "%s: no\n", request.text.c_str());
      return app::kIdCancel;
    case Confirmation::Ask:
      break;
  }
  std::fprintf(stderr, "%s [y/N] ", request.text.c_str());
  std::fflush(stderr);
  char answer[16] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) return app::kIdCancel;
  return answer[0] == 'y' || answer[0] == 'Y' ? app::kIdOk : app::kIdCancel;
}

std::optional<std::string> ConsoleHost::fileDialog(const app::FileDialogRequest&) {
  auto answer = nextFile_;
  nextFile_.reset();
  return answer;
}

}  // namespace norvik::cli
