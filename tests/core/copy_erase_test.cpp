// The copy and the erase on the wire (flags, addresses, pauses, acknowledgement, polling) and
// against the simulated programmer (what ends up on the chips), with the faults the follower
// guards against.
#include <gmock/gmock.h>

#include <algorithm>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/operation_log.h"
#include "dialog_fixture.h"
#include "link/replies.h"

namespace norvik {
namespace {

namespace ids = app::ids;
using ::testing::ElementsAre;

std::optional<link::Packet> report(std::uint8_t percent, std::uint8_t status = 1) {
  return link::progress::build(percent, status);
}

std::vector<std::string> labelTexts(const testing::MemoryHost& host, int id) {
  return host.textHistory(id);
}

class JobWireTest : public testing::DialogTest {
 protected:
  void SetUp() override {
    dlg.OnInitDialog();
    log.clear();
    host.clearRecord();
  }
};

TEST_F(JobWireTest, CopySendsItsOwnFlagsWaitsForAWholeReportAndFollowsEveryTwoHundredMs) {
  host.setChecked(ids::kCopySpare, true);  // the probe's flag only
  host.setChecked(ids::kCopySkipBad, true);
  host.click(ids::kCe1);
  host.setText(ids::kCopyStart, "800");
  host.setText(ids::kCopyLength, "20000");
  host.setText(ids::kCopyStartB, "1234");  // not read by the copy
  backend.opReplies = {
      report(0, 0),                // refused: the pair goes again
      report(5, 1),                // accepted; byte 2 is not compared with the command
      report(20),   report(40),    // cycle 1: the bar takes 40
      std::nullopt, std::nullopt,  // cycle 2: nothing arrives, the label still shows 40
      report(100),  std::nullopt,  // cycle 3: the first read brings the end
  };
  dlg.OnCopy();

  const std::string setup = "W 3 16 1000 16 AA550707000800000000020050AA5500";
  const std::string go = "W 3 16 1000 16 AA550710000800000000020050AA5500";
  auto all = log.events();
  auto at = std::find(all.begin(), all.end(), setup);
  ASSERT_NE(at, all.end());
  EXPECT_EQ(*(at - 1), "P 5");
  const std::vector<std::string> ev(at, all.end());
  EXPECT_THAT(ev, ElementsAre(setup, "P 20", go, "R 2 16 1000 16 32550000AA5500000000000000000000",
                              setup, "P 20", go, "R 2 16 1000 16 32550501AA5500000000000000000000",
                              "P 200", "R 2 16 1000 16 32551401AA5500000000000000000000",
                              "R 2 16 1000 16 32552801AA5500000000000000000000", "P 200",
                              "R 2 16 1000 0 ", "R 2 16 1000 0 ", "P 200",
                              "R 2 16 1000 16 32556401AA5500000000000000000000", "R 2 16 1000 0 "));
  EXPECT_THAT(labelTexts(host, ids::kCopyPercent),
              ElementsAre("40％", "40％", "100％", app::kTextCopyDone));
  auto calls = host.calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "pos 1030 40"), calls.end());
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "pos 1030 100"), 0)
      << "the end came by the first read: the bar moves only on the second";
  EXPECT_EQ(host.bar(ids::kCopyBar).pos, 0);
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  const std::string& text = state.log.text();
  EXPECT_NE(text.find("开始拷贝"), std::string::npos);
  EXPECT_NE(text.find("拷贝成功！！"), std::string::npos);
}

