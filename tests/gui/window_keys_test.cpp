// Leaving the window: the cancel command (Esc, "退出", the close box) runs the cancel job and
// ends; the OK command (Enter outside a push button) ends without it; Enter on a push button
// clicks it. Work on the device thread disables the exchange controls and never blocks exit.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "gui_support.h"
#include "main_dialog.h"

namespace norvik::guitest {
namespace {

// A window whose cancel job and click jobs only count.
class CountingWindow {
 public:
  CountingWindow() {
    window.setCancelJob([this](std::stop_token) {
      ++cancelRuns;
      cancelThread = std::this_thread::get_id();
    });
    window.setClickJob(4, [this](std::stop_token) { ++refreshRuns; });
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

TEST(WindowKeysTest, FocusStartsOnExitOnceStartUpHasRun) {
  WiredWindow wired(/*runStartup=*/true, /*withCatalogue=*/true);
  int started = 0;
  QObject::connect(&wired.window(), &ui::MainDialog::startupFinished, [&started] { ++started; });
  ASSERT_TRUE(waitUntil([&] { return started > 0; }));
  // Reported done only once the window is usable again.
  EXPECT_FALSE(wired.window().busy());
  for (int id : ui::kBusyDisabledControls) EXPECT_TRUE(wired.window().control(id)->isEnabled());
  EXPECT_EQ(wired.window().focusWidget(), wired.window().control(2));
}

TEST(WindowKeysTest, EscapeRunsTheCancelJobOnTheDeviceThreadAndEnds) {
  CountingWindow w;
  w.window.control(1009)->setFocus();
  pressKey(w.window.control(1009), Qt::Key_Escape);
  ASSERT_TRUE(w.ended());
  EXPECT_EQ(w.cancelRuns, 1);
  EXPECT_NE(w.cancelThread, std::this_thread::get_id());
  EXPECT_EQ(w.finishedResult, QDialog::Rejected);
  EXPECT_FALSE(w.window.isVisible());
}

TEST(WindowKeysTest, ExitButtonAndCloseBoxAreTheCancelCommand) {
  {
    CountingWindow w;
    qobject_cast<QPushButton*>(w.window.control(2))->click();
    ASSERT_TRUE(w.ended());
    EXPECT_EQ(w.cancelRuns, 1);
    EXPECT_EQ(w.finishedResult, QDialog::Rejected);
  }
  {
    CountingWindow w;
    w.window.close();  // the window manager's close request
    ASSERT_TRUE(w.ended());
    EXPECT_EQ(w.cancelRuns, 1);
    EXPECT_EQ(w.finishedCount, 1);
  }
}

TEST(WindowKeysTest, EnterOutsideAPushButtonEndsWithoutTheCancelJob) {
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
}

TEST(WindowKeysTest, EnterOnAPushButtonClicksIt) {
  CountingWindow w;
  QWidget* refresh = w.window.control(4);
  refresh->setFocus();
  pressKey(refresh, Qt::Key_Return);
  ASSERT_TRUE(waitUntil([&] { return w.refreshRuns == 1 && !w.window.busy(); }));
  EXPECT_EQ(w.finishedCount, 0);
  EXPECT_TRUE(w.window.isVisible());

  // On "退出" (where the focus starts) Enter clicks it: the cancel command.
  pressKey(w.window.control(2), Qt::Key_Return);
  ASSERT_TRUE(w.ended());
  EXPECT_EQ(w.cancelRuns, 1);
  EXPECT_EQ(w.finishedResult, QDialog::Rejected);
}

// A click job that runs until the test releases it or a stop is requested.
class Gate {
 public:
  void run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    running_ = true;
    wake_.notify_all();
    wake_.wait(lock, stop, [this] { return open_; });
    stoppedEarly_ = !open_;
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    wake_.notify_all();
  }
  bool running() {
    std::lock_guard lock(mutex_);
    return running_;
  }
  bool stoppedEarly() {
    std::lock_guard lock(mutex_);
    return stoppedEarly_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable_any wake_;
  bool running_ = false;
  bool open_ = false;
  bool stoppedEarly_ = false;
};

TEST(WindowKeysTest, ExchangeControlsAreDisabledWhileTheDeviceThreadWorks) {
  CountingWindow w;
  Gate gate;
  w.window.setClickJob(1003, [&gate](std::stop_token stop) { gate.run(stop); });
  QWidget* program = w.window.control(1003);
  program->setFocus();
  qobject_cast<QPushButton*>(program)->click();
  ASSERT_TRUE(waitUntil([&] { return gate.running(); }));

  EXPECT_TRUE(w.window.busy());
  for (int id : ui::kBusyDisabledControls) EXPECT_FALSE(w.window.control(id)->isEnabled()) << id;
  for (int id : {2, 1009, 1012, 1016, 1026, 1031, 1032, 1046, 1006}) {
    EXPECT_TRUE(w.window.control(id)->isEnabled()) << id;
  }

  gate.open();
  ASSERT_TRUE(waitUntil([&] { return w.window.control(1003)->isEnabled(); }));
  for (int id : ui::kBusyDisabledControls) EXPECT_TRUE(w.window.control(id)->isEnabled()) << id;
  EXPECT_FALSE(w.window.busy());
  // The focus, moved on when its button was disabled, is back.
  EXPECT_EQ(w.window.focusWidget(), program);
}

TEST(WindowKeysTest, ExitDuringWorkStopsItWhileTheWindowKeepsAnsweringThenSaves) {
  CountingWindow w;
  Gate gate;
  std::vector<std::string> order;
  std::mutex orderMutex;
  std::atomic<int> answer{-1};
  w.window.setCancelJob([&](std::stop_token) {
    std::lock_guard lock(orderMutex);
    order.emplace_back("save");
  });
  w.window.setClickJob(1008, [&](std::stop_token stop) {
    gate.run(stop);
    // A stopped operation still talks to the window on its way out.
    w.window.host().setText(1020, "stopped");
    answer = w.window.host().messageBox(
        {app::MessageOwner::None, "", "stopped", app::MessageButtons::OkCancel});
    std::lock_guard lock(orderMutex);
    order.emplace_back("read ended");
  });
  qobject_cast<QPushButton*>(w.window.control(1008))->click();
  ASSERT_TRUE(waitUntil([&] { return gate.running(); }));

  // The cancel command asks first; "yes" stops the operation and leaves.
  OnModal<QMessageBox> yes([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  pressKey(w.window.control(2), Qt::Key_Escape);
  EXPECT_TRUE(yes.handled());
  EXPECT_TRUE(w.window.ending());
  ASSERT_TRUE(w.ended());
  EXPECT_TRUE(gate.stoppedEarly());
  EXPECT_EQ(answer, app::kIdCancel);  // answered at once, nothing shown
  EXPECT_EQ(order, (std::vector<std::string>{"read ended", "save"}));
  EXPECT_EQ(w.finishedCount, 1);
  EXPECT_EQ(w.finishedResult, QDialog::Rejected);
}

TEST(WindowKeysTest, DuringAReadEnterDoesNothingAndNoToTheExitQuestionLetsItGoOn) {
  CountingWindow w;
  Gate gate;
  w.window.setClickJob(1008, [&gate](std::stop_token stop) { gate.run(stop); });
  QWidget* start = w.window.control(1009);
  start->setFocus();
  qobject_cast<QPushButton*>(w.window.control(1008))->click();
  ASSERT_TRUE(waitUntil([&] { return gate.running(); }));
  pressKey(start, Qt::Key_Return);
  EXPECT_FALSE(w.window.ending()) << "Enter in an edit is no way out of a running read";

  OnModal<QMessageBox> no([](QMessageBox* box) {
    EXPECT_EQ(box->text(), QString::fromUtf8(app::kMsgExitDuringOperation));
    box->button(QMessageBox::No)->click();
  });
  qobject_cast<QPushButton*>(w.window.control(2))->click();
  EXPECT_TRUE(no.handled());
  EXPECT_FALSE(w.window.ending());
  EXPECT_TRUE(gate.running());
  gate.open();
  ASSERT_TRUE(waitUntil([&] { return !w.window.busy(); }));
  EXPECT_FALSE(gate.stoppedEarly());
  EXPECT_EQ(w.finishedCount, 0);
}

TEST(WindowKeysTest, ClicksAfterExitBeganAreIgnored) {
  CountingWindow w;
  Gate gate;
  w.window.setClickJob(1008, [&gate](std::stop_token stop) { gate.run(stop); });
  qobject_cast<QPushButton*>(w.window.control(1008))->click();
  ASSERT_TRUE(waitUntil([&] { return gate.running(); }));
  OnModal<QMessageBox> yes([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  qobject_cast<QPushButton*>(w.window.control(2))->click();
  w.window.okCommand();  // a second, different end
  qobject_cast<QPushButton*>(w.window.control(1003))->click();
  ASSERT_TRUE(w.ended());
  EXPECT_EQ(w.finishedCount, 1);
  EXPECT_EQ(w.finishedResult, QDialog::Rejected);
  EXPECT_EQ(w.cancelRuns, 1);
}

}  // namespace
}  // namespace norvik::guitest
