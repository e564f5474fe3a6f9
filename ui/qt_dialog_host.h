// The main window's DialogHost: controls addressed by ID, progress-bar messages, message boxes
// and file dialogs, shown as asked (the host controller decides captions and when a box may
// show). A call from the window's own thread acts at once; a call from any other
// thread (the device thread) is carried to the window's thread and waits there until done, like
// a synchronous window message.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>

#include "app/dialog_host.h"

class QButtonGroup;
class QDialog;

namespace norvik::ui {

// Carries calls from other threads to the window's thread and runs them there while their
// callers wait, as a synchronous window message would. The calls travel through a queue guarded
// by a standard mutex and the wake-up posted to the window's thread carries no data, so every
// hand-over is ordered by that mutex and condition (which the thread sanitizer sees, unlike
// Qt's own uninstrumented locks).
class WindowThreadCalls final : public QObject {
  Q_OBJECT

 public:
  explicit WindowThreadCalls(QObject* windowObject);
  ~WindowThreadCalls() override;
  // Runs `call` on this object's thread; returns once it has run, or at once without running it
  // when this object is gone or going.
  void run(const std::function<void()>& call);

 private:
  Q_INVOKABLE void runPending();

  struct Pending {
    const std::function<void()>* call;
    bool finished = false;
  };
  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<Pending*> queue_;
  bool closed_ = false;
};

class QtDialogHost final : public app::DialogHost {
 public:
  // `window` is the dialog that owns the controls and the message boxes of MessageOwner::Dialog.
  explicit QtDialogHost(QWidget* window);

  // Runs `call` on the window's thread and returns once it has run.
  void runOnWindow(const std::function<void()>& call);

  // Registers control `id`; radios may name the exclusive group they belong to.
  void addControl(int id, QWidget* widget, QButtonGroup* radioGroup = nullptr);
  QWidget* control(int id) const;

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

  // Closes the message box or file dialog that a call is showing now, if any, as cancelled.
  // Window thread only.
  void dismissOpenModal();
  // The message box or file dialog a call is showing now, or nullptr. Window thread only.
  QDialog* openModal() const { return openModal_; }

 private:
  template <class F>
  auto onWindowThread(F&& f) -> std::invoke_result_t<F&>;

  std::string textNow(int id) const;
  void setTextNow(int id, const std::string& text);
  void setCheckedNow(int id, bool checked);
  int messageBoxNow(const app::MessageBoxRequest& request);
  std::optional<std::string> fileDialogNow(const app::FileDialogRequest& request);

  QWidget* window_;
  WindowThreadCalls* calls_;  // a child of the window
  QHash<int, QPointer<QWidget>> controls_;
  QHash<int, QButtonGroup*> radioGroups_;
  QHash<int, int> progressSteps_;
  QPointer<QDialog> openModal_;
};

// "desc|pattern|desc|pattern|" → the name filters of a Qt file dialog, "desc (pattern)" each;
// a description that already ends with its pattern in brackets is kept as it is.
QStringList toQtNameFilters(const std::string& filter);
// "bin" or "*.bin" → "bin".
QString toDefaultSuffix(const std::string& extension);

}  // namespace norvik::ui