TEST_F(JobWireTest, EraseSendsAllSixBitsPausesTwentyTwiceAndTakesTheCountFromTheLastReport) {
  host.setChecked(ids::kCopySpare, true);
  host.setChecked(ids::kCopySkipBad, true);
  host.click(ids::kSelectA);
  host.click(ids::kCe1);  // not read by the erase
  host.setText(ids::kEraseStart, "800");
  host.setText(ids::kEraseLength, "20000 40000");  // the first number is the length
  backend.opReplies = {report(0), report(30), report(60), report(60), report(100, 7)};
  const std::string logBefore = state.log.text();
  dlg.OnErase();

  const std::string setup = "W 3 16 1000 16 AA550808000800000000020031AA5500";
  const std::string go = "W 3 16 1000 16 AA550810000800000000020031AA5500";
  EXPECT_THAT(
      eventsFrom(setup),
      ElementsAre(setup, "P 20", go, "P 20", "R 2 16 1000 16 32550001AA5500000000000000000000",
                  "P 100", "R 2 16 1000 16 32551E01AA5500000000000000000000",
                  "R 2 16 1000 16 32553C01AA5500000000000000000000", "P 100",
                  "R 2 16 1000 16 32553C01AA5500000000000000000000",
                  "R 2 16 1000 16 32556407AA5500000000000000000000"));
  EXPECT_THAT(testing::Rig::texts(host.messages()), ElementsAre("检测到坏块数:7"));
  EXPECT_EQ(dlg.lastBadBlockCount(), 7);
  // The bar goes back and the label changes only after the count was shown.
  auto calls = host.calls();
  auto shown = std::find(calls.begin(), calls.end(), "messageBox 检测到坏块数:7");
  EXPECT_NE(std::find(shown, calls.end(), "pos 1038 0"), calls.end());
  EXPECT_EQ(host.text(ids::kErasePercent), app::kTextEraseDone);
  EXPECT_EQ(state.log.text().substr(logBefore.size()),
            app::formatStamp(state.log.logTime(), app::kLineEraseDone))
      << "the success line is the erase's only log line";
}

TEST_F(JobWireTest, EraseAcknowledgedAtOneHundredDoesNotPollAndCountsFromTheAcknowledgement) {
  host.click(ids::kSelectB);
  host.setText(ids::kEraseStart, "0");
  host.setText(ids::kEraseLength, "1000");
  backend.opReplies = {report(100, 0)};  // status 0 here is also the count
  backend.ackStatus = 0;
  dlg.OnErase();
  // A zero status refuses the pair: it goes again until a non-zero one arrives.
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::NoAcknowledge);
  log.clear();
  host.clearRecord();
  backend.opReplies = {report(100, 4)};
  dlg.OnErase();
  auto ev = log.events();
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "P 100"), 0);
  EXPECT_EQ(dlg.lastBadBlockCount(), 4);
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
}

TEST_F(JobWireTest, EmptyOrZeroLengthsAreRefusedBeforeAnyTraffic) {
  for (const char* length : {"0", "", "xyz"}) {
    host.setText(ids::kCopyLength, length);
    dlg.OnCopy();
    host.setText(ids::kEraseLength, length);
    dlg.OnErase();
  }
  EXPECT_TRUE(log.events().empty());
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgEnterCopyLength, app::kMsgEnterEraseLength,
                                          app::kMsgEnterCopyLength, app::kMsgEnterEraseLength,
                                          app::kMsgEnterCopyLength, app::kMsgEnterEraseLength));
}

TEST_F(JobWireTest, TheChosenSocketsOwnChipDecidesEvenWhenTheOtherSocketIsEmpty) {
  backend.autoIdA = "EC000000";  // not in the catalogue
  backend.autoIdB = "FFFFFFFF";  // empty
  dlg.OnRefreshDevice();
  host.clearRecord();
  host.click(ids::kSelectA);
  host.setText(ids::kEraseLength, "20000");
  dlg.OnErase();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgCheckSocketA));
  EXPECT_TRUE(eventsFrom("W 3 16 1000 16 AA550808000000000000020020AA5500").empty());
}

// ---- against the simulated programmer --------------------------------------------------------

class JobRoundTripTest : public ::testing::Test {
 protected:
  explicit JobRoundTripTest(sim::SimConfig config = sim::SimConfig::defaults())
      : rig(testing::RigOptions{.simulator = config, .catalogue = true, .subfolder = ""}) {
    dlg.InitControlsAndConfig();
    dlg.LookUpChips();
  }
  void programA(const std::string& image) {
    rig.write("image.bin", image);
    host.click(ids::kSelectA);
    host.setChecked(ids::kProgramSpare, true);
    host.setText(ids::kProgramStart, "0");
    host.queueFileAnswer(rig.file("image.bin"));
    dlg.OnOpenFile();
    dlg.OnProgram();
    ASSERT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  }
  std::string readBack(int socketRadio, const std::string& length) {
    host.click(socketRadio);
    host.setChecked(ids::kReadSpare, true);
    host.setText(ids::kReadStart, "0");
    host.setText(ids::kReadLength, length);
    host.queueFileAnswer(rig.file("back.bin"));
    dlg.OnRead();
    return rig.read("back.bin");
  }
  void copy(const std::string& length, std::stop_token stop = {}) {
    host.setText(ids::kCopyStart, "0");
    host.setText(ids::kCopyLength, length);
    dlg.OnCopy(stop);
  }

