// The chip self-test against the simulated programmer: its verdict compares everything it
// programmed with everything it read back, and it leaves test mode and its files closed on every
// path.
#include <gmock/gmock.h>

#include <filesystem>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "test_support.h"

namespace norvik {
namespace {

namespace ids = app::ids;
using ::testing::ElementsAre;

// The confirmation, naming socket B (the fixture's socket).
const std::string kConfirmB =
    std::string(app::kMsgChipTestConfirm) + "\n被测试的芯片：座子B（子片）";

// 6 MiB of a printable pattern, as the working folder's test.bin.
std::string testImage() {
  std::string s(0x600000, '\0');
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<char>('A' + (i * 7 + i / 4096) % 26);
  return s;
}

class ChipTestTest : public ::testing::Test {
 protected:
  explicit ChipTestTest(sim::SimConfig config = sim::SimConfig::defaults())
      : rig(testing::RigOptions{.simulator = config, .catalogue = true, .subfolder = ""}) {
    dlg.InitControlsAndConfig();
    dlg.LookUpChips();
    host.click(ids::kSelectB);  // socket B's bad block lies past the test's 6 MiB
    rig.write("test.bin", testImage());
    host.clearRecord();
  }
  void expectCleanEnd() {
    EXPECT_FALSE(host.isChecked(ids::kTestMode));
    EXPECT_FALSE(rig.state().imageFile.isOpen());
    EXPECT_FALSE(rig.state().readFile.isOpen());
  }

  testing::Rig rig;
  testing::MemoryHost& host = rig.host;
  app::CProgrammerDlg& dlg = rig.dlg();
};

TEST_F(ChipTestTest, ProgramsReadsBackAndPasses) {
  dlg.OnChipTest();
  EXPECT_THAT(rig.messageTexts(), ElementsAre(kConfirmB, app::kMsgTestPassed));
  EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::OkCancel);
  EXPECT_EQ(host.messages()[0].caption, "");
  EXPECT_EQ(rig.read("test1.bin").substr(0, 0x600000), testImage());
  const std::string& text = rig.state().log.text();
  EXPECT_NE(text.find("下载成功！！"), std::string::npos);
  EXPECT_NE(text.find("上载成功！！"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - std::string("测试成功！！").size()), "测试成功！！");
  expectCleanEnd();
  host.clearRecord();
  dlg.OnProgram();
  EXPECT_THAT(rig.messageTexts(), ElementsAre(app::kMsgOpenImage)) << "the test's image is gone";
}

TEST_F(ChipTestTest, DeclinedChangesNothing) {
  host.queueMessageAnswer(app::kIdCancel);
  rig.log.clear();
  dlg.OnChipTest();
  EXPECT_TRUE(rig.log.events().empty());
  EXPECT_NE(host.text(ids::kReadLength), "600000");
  EXPECT_FALSE(std::filesystem::exists(rig.file("test1.bin")));
}

TEST_F(ChipTestTest, AMissingTestImageIsNamedAndNothingIsSent) {
  std::filesystem::remove(rig.file("test.bin"));
  rig.log.clear();
  dlg.OnChipTest();
  ASSERT_EQ(rig.messageTexts().size(), 2u);
  EXPECT_EQ(rig.messageTexts()[1], std::string(app::kMsgTestImageMissing) + rig.file("test.bin"));
  EXPECT_TRUE(rig.log.events().empty());
  expectCleanEnd();
}

TEST_F(ChipTestTest, AnExitDuringTheTestLeavesTestModeAndTheFilesClosed) {
  rig.clock.stopAfter = rig.clock.pauses() + 4 + 3 * 4 + 2 + 100;  // inside the program stream
  dlg.OnChipTest(rig.clock.stop.get_token());
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Stopped);
  EXPECT_THAT(rig.messageTexts(), ElementsAre(kConfirmB));
  expectCleanEnd();
}

class WeakPageChipTest : public ChipTestTest {
 protected:
  static sim::SimConfig weak() {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.socketB.weakPage = 300;
    return c;
  }
  WeakPageChipTest() : ChipTestTest(weak()) {}
};

TEST_F(WeakPageChipTest, OneFlippedBitFailsEvenBehindALeadingZeroByte) {
  std::string image = testImage();
  image[0] = '\0';  // the whole range counts, not a text up to its first zero byte
  rig.write("test.bin", image);
  dlg.OnChipTest();
  // Page 300 is the 45th page of block 4; with the spare area on, the file offset counts
  // 2112-byte pages and the unit of four pages starting at page 44 holds it.
  EXPECT_THAT(
      rig.messageTexts(),
      ElementsAre(kConfirmB,
                  "  测试不正常\n第一个不同的字节在文件偏移 0x9AB00（芯片地址 0x96000，第 4 "
                  "块第 44 页起的一个传输单元）\n没有勾选“跳过坏块”：那里若是坏块，数据写不"
                  "进去，读回的也会不同。勾选“跳过坏块”（命令行 --skip-bad）可以避开坏块"));
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::TestFailed);
  const std::string& text = rig.state().log.text();
  EXPECT_EQ(text.substr(text.size() - std::string("  测试失败！！").size()), "  测试失败！！");
  expectCleanEnd();
}

class BadBlockChipTest : public ChipTestTest {
 protected:
  static sim::SimConfig badBlockInRange() {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.socketB.badBlocks = {3};  // inside the first 6 MiB
    return c;
  }
  BadBlockChipTest() : ChipTestTest(badBlockInRange()) {}
};

TEST_F(ChipTestTest, TheDefaultChipsPassOnEitherSocket) {
  for (const int socket : {ids::kSelectA, ids::kSelectB}) {
    host.click(socket);
    dlg.OnChipTest();
    EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded) << socket;
  }
}

TEST_F(BadBlockChipTest, ABadBlockInsideTheRangeWithoutSkippingFailsNamingTheBlock) {
  dlg.OnChipTest();
  ASSERT_EQ(rig.messageTexts().size(), 2u);
  EXPECT_EQ(rig.messageTexts()[1].rfind("  测试不正常\n", 0), 0u);
  EXPECT_NE(rig.messageTexts()[1].find("第 3 块第 0 页"), std::string::npos);
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::TestFailed);
  host.setChecked(ids::kProgramSkipBad, true);
  host.setChecked(ids::kReadSkipBad, true);
  host.clearRecord();
  dlg.OnChipTest();
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded) << "skipping passes over the bad block";
}

class EmptySocketChipTest : public ChipTestTest {
 protected:
  static sim::SimConfig emptyB() {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.socketB.empty = true;
    return c;
  }
  EmptySocketChipTest() : ChipTestTest(emptyB()) {}
};

TEST_F(EmptySocketChipTest, RefusedStepsNeverPassWhateverTest1HoldsFromBefore) {
  rig.write("test1.bin", testImage());  // a matching read-back from an earlier run
  dlg.OnChipTest();
  // The program step's refusal is the test's reason: the read step is not tried after it.
  EXPECT_THAT(rig.messageTexts(), ElementsAre(kConfirmB, "请确认座子B上芯片放置完好",
                                              "  测试不正常\n解扣（写入）步骤没有完成，无法比较"));
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::SocketUnusable);
  expectCleanEnd();
}

}  // namespace
}  // namespace norvik
