// Qt's events reach the host controller: Esc, "退出" and the close box are the cancel command,
// Enter is the OK command outside a push button and a click on one, F1 opens the About box, and
// a running job's boxes are closed by the exit while the window keeps answering the device thread.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "about_dialog.h"
#include "gui_support.h"
#include "main_dialog.h"

namespace norvik::guitest {
namespace {

// A window whose cancel job and click jobs only count.
class CountingWindow {
 public:
  CountingWindow() {
    window.controller().setCancelJob([this](std::stop_token) {
      ++cancelRuns;
      cancelThread = std::this_thread::get_id();
    });
    window.controller().setClickJob(4, [this](std::stop_token) { ++refreshRuns; });
    QObject::connect(&window, &QDialog::finished, [this](int result) {
      ++finishedCount;
      finishedResult = result;
    });
    window.show();
  }

  bool ended() {
    return waitUntil([this] { return finishedCount > 0; });
  }

  ui::MainDialog window;
  std::atomic<int> cancelRuns{0};
  std::atomic<int> refreshRuns{0};
  std::thread::id cancelThread;
  int finishedCount = 0;
  int finishedResult = -1;
};

TEST(WindowKeysTest, EscapeExitAndTheCloseBoxAreTheCancelCommand) {
  {
    CountingWindow w;
    w.window.control(1009)->setFocus();
    pressKey(w.window.control(1009), Qt::Key_Escape);
    ASSERT_TRUE(w.ended());
    EXPECT_EQ(w.cancelRuns, 1);
    EXPECT_NE(w.cancelThread, std::this_thread::get_id());
    EXPECT_EQ(w.finishedResult, QDialog::Rejected);
    EXPECT_FALSE(w.window.isVisible());
  }
  {
    CountingWindow w;
    qobject_cast<QPushButton*>(w.window.control(2))->click();
    ASSERT_TRUE(w.ended());
    EXPECT_EQ(w.cancelRuns, 1);
  }
  {
    CountingWindow w;
    w.window.close();  // the window manager's close request
    ASSERT_TRUE(w.ended());
    EXPECT_EQ(w.cancelRuns, 1);
    EXPECT_EQ(w.finishedCount, 1);
  }
}

TEST(WindowKeysTest, EnterIsTheOkCommandOutsideAPushButtonAndClicksOne) {
  for (int id : {1009, 1006, 1012, 1031}) {
    SCOPED_TRACE(id);
    CountingWindow w;
    QWidget* target = w.window.control(id);
    target->setFocus();
    const QString logBefore =
        id == 1006 ? qobject_cast<QPlainTextEdit*>(target)->toPlainText() : QString();
    pressKey(target, Qt::Key_Return);
    ASSERT_TRUE(w.ended());
    EXPECT_EQ(w.finishedResult, QDialog::Accepted);
    EXPECT_EQ(w.cancelRuns, 0);
    if (id == 1006) {  // no line break typed into the log box
      EXPECT_EQ(qobject_cast<QPlainTextEdit*>(target)->toPlainText(), logBefore);
    }
  }
  CountingWindow keypad;
  pressKey(keypad.window.control(1013), Qt::Key_Enter, Qt::KeypadModifier);
  ASSERT_TRUE(keypad.ended());
  EXPECT_EQ(keypad.cancelRuns, 0);

  CountingWindow w;
  QWidget* refresh = w.window.control(4);
  refresh->setFocus();
  pressKey(refresh, Qt::Key_Return);
  ASSERT_TRUE(waitUntil([&] { return w.refreshRuns == 1 && !w.window.controller().busy(); }));
  EXPECT_EQ(w.finishedCount, 0);
  pressKey(w.window.control(2), Qt::Key_Return);  // on "退出": the cancel command
  ASSERT_TRUE(w.ended());
  EXPECT_EQ(w.cancelRuns, 1);
}

TEST(WindowKeysTest, FOneOpensTheAboutBox) {
  CountingWindow w;
  QWidget* edit = w.window.control(1013);
  edit->setFocus();
  pressKey(edit, Qt::Key_F1);
  ui::AboutDialog* about = nullptr;
  ASSERT_TRUE(waitUntil([&about] { return (about = visibleTopLevel<ui::AboutDialog>()); }));
  about->accept();
  EXPECT_TRUE(waitUntil([] { return visibleTopLevel<ui::AboutDialog>() == nullptr; }));
  EXPECT_TRUE(w.window.isVisible());
}

// A click job that waits for the test or a stop.
class Gate {
 public:
  void run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    running_ = true;
    wake_.wait(lock, stop, [this] { return open_; });
  }
  bool running() {
    std::lock_guard lock(mutex_);
    return running_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable_any wake_;
  bool running_ = false;
  bool open_ = false;
};

TEST(WindowKeysTest, LeavingDuringAReadClosesItsOpenBoxAndEndsOnceTheDeviceThreadIsIdle) {
  CountingWindow w;
  Gate gate;
  std::atomic<int> answer{-1};
  w.window.controller().setClickJob(1008, [&](std::stop_token stop) {
    // The read shows a box and waits in it: the exit must close it, not wait for the operator.
    answer = w.window.host().messageBox(
        {app::MessageOwner::None, "", "接收数据错误!", app::MessageButtons::OkCancel});
    gate.run(stop);
  });
  qobject_cast<QPushButton*>(w.window.control(1008))->click();
  OnModal<QMessageBox> box([&w](QMessageBox* shown) {
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("错误"));
    w.window.controller().endWithoutSaving();
  });
  ASSERT_TRUE(w.ended());
  EXPECT_TRUE(box.handled());
  EXPECT_EQ(answer, app::kIdCancel);
  EXPECT_EQ(w.finishedResult, QDialog::Accepted);
  EXPECT_EQ(w.cancelRuns, 0);
}

}  // namespace
}  // namespace norvik::guitest
