#include "console_host.h"

#include <cstdio>

#include "app/dialog_template.h"

namespace norvik::cli {

namespace {
bool isPercentLabel(int id) {
  return id == app::ids::kProgramPercent || id == app::ids::kReadPercent;
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
  } else {
    std::fprintf(stderr, "\r[%s] %s\n", std::string(40, '#').c_str(), text.c_str());
  }
  std::fflush(stderr);
}

int ConsoleHost::messageBox(const app::MessageBoxRequest& request) {
  messages_.push_back(request.text);
  std::fprintf(stderr, "%s\n", request.text.c_str());
  return app::kIdOk;
}

std::optional<std::string> ConsoleHost::fileDialog(const app::FileDialogRequest&) {
  auto answer = nextFile_;
  nextFile_.reset();
  return answer;
}

}  // namespace norvik::cli
