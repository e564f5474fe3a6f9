// The main window: template 102 as Qt widgets. It translates Qt's events into the host
// controller's (a click, Enter, Esc, the close box, F1, the system menu) and carries out what the
// controller asks of a window (DialogWindow); every decision is the controller's.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_window.h"
#include "app/host_controller.h"
#include "app/posted_calls.h"
#include "dialog_layout.h"
#include "qt_dialog_host.h"
#include "template_widgets.h"

class QAction;
class QMenu;

namespace norvik::ui {

class AboutDialog;

class MainDialog final : public QDialog, public app::DialogWindow {
  Q_OBJECT

 public:
  // `backendName` goes into the caption ("模拟编程器", "qxUSBDev.dll"; "" for none).
  explicit MainDialog(const std::string& backendName = {}, QWidget* parent = nullptr);
  ~MainDialog() override;

  app::HostController& controller() { return *controller_; }
  // The host the handlers talk to (through the controller's rules).
  app::DialogHost& host() { return controller_->host(); }
  // The Qt host underneath, for what only Qt can say (which widget a control is).
  QtDialogHost& qtHost() { return *host_; }

  // The control with this ID (nullptr for 65535 and unknown IDs).
  QWidget* control(int id) const { return widgets_.byId.value(id, nullptr); }
  // One widget per template row, in template order.
  const std::vector<QWidget*>& templateWidgets() const { return widgets_.rows; }
  BaseUnits baseUnits() const { return units_; }

  // The emulated system menu (X11 window managers offer no hook into theirs): 最小化, 关闭,
  // a separator, the About entry and the check item "拷贝后校验". Opened by a right click on the
  // dialog's background, by Shift+F10 and the Menu key, and by Alt+Space where the window manager
  // passes it on.
  QMenu* systemMenu() const { return systemMenu_; }
  QAction* aboutAction() const { return aboutAction_; }
  QAction* verifyAfterCopyAction() const { return verifyAction_; }
  void showSystemMenu(const QPoint& globalPos);

  // QDialog's own ways of ending lead to the controller's two commands.
  void accept() override { controller_->okCommand(); }
  void reject() override { controller_->cancelCommand(); }

  // DialogWindow
  void setControlEnabled(int id, bool enabled) override;
  void setControlVisible(int id, bool visible) override;
  int focusedControl() override;
  void focusControl(int id) override;
  void showAbout() override;
  void endDialog(app::DialogEnd how) override;
  void dismissOpenModal() override { host_->dismissOpenModal(); }
  void postToWindow(std::function<void()> call) override;
  void runOnWindow(const std::function<void()>& call) override { host_->runOnWindow(call); }
  void pumpUntil(const std::function<bool()>& done) override;

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
  void buildSystemMenu();
  // Enter, Esc, F1, Shift+F10 and Alt+Space wherever the focus is; true when the key was used.
  bool handleKey(QWidget* focus, const QKeyEvent& key);
  // Where a menu opened from the keyboard appears.
  QPoint menuPosition(QWidget* focus) const;
  int idOf(const QWidget* widget) const;
  // Runs what postToWindow queued. Invoked by name: the wake-up carries no data (Qt's own queue
  // is not instrumented for the thread sanitizer; app::PostedCalls is).
  Q_INVOKABLE void runPosted() { posted_.runAll(); }

  BaseUnits units_;
  std::unique_ptr<QtDialogHost> host_;
  TemplateWidgets widgets_;
  QMenu* systemMenu_ = nullptr;
  QAction* aboutAction_ = nullptr;
  QAction* verifyAction_ = nullptr;
  QPointer<AboutDialog> about_;
  app::PostedCalls posted_;
  // Last member: destroyed first, while the widgets it drives still exist.
  std::unique_ptr<app::HostController> controller_;
};

}  // namespace norvik::ui
