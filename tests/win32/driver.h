// Driving the real dialog from a second thread of the same process, as an operator's clicks and
// keys would: window messages to the controls, the boxes and file dialogs answered where they
// open, and the controller's reports (start-up done, idle, ended) waited for.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "main_window.h"

namespace norvik::win32test {

class Driver {
 public:
  explicit Driver(win32::MainWindow& window) : window_(window) {}

  HWND dialog() const { return window_.window(); }
  HWND control(int id) const { return GetDlgItem(dialog(), id); }

  // A click on a button, check box or radio, as the mouse gives it (posted: it may open a box).
  void click(int id);
  // Enter or Esc with the focus on control `id`.
  void key(int id, UINT virtualKey);
  std::string text(int id);
  void setText(int id, const std::string& text);
  bool checked(int id);

  // The controller's reports, counted; each wait takes the next one after `since`.
  int idles();
  bool waitIdleAfter(int since);
  bool waitStartup();
  bool waitEnded();
  // A click, then the idle that follows the job it started.
  bool clickAndWait(int id);

  // A top-level dialog window of the dialog's thread (a message box or file dialog) with this
  // caption, once it shows; nullptr when none shows within the hang bound.
  HWND waitForWindow(const std::string& caption);
  // The message box that shows next (any caption).
  HWND waitForMessageBox();
  // Waits until `window` has gone.
  bool waitGone(HWND window);
  // The text of a message box.
  static std::string boxText(HWND box);
  // Presses the button `id` of a box or file dialog.
  static void press(HWND dialog, int id);
  // Types `path` as the file name of an Open or Save dialog and presses its OK button, until the
  // dialog has gone.
  static void chooseFile(HWND fileDialog, const std::string& path);

  // Polls `done` until it holds, within the hang bound.
  bool waitFor(const std::function<bool()>& done);

  // Called on the window's thread by the controller's observers.
  void noteIdle();
  void noteStartup();
  void noteEnded();

 private:
  win32::MainWindow& window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int idles_ = 0;
  bool started_ = false;
  bool ended_ = false;
};

// Plays a session script (tests/dialog_session.txt) on the dialog: the files it names are in
// `folder`. False, after saying why, at a line it cannot play.
bool playSession(Driver& driver, const std::string& script, const std::string& folder);

// Runs the dialog modally on this thread in working folder `folder` with `backend`, while
// `script` drives it from a second thread. Returns when the dialog has ended and the script has
// returned.
void driveDialog(const std::string& folder, const std::string& backend,
                 const std::function<void(Driver&)>& script);

}  // namespace norvik::win32test
