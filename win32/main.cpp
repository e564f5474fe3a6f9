// norvik.exe: the programmer's dialog on Windows. Runs the main dialog until it ends, on the
// backend the session picks: the vendor's qxUSBDev.dll by default, the simulated programmer with
// --backend sim (the caption says which).
#include <windows.h>
// After windows.h, which they need:
#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/front_end.h"
#include "app/message_map.h"
#include "app/messages.h"
#include "main_window.h"
#include "wide_text.h"

namespace {

constexpr int kStartFailedExit = 2;
constexpr int kUnexpectedFailureExit = 70;

std::vector<std::string> arguments() {
  std::vector<std::string> args;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) args.push_back(norvik::win32::toUtf8(wide[i]));
    LocalFree(wide);
  }
  return args;
}

void showFailure(const std::string& text) {
  MessageBoxW(nullptr, norvik::win32::toWide(text).c_str(),
              norvik::win32::toWide(norvik::app::kAppName).c_str(), MB_OK | MB_ICONERROR);
}

int run(HINSTANCE instance) {
  const std::vector<std::string> args = arguments();
  norvik::app::SessionOptions options;
  options.deviceLibrary = norvik::app::deviceLibraryFromArgs(args);
  norvik::app::StartFailure failure;
  std::unique_ptr<norvik::app::Session> session = norvik::app::openFrontEndSession(
      norvik::app::backendChoiceFromArgs(args), std::move(options), &failure);
  if (!session) {
    showFailure(failure.text);
    return kStartFailedExit;
  }
  if (const std::string warning = norvik::app::traceWarning(*session); !warning.empty()) {
    showFailure(warning);
  }
  norvik::win32::MainWindow window(instance, session->backendName());
  norvik::app::bindProgrammer(window.controller(), session->attach(window.host()));
  if (!window.runModal()) {
    showFailure("the dialog could not be created (Windows error " + std::to_string(GetLastError()) +
                ")");
    return kStartFailedExit;
  }
  // The dialog ends only once its device thread is idle; nothing of the handlers runs after this.
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  norvik::app::restrictLibrarySearch();
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // Nothing the program does is meant to throw; whatever still does is reported, never an abort.
  std::string what;
  try {
    return run(instance);
  } catch (const std::exception& error) {
    what = error.what();
  } catch (...) {
    what = "(not a standard exception)";
  }
  showFailure(norvik::app::kMsgFatalFailure + what);
  return kUnexpectedFailureExit;
}
