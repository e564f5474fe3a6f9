// The rules of the running dialog, shared by every dialog host. A host builds its controls from
// the template, implements DialogHost and DialogWindow, and turns its platform's events into the
// calls below (a click, Enter, the cancel and OK commands, the About command, the first show);
// the controller decides what they do.
//
// What it decides:
// - the message map: which click runs which job, on one device thread (DeviceExecutor), so that
//   two exchanges with the programmer never interleave and the window keeps drawing;
// - the busy rules: while the device thread has work, the controls that start an exchange or
//   touch a file object are disabled, and a focus on one of them moves to "退出" and back;
// - the exit: the cancel command ("退出", Esc, the close box) asks first while an operation
//   runs; leaving stops the operation, answers what it still asks at once, waits until the
//   device thread is idle, runs the cancel job (saving the log) and ends the dialog. The OK
//   command ends without saving, and does nothing while the device thread works;
// - the message boxes and file dialogs the handlers ask for: their captions, and that no box
//   opens on top of another. A box asked for while the exit question is open closes the question
//   (the operation it asked about has reached its end), and so does the operation's end;
// - start-up: the labels start-up fills stay blank and hidden until it is done;
// - a failure escaping a job is reported and the dialog goes on;
// - the system menu's check item "拷贝后校验": whether each copy is verified, remembered in the
//   program's own norvik.ini (a file that cannot be written is said once).
//
// Every call is made on the window's thread.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/device_executor.h"
#include "app/dialog_host.h"
#include "app/dialog_window.h"
#include "app/preferences.h"

namespace norvik::app {

// Controls disabled while the device thread has work: the buttons that start an exchange or
// touch a file object, and the check boxes whose click probes the sockets.
inline constexpr int kBusyDisabledControls[] = {1003, 1008, 1005, 1007, 1023,
                                                1004, 3,    4,    1015, 1011};
// The labels start-up writes more than once (the first probe knows no page sizes yet): the two
// chip names and the two page and block sizes.
inline constexpr int kStartupLabels[] = {1022, 1029, 1043, 1044};

class HostController {
 public:
  using Job = DeviceExecutor::Job;
  // Runs when a job throws: `what` says what escaped. Runs on the device thread.
  using FailureReport = std::function<void(const std::string& what)>;

  // `platform` is the host's own DialogHost; the handlers get host() instead, which passes
  // everything through and applies the rules above to message boxes and file dialogs.
  HostController(DialogWindow& window, DialogHost& platform);
  // Stops the running job and waits for the device thread, answering its calls meanwhile.
  ~HostController();
  HostController(const HostController&) = delete;
  HostController& operator=(const HostController&) = delete;

  DialogHost& host();

  // The message map.
  void setStartupJob(Job job) { startupJob_ = std::move(job); }
  void setCancelJob(Job job) { cancelJob_ = std::move(job); }
  // The work of a click on control `id`; clicks without a job only change the control's state.
  void setClickJob(int id, Job job) { clickJobs_[id] = std::move(job); }
  void setFailureReport(FailureReport report) { failureReport_ = std::move(report); }
  // Where the remembered choices live (the working folder `folder` names when asked) and who
  // carries out the verify choice (the handlers, on the device thread). Reads norvik.ini and
  // applies what it holds at once.
  void setPreferences(std::function<std::string()> folder, std::function<void(bool)> applyVerify);

  // Host events.
  void windowShown();            // the first time the window shows: start-up
  void click(int id);            // a button, check box or radio was clicked
  void enterKey(int focusedId);  // Enter with the focus on `focusedId` (0: none of ours)
  void cancelCommand();          // "退出", Esc, the close box, the system menu's 关闭
  void okCommand();              // Enter outside a push button
  void aboutCommand();           // the system menu's About entry, F1
  // The system menu's "拷贝后校验" (kVerifyAfterCopyMenuText, kVerifyAfterCopyCommandId): a host
  // shows the item checked as verifyAfterCopy() says whenever the menu opens, and on a click
  // calls setVerifyAfterCopy(!verifyAfterCopy()). The choice holds from the next copy on.
  bool verifyAfterCopy() const { return preferences_.verifyAfterCopy; }
  void setVerifyAfterCopy(bool on);
  // Leaves without saving the log, whatever runs (the screenshot mode's exit).
  void endWithoutSaving() { beginEnd(/*saveLog=*/false); }

  bool busy() const { return executor_ && executor_->busy(); }
  bool ending() const { return ending_; }
  bool startupDone() const { return startupDone_; }
  // The exit question is open.
  bool asking() const { return asking_; }

  // Observers for the host's own use (tests, the screenshot mode). Window thread.
  std::function<void()> onStartupFinished;
  std::function<void()> onIdle;

 private:
  class GuardedHost;
  friend class GuardedHost;

  void post(Job job, bool isStartup, int clickedId);
  void idle();
  void startupJobDone();
  void reportStartup();
  void setBusyLook(bool busy);
  bool runningOperation() const;
  void beginEnd(bool saveLog);
  void continueEnd();
  // Window thread: a message box or file dialog a handler asks for.
  int showMessage(const MessageBoxRequest& request);
  std::optional<std::string> showFileDialog(const FileDialogRequest& request);
  // The exit question closes without an answer: what it asked about has ended.
  void closeStaleQuestion();

  DialogWindow& window_;
  DialogHost& platform_;
  std::unique_ptr<GuardedHost> guarded_;

  Job startupJob_;
  Job cancelJob_;
  std::map<int, Job> clickJobs_;
  FailureReport failureReport_;
  Preferences preferences_;
  std::function<std::string()> preferencesFolder_;
  std::function<void(bool)> applyVerify_;
  bool preferencesProblemSaid_ = false;

  bool started_ = false;
  bool startupDone_ = false;
  bool startupReported_ = false;
  bool busyLook_ = false;
  int focusBeforeBusy_ = 0;
  int focusAfterBusy_ = 0;

  int runningClick_ = 0;  // the control whose job the device thread works on, 0 for none
  int modalDepth_ = 0;    // message boxes and file dialogs open now
  bool asking_ = false;
  bool questionStale_ = false;
  bool answerAtOnce_ = false;

  bool ending_ = false;
  bool saveOnEnd_ = false;
  bool savePosted_ = false;
  bool ended_ = false;
  bool draining_ = false;

  // Last member: destroyed first, so that no job outlives what it touches.
  std::unique_ptr<DeviceExecutor> executor_;
};

}  // namespace norvik::app
