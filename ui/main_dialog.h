// The main window: template 102 built as Qt widgets, its keys, its system menu and the device
// thread that runs every command's work.
//
// Each command is a job on one DeviceExecutor, never run on this window's thread, so two
// exchanges with the programmer never interleave and the window keeps drawing while one runs.
// While the executor has work, the controls that would start an exchange or touch a file object
// are disabled. Ending the dialog (cancel command: Esc, "退出", the close box, the system menu's
// 关闭; OK command: Enter outside a push button) first asks a running job to stop and lets the
// event loop run until the executor is idle (message boxes and file dialogs the stopping job
// asks for meanwhile are answered at once, without showing); only the cancel command then runs
// its job (saving the log) before the dialog ends.
#pragma once

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/device_executor.h"
#include "dialog_layout.h"
#include "qt_dialog_host.h"

class QAction;
class QMenu;

namespace norvik::ui {

inline constexpr const char* kWindowCaption = "Norvik 双座NAND编程器";
inline constexpr const char* kSimulatorCaptionMark = " [模拟编程器]";

// Controls disabled while the device thread has work: the buttons that start an exchange or
// touch a file object, and the check boxes whose click probes the sockets.
inline constexpr int kBusyDisabledControls[] = {1003, 1008, 1005, 1007, 1023,
                                                1004, 3,    4,    1015, 1011};

// The labels start-up writes: the two chip names and the two page and block sizes. They start
// empty instead of showing the template's placeholder "none", and stay hidden while start-up
// runs, so that only what it found in the end shows.
inline constexpr int kStartupLabels[] = {1022, 1029, 1043, 1044};

class AboutDialog;

struct MainDialogOptions {
  bool simulated = false;          // the simulated programmer stands in for the device
  std::string deviceBackend = {};  // otherwise what reaches the device ("qxUSBDev.dll"), if known
};

class MainDialog final : public QDialog {
  Q_OBJECT

 public:
  using Job = app::DeviceExecutor::Job;

  using Options = MainDialogOptions;

  explicit MainDialog(Options options = {}, QWidget* parent = nullptr);
  ~MainDialog() override;

  QtDialogHost& host() { return *host_; }

  // Posted as the first job once the window is shown (start-up: OnInitDialog).
  void setStartupJob(Job job) { startupJob_ = std::move(job); }
  // The cancel command's work before the dialog ends (OnCancel: saving the log).
  void setCancelJob(Job job) { cancelJob_ = std::move(job); }
  // The work of a click on button, check box or radio `id`. Controls without a job only change
  // their own state when clicked.
  void setClickJob(int id, Job job);

  // The control with this ID (nullptr for 65535 and unknown IDs).
  QWidget* control(int id) const;
  // One widget per template row, in template order.
  const std::vector<QWidget*>& templateWidgets() const { return widgets_; }
  BaseUnits baseUnits() const { return units_; }

  // The device thread has a job queued or running.
  bool busy() const;
  // The dialog is on its way out (waiting for the device thread, or saving the log).
  bool ending() const { return ending_; }

  // Ends the dialog through the cancel command (saves the log) or the OK command (does not).
  // The cancel command ("退出", Esc, the close box). While an operation runs it first asks
  // whether to stop it and leave; "no" lets it go on.
  void cancelCommand();
  // The OK command (Enter outside a push button). While the device thread works it does
  // nothing: a key press never ends a run.
  void okCommand();
  // Ends without saving the log whatever runs (the screenshot mode's exit).
  void endWithoutSaving() { beginEnd(/*saveLog=*/false); }

  // The emulated system menu (X11 window managers offer no hook into theirs): 最小化, 关闭,
  // a separator and the About entry. Opened by a right click on the dialog's background, by
  // Shift+F10 and the Menu key, and by Alt+Space where the window manager passes it on. F1
  // opens the About box directly.
  QMenu* systemMenu() const { return systemMenu_; }
  QAction* aboutAction() const { return aboutAction_; }
  void showSystemMenu(const QPoint& globalPos);
  // Opens the About box (modal to this window) and returns it.
  AboutDialog* showAbout();

  // QDialog's own ways of ending lead to the two commands.
  void accept() override { okCommand(); }
  void reject() override { cancelCommand(); }

 signals:
  // The start-up job has finished (or there was none).
  void startupFinished();
  // The device thread has run out of work.
  void becameIdle();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildSystemMenu();
  // Handles Enter, Esc, F1, Shift+F10 and Alt+Space wherever the focus is; true when the key
  // was used.
  bool handleKey(QWidget* focus, const QKeyEvent& key);
  // Where a menu opened from the keyboard appears.
  QPoint menuPosition(QWidget* focus) const;
  void post(Job job, bool isStartup = false, int clickedId = 0);
  // Posted by the device thread by name (no data crosses with them).
  Q_INVOKABLE void onIdle();
  Q_INVOKABLE void onStartupJobDone();
  void setBusyLook(bool busy);
  // An operation the user started (not start-up, a refresh or a file choice) is running.
  bool runningOperation() const;
  void beginEnd(bool saveLog);
  void continueEnd();
  void drainExecutor();

  Options options_;
  BaseUnits units_;
  std::unique_ptr<QtDialogHost> host_;
  std::vector<QWidget*> widgets_;
  QHash<int, QWidget*> controlsById_;
  QHash<int, Job> clickJobs_;
  Job startupJob_;
  Job cancelJob_;
  QMenu* systemMenu_ = nullptr;
  QAction* aboutAction_ = nullptr;
  QPointer<AboutDialog> about_;

  bool started_ = false;
  bool busyLook_ = false;
  QPointer<QWidget> focusBeforeBusy_;
  QPointer<QWidget> focusAfterBusy_;

  int runningClick_ = 0;  // the button whose job the device thread works on, 0 for none
  bool asking_ = false;   // the cancel command's question is open

  bool ending_ = false;
  bool saveOnEnd_ = false;
  bool savePosted_ = false;
  bool ended_ = false;
  bool draining_ = false;  // the window is being destroyed

  // Last member: destroyed first, so no job outlives what it touches.
  std::unique_ptr<app::DeviceExecutor> executor_;
};

}  // namespace norvik::ui
