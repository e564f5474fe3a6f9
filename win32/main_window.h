// The main dialog on Windows: template 102 as a dialog the dialog manager creates from an
// in-memory template. It turns window messages into the host controller's events (a click, the
// OK and cancel commands, F1, the system menu's About entry, the first show) and carries out what
// the controller asks of a window; every decision is the controller's. Calls from the device
// thread reach the window by SendMessage, so they run on the window's thread while their caller
// waits, as the dialog's own modal loops keep answering them.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/dialog_host.h"
#include "app/dialog_window.h"
#include "app/host_controller.h"
#include "app/posted_calls.h"
#include "common_dialogs.h"

namespace norvik::win32 {

class MainWindow final : public app::DialogWindow, public app::DialogHost {
 public:
  // `backendName` goes into the caption ("模拟编程器", "qxUSBDev.dll").
  MainWindow(HINSTANCE instance, const std::string& backendName);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  app::HostController& controller() { return *controller_; }
  // The host the handlers talk to (through the controller's rules).
  app::DialogHost& host() { return controller_->host(); }

  // Runs the dialog modally until it ends; false when it could not be created (no desktop).
  bool runModal();
  // The dialog's window while it exists (for tests that drive it with messages).
  HWND window() const { return window_.load(); }
  // Called on the window's thread once the dialog exists, before start-up (tests).
  std::function<void(HWND)> onCreated;

  // DialogHost: the controls of the window.
  std::string text(int id) override;
  void setText(int id, const std::string& text) override;
  bool isChecked(int id) override;
  void setChecked(int id, bool checked) override;
  void progressSetRange(int id, int low, int high) override;
  void progressSetPos(int id, int pos) override;
  void progressSetStep(int id, int step) override;
  void progressStepIt(int id) override;
  int messageBox(const app::MessageBoxRequest& request) override;
  std::optional<std::string> fileDialog(const app::FileDialogRequest& request) override;

  // DialogWindow
  void setControlEnabled(int id, bool enabled) override;
  void setControlVisible(int id, bool visible) override;
  int focusedControl() override;
  void focusControl(int id) override;
  void showAbout() override;
  void endDialog(app::DialogEnd how) override;
  void dismissOpenModal() override { closeOpenModal(open_); }
  void postToWindow(std::function<void()> call) override;
  void runOnWindow(const std::function<void()>& call) override;
  void pumpUntil(const std::function<bool()>& done) override;

 private:
  static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void initDialog(HWND window);
  HWND control(int id) const { return GetDlgItem(window_.load(), id); }

  HINSTANCE instance_;
  std::wstring caption_;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::atomic<HWND> window_{nullptr};
  DWORD windowThread_ = 0;
  OpenModal open_;

  app::PostedCalls posted_;

  // Last member: destroyed first, so that no job outlives the window it talks to.
  std::unique_ptr<app::HostController> controller_;
};

}  // namespace norvik::win32
