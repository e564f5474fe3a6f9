// The running dialog's rules, on the in-memory window and host: which controls a running job
// disables and where the focus goes, what the exit asks and in which order it stops, saves and
// ends, that no box opens over another, start-up's labels, and a job that throws.
#include "app/host_controller.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

#include "app/messages.h"
#include "test_support.h"

namespace norvik::testing {
namespace {

using app::DialogEnd;
using app::HostController;

// A job that runs until the test opens the gate or a stop is requested. It tells the window when
// it starts, so that a test pumping the window's calls sees it at once.
class Gate {
 public:
  explicit Gate(MemoryWindow& window) : window_(window) {}
  void run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    running_ = true;
    window_.postToWindow([] {});
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
  MemoryWindow& window_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  bool running_ = false;
  bool open_ = false;
  bool stoppedEarly_ = false;
};

// The order in which jobs and the test's own steps happened, across threads.
class Order {
 public:
  void add(const std::string& step) {
    std::lock_guard lock(mutex_);
    steps_.push_back(step);
  }
  std::vector<std::string> steps() {
    std::lock_guard lock(mutex_);
    return steps_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> steps_;
};

struct ControllerTest : ::testing::Test {
  MemoryWindow window;
  MemoryHost host;
  HostController controller{window, host};
  Gate gate{window};
  Order order;

  int idles = 0;

