// Helpers for the window tests: waiting on conditions while the event loop runs, keys, the
// modal windows a call has opened, and a window wired to a real CProgrammerDlg, device link and
// simulated programmer on virtual time.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/programmer_dlg.h"
#include "app/session.h"
#include "main_dialog.h"
#include "virtual_clock.h"

namespace norvik::guitest {

// Runs the event loop until `condition` holds; false when it has not after `timeoutMs`.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

inline void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

// The visible top-level widget of type T, if any.
template <class T>
T* visibleTopLevel() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* found = qobject_cast<T*>(widget); found != nullptr && found->isVisible()) {
      return found;
    }
  }
  return nullptr;
}

// Calls `handle` once with the first visible top-level T. It polls from a timer, so it also runs
// inside the nested event loop of a modal dialog that is waiting for exactly this answer.
template <class T>
class OnModal {
 public:
  explicit OnModal(std::function<void(T*)> handle) : handle_(std::move(handle)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (handled_) return;
      if (T* found = visibleTopLevel<T>()) {
        handled_ = true;
        timer_.stop();
        handle_(found);
      }
    });
    timer_.start(5);
  }
  bool handled() const { return handled_; }

 private:
  std::function<void(T*)> handle_;
  QTimer timer_;
  bool handled_ = false;
};

// A shown main window with a real CProgrammerDlg behind it: the device link goes to the
// simulated programmer in fast mode on a virtual clock, and the current directory is a
// temporary folder.
class WiredWindow {
 public:
  explicit WiredWindow(bool runStartup = false, bool withCatalogue = false);
  ~WiredWindow();

  ui::MainDialog& window() { return *window_; }
  app::ProgrammerState& state() { return session_->state(); }
  std::string dir() const { return dir_.path().toStdString(); }
  std::string readFile(const std::string& name) const;
  bool fileExists(const std::string& name) const;
  QString text(int id) const;

 private:
  QTemporaryDir dir_;
  VirtualClock clock_;
  std::unique_ptr<app::Session> session_;
  std::unique_ptr<ui::MainDialog> window_;
};

}  // namespace norvik::guitest
