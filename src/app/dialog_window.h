// What a dialog host does to its window when the host controller asks. A host (the Qt window on
// Linux, the Win32 dialog on Windows) implements this next to DialogHost and decides nothing: the
// controller says which control to disable, where the focus goes, when the dialog ends.
//
// Every call comes on the window's own thread, except postToWindow and runOnWindow, which any
// thread may call.
#pragma once

#include <functional>

namespace norvik::app {

enum class DialogEnd {
  Cancelled,  // the cancel command: the log was saved first
  Ok,         // the OK command: ends without saving
};

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  virtual void setControlEnabled(int id, bool enabled) = 0;
  virtual void setControlVisible(int id, bool visible) = 0;
  // The template ID of the control that has the focus; 0 when none of the dialog's has it.
  virtual int focusedControl() = 0;
  virtual void focusControl(int id) = 0;

  // Opens the About box (template 100), modal to the dialog.
  virtual void showAbout() = 0;
  // Ends the dialog; the host's modal loop returns.
  virtual void endDialog(DialogEnd how) = 0;
  // Closes the message box or file dialog the window shows now, if any, as if cancelled.
  virtual void dismissOpenModal() = 0;

  // Runs `call` later on the window's thread; a call still queued when the window goes is dropped.
  virtual void postToWindow(std::function<void()> call) = 0;
  // Runs `call` on the window's thread and returns once it has run (at once on that thread).
  virtual void runOnWindow(const std::function<void()>& call) = 0;
  // Runs the window's event loop until `done` holds. Used only when the window is taken down
  // while work is still running, so that the work's calls into the window are still answered.
  virtual void pumpUntil(const std::function<bool()>& done) = 0;
};

}  // namespace norvik::app