  ControllerTest() {
    controller.setCancelJob([this](std::stop_token) { order.add("save"); });
    controller.onIdle = [this] { ++idles; };
    window.focusControl(2);
  }
  // Pumps the window's calls until the controller has taken up the device thread's next idle.
  bool idle() {
    const int before = idles;
    return window.pump([this, before] { return idles > before; });
  }
  std::vector<std::string> shownTexts() const { return Rig::texts(host.messages()); }
};

constexpr int kDisabledWhileBusy[] = {1003, 1008, 1005, 1007, 1023, 1004, 3, 4, 1015, 1011};

TEST_F(ControllerTest, AJobDisablesTheExchangeControlsAndTheFocusGoesToExitAndBack) {
  controller.setClickJob(1003, [this](std::stop_token stop) { gate.run(stop); });
  window.focusControl(1003);
  controller.click(1003);
  ASSERT_TRUE(window.pump([this] { return gate.running(); }));
  for (int id : kDisabledWhileBusy) EXPECT_FALSE(window.enabled(id)) << id;
  for (int id : {2, 1009, 1012, 1016, 1026, 1027, 1031, 1032, 1046, 1047, 1006}) {
    EXPECT_TRUE(window.enabled(id)) << id;
  }
  EXPECT_EQ(window.focusedControl(), 2);
  controller.click(1008);  // a disabled control: nothing is queued behind the job
  controller.okCommand();  // Enter never ends a run
  EXPECT_FALSE(window.ended());

  gate.open();
  ASSERT_TRUE(idle());
  for (int id : kDisabledWhileBusy) EXPECT_TRUE(window.enabled(id)) << id;
  EXPECT_EQ(window.focusedControl(), 1003);
  EXPECT_FALSE(window.ended());
}

TEST_F(ControllerTest, EnterClicksAFocusedPushButtonAndIsTheOkCommandElsewhere) {
  int refreshes = 0;
  controller.setClickJob(4, [&refreshes](std::stop_token) { ++refreshes; });
  controller.enterKey(4);
  ASSERT_TRUE(idle());
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(window.ended());

  controller.enterKey(1009);  // an edit: the OK command ends without saving
  ASSERT_EQ(window.ended(), DialogEnd::Ok);
  EXPECT_TRUE(order.steps().empty());
}

TEST_F(ControllerTest, EnterOnExitAsksDuringAnOperationAndYesStopsItThenSavesAndEnds) {
  controller.setClickJob(1008, [this](std::stop_token stop) {
    gate.run(stop);
    // A stopped read still reports on its way out; nobody is asked any more.
    const int answer = controller.host().messageBox(
        {app::MessageOwner::None, "", "接收数据错误!", app::MessageButtons::Ok});
    order.add("read ended " + std::to_string(answer));
  });
  controller.click(1008);
  ASSERT_TRUE(window.pump([this] { return gate.running(); }));

  host.queueMessageAnswer(app::kIdYes);
  controller.enterKey(2);
  ASSERT_EQ(host.messages().size(), 1u);
  const app::MessageBoxRequest question = host.messages()[0];
  EXPECT_EQ(question.text, "操作正在进行。要停止操作并退出吗？（已经传完的数据单元会保留）");
  EXPECT_EQ(question.buttons, app::MessageButtons::YesNo);
  EXPECT_TRUE(controller.ending());

  ASSERT_TRUE(window.pump([this] { return window.ended().has_value(); }));
  EXPECT_TRUE(gate.stoppedEarly());
  EXPECT_EQ(order.steps(), (std::vector<std::string>{"read ended 1", "save"}));
  EXPECT_EQ(window.ended(), DialogEnd::Cancelled);
  EXPECT_EQ(host.messages().size(), 1u);  // the read's box was answered without showing
}

TEST_F(ControllerTest, NoToTheExitQuestionLetsTheCopyGoOn) {
  controller.setClickJob(1023, [this](std::stop_token stop) { gate.run(stop); });
  controller.click(1023);
  ASSERT_TRUE(window.pump([this] { return gate.running(); }));
  host.queueMessageAnswer(app::kIdNo);
  controller.cancelCommand();
  ASSERT_EQ(shownTexts().size(), 1u);
  EXPECT_EQ(
      shownTexts()[0],
      "拷贝或擦除正在编程器内进行，电脑无法停止它，退出后编程器会继续完成。要停止跟踪并退出吗？");
  EXPECT_FALSE(controller.ending());
  gate.open();
  ASSERT_TRUE(idle());
  EXPECT_FALSE(gate.stoppedEarly());
  EXPECT_FALSE(window.ended());
  EXPECT_TRUE(order.steps().empty());
}

TEST_F(ControllerTest, AnEndingOperationClosesTheExitQuestionAndItsOwnBoxFollows) {
  // The erase reaches its end while the operator is being asked: the count box must not stack on
  // the question, and the question must not stay asking about an erase that has ended.
  controller.setClickJob(1004, [this](std::stop_token stop) {
    gate.run(stop);
    controller.host().messageBox({app::MessageOwner::Dialog, "", "检测到坏块数:1"});
    order.add("erase ended");
  });
  controller.click(1004);
  ASSERT_TRUE(window.pump([this] { return gate.running(); }));
  int dismissedWhenTheCountShowed = -1;
  host.onMessage = [&](const app::MessageBoxRequest& request) {
    if (request.buttons != app::MessageButtons::YesNo) {
      dismissedWhenTheCountShowed = window.dismissals();
      return;
    }
    gate.open();
    EXPECT_TRUE(window.holdOpenUntilDismissed());
  };
  host.queueMessageAnswer(app::kIdYes);  // what a late click on the closed box would say
  controller.cancelCommand();
  ASSERT_TRUE(idle());
  EXPECT_EQ(dismissedWhenTheCountShowed, 1);
  EXPECT_EQ(shownTexts().size(), 2u);  // the question and the count, nothing else
  EXPECT_FALSE(controller.ending());
  EXPECT_FALSE(window.ended());
  EXPECT_EQ(order.steps(), (std::vector<std::string>{"erase ended"}));

  // The same when the operation ends without a box: the question goes when the work is done.
  Gate second{window};
  controller.setClickJob(1003, [&second](std::stop_token stop) { second.run(stop); });
  controller.click(1003);
  ASSERT_TRUE(window.pump([&second] { return second.running(); }));
  host.onMessage = [&](const app::MessageBoxRequest&) {
    second.open();
    EXPECT_TRUE(window.holdOpenUntilDismissed());
  };
  host.queueMessageAnswer(app::kIdYes);
  controller.cancelCommand();
  EXPECT_FALSE(controller.ending());
  EXPECT_FALSE(controller.asking());
}

TEST_F(ControllerTest, BoxesWithoutAnOwnerGetTheSystemCaptionAndOwnedOnesTheProgramsName) {
  controller.setClickJob(1003, [this](std::stop_token) {
    controller.host().messageBox({app::MessageOwner::None, "", "发送数据错误!"});
    controller.host().messageBox({app::MessageOwner::Dialog, "", "请打开需要下载的文件"});
  });
  controller.click(1003);
  ASSERT_TRUE(idle());
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].caption, "错误");
  EXPECT_EQ(host.messages()[1].caption, "Norvik");
}

TEST_F(ControllerTest, StartUpLabelsStayBlankAndHiddenUntilStartUpIsDone) {
  bool reported = false;
  controller.onStartupFinished = [&reported] { reported = true; };
  controller.setStartupJob([this](std::stop_token stop) { gate.run(stop); });
  controller.windowShown();
  ASSERT_TRUE(window.pump([this] { return gate.running(); }));
  for (int id : {1022, 1029, 1043, 1044}) {
    EXPECT_FALSE(window.visible(id)) << id;
    EXPECT_EQ(host.text(id), "") << id;
  }
  EXPECT_FALSE(window.enabled(4));
  gate.open();
  ASSERT_TRUE(window.pump([&reported] { return reported; }));
  for (int id : {1022, 1029, 1043, 1044}) EXPECT_TRUE(window.visible(id)) << id;
  EXPECT_TRUE(window.enabled(4));  // reported once the window is usable again
  EXPECT_EQ(window.focusedControl(), 2);
}

TEST_F(ControllerTest, AJobThatThrowsIsReportedAndTheDialogGoesOn) {
  std::string reported;
  controller.setFailureReport([&reported](const std::string& what) { reported = what; });
  controller.setClickJob(1008, [](std::stop_token) -> void { throw std::runtime_error("boom"); });
  int refreshes = 0;
  controller.setClickJob(4, [&refreshes](std::stop_token) { ++refreshes; });
  controller.click(1008);
  ASSERT_TRUE(idle());
  EXPECT_EQ(reported, "boom");
  controller.click(4);
  ASSERT_TRUE(idle());
  EXPECT_EQ(refreshes, 1);
  EXPECT_TRUE(window.enabled(1008));
}

TEST_F(ControllerTest, TheCancelCommandWaitsWhileABoxIsOpen) {
  controller.setClickJob(1008, [this](std::stop_token) {
    controller.host().messageBox({app::MessageOwner::None, "", "接收数据错误!"});
  });
  host.onMessage = [this](const app::MessageBoxRequest&) {
    controller.cancelCommand();  // the close box clicked while the box is up
    controller.aboutCommand();
  };
  controller.click(1008);
  ASSERT_TRUE(idle());
  EXPECT_EQ(host.messages().size(), 1u);  // no question on top of the box
  EXPECT_EQ(window.aboutShown(), 0);
  EXPECT_FALSE(controller.ending());
  controller.cancelCommand();  // now nothing runs: it leaves at once
  ASSERT_TRUE(window.pump([this] { return window.ended().has_value(); }));
  EXPECT_EQ(order.steps(), (std::vector<std::string>{"save"}));
}

TEST_F(ControllerTest, VerifyAfterCopyIsRememberedInOurOwnFileAndReachesTheHandlers) {
  TempDir folder;
  folder.write("Config.ini", "[NandType]\r\nCE=0\r\n");
  std::vector<bool> applied;
  controller.setPreferences([&folder] { return folder.path(); },
                            [&applied](bool on) { applied.push_back(on); });
  EXPECT_FALSE(controller.verifyAfterCopy());
  controller.setVerifyAfterCopy(true);
  EXPECT_TRUE(controller.verifyAfterCopy());
  EXPECT_EQ(folder.read("Config.ini"), "[NandType]\r\nCE=0\r\n");  // the operator's file
  EXPECT_TRUE(shownTexts().empty());

  // The next run starts with it, and hands it to the handlers at once.
  MemoryWindow otherWindow;
  MemoryHost otherHost;
  HostController next(otherWindow, otherHost);
  next.setPreferences([&folder] { return folder.path(); },
                      [&applied](bool on) { applied.push_back(on); });
  EXPECT_TRUE(next.verifyAfterCopy());
  EXPECT_EQ(applied, (std::vector<bool>{false, true, true}));

  // A folder where the file cannot be written: said once, and the choice holds for the run.
  controller.setPreferences([] { return std::string("/nonexistent-norvik-folder"); }, {});
  controller.setVerifyAfterCopy(false);
  controller.setVerifyAfterCopy(true);
  ASSERT_EQ(shownTexts().size(), 1u);
  EXPECT_EQ(shownTexts()[0].rfind(app::kMsgPreferencesNotSaved, 0), 0u) << shownTexts()[0];
  EXPECT_TRUE(controller.verifyAfterCopy());
}

}  // namespace
}  // namespace norvik::testing