  testing::Rig rig;
  testing::MemoryHost& host = rig.host;
  app::CProgrammerDlg& dlg = rig.dlg();
};

TEST_F(JobRoundTripTest, CopyPutsSocketAsPagesMainAndSpareIntoSocketB) {
  const std::string image = testing::randomImage(std::size_t{20} * 8448, 21);  // 80 pages
  programA(image);
  copy("28000");  // 80 pages of 2048 main bytes
  ASSERT_EQ(rig.messageTexts(), std::vector<std::string>{});
  EXPECT_EQ(host.text(ids::kCopyPercent), app::kTextCopyDone);
  EXPECT_EQ(readBack(ids::kSelectB, "28000"), image);
}

class StallingJobTest : public JobRoundTripTest {
 protected:
  static sim::SimConfig stalling() {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.faults.stallAtPercent = 30;
    return c;
  }
  StallingJobTest() : JobRoundTripTest(stalling()) {}
};

TEST_F(StallingJobTest, AProgrammerThatStopsReportingEndsTheCopyWithoutSuccess) {
  copy("400000");
  EXPECT_THAT(rig.messageTexts(), ElementsAre(app::kMsgCopyNoAnswer));
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::NoAnswer);
  EXPECT_NE(host.text(ids::kCopyPercent), app::kTextCopyDone);
  EXPECT_EQ(rig.state().log.text().find("拷贝成功"), std::string::npos);
  EXPECT_LT(rig.clock.inner().monotonicMs(), 60'000.0) << "the wait is bounded";
}

class FakeEndJobTest : public JobRoundTripTest {
 protected:
  static sim::SimConfig fakeEnds() {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.faults.shortDoneReport = true;
    c.faults.wrongMarkDoneReport = true;
    return c;
  }
  FakeEndJobTest() : JobRoundTripTest(fakeEnds()) {}
};

TEST_F(FakeEndJobTest, OnlyAWholeReportOfOneHundredEndsTheJob) {
  const std::string image = testing::randomImage(std::size_t{64} * 8448, 22);
  programA(image);
  copy("80000");
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  ASSERT_TRUE(rig.simulator().lastJob());
  EXPECT_TRUE(rig.simulator().lastJob()->finished) << "success was declared before the end";
  EXPECT_EQ(readBack(ids::kSelectB, "80000"), image);
}

TEST_F(JobRoundTripTest, EraseLeavesTheRangeErasedAndCountsItsBadBlocks) {
  // Socket B's factory bad block 101 lies in blocks 100..103.
  host.click(ids::kSelectB);
  host.setChecked(ids::kProgramSpare, false);
  host.setText(ids::kProgramStart, "0");
  rig.write("image.bin", testing::randomImage(std::size_t{128} * 8192 * 4, 23));
  host.queueFileAnswer(rig.file("image.bin"));
  dlg.OnOpenFile();
  dlg.OnProgram();
  host.setText(ids::kEraseStart, "C80000");  // block 100
  host.setText(ids::kEraseLength, "80000");  // four blocks
  dlg.OnErase();
  EXPECT_THAT(rig.messageTexts(), ElementsAre("检测到坏块数:1"));
  host.click(ids::kSelectB);
  host.setChecked(ids::kReadSpare, false);
  host.setText(ids::kReadStart, "C80000");
  host.setText(ids::kReadLength, "20000");
  host.queueFileAnswer(rig.file("erased.bin"));
  dlg.OnRead();
  EXPECT_EQ(rig.read("erased.bin"), std::string(0x20000, '\xFF'));
}

TEST_F(JobRoundTripTest, AnExitDuringTheCopyStopsFollowingItAndSaysItGoesOn) {
  rig.clock.stopAfter = rig.clock.pauses() + 3 * 4 + 1 + 1 + 2;  // into the polling
  copy("400000", rig.clock.stop.get_token());
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Stopped);
  EXPECT_TRUE(rig.messageTexts().empty());
  EXPECT_NE(rig.state().log.text().find("编程器内的操作仍在继续"), std::string::npos);
  EXPECT_EQ(rig.state().log.text().find("拷贝成功"), std::string::npos);
}

}  // namespace
}  // namespace norvik
