// Results that are true: a range past the end of the chip is refused before anything is started,
// a read whose output another program cuts short fails, and each self-test step that does not
// finish keeps its own reason.
#include <gmock/gmock.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "app/dialog_template.h"
#include "test_support.h"

namespace norvik {
namespace {

namespace ids = app::ids;

class SimulatedDialog : public ::testing::Test {
 protected:
  explicit SimulatedDialog(sim::SimConfig config = sim::SimConfig::defaults())
      : rig(testing::RigOptions{.simulator = config, .catalogue = true, .subfolder = ""}) {
    dlg.InitControlsAndConfig();
    dlg.LookUpChips();
    host.click(ids::kSelectA);  // K9F1G08U0B: 128 MiB
    host.clearRecord();
    rig.log.clear();
  }
  // Operation packets (AA 55 ...) sent on the command endpoint.
  int operationPackets() const {
    int n = 0;
    for (const std::string& e : rig.log.events()) n += e.rfind("W 3 16 1000 16 AA55", 0) == 0;
    return n;
  }

  testing::Rig rig;
  testing::MemoryHost& host = rig.host;
  app::CProgrammerDlg& dlg = rig.dlg();
};

TEST_F(SimulatedDialog, ARangePastTheEndOfTheChipIsRefusedBeforeTheOperationStarts) {
  const std::string size = "容量为 0x8000000 字节（128 MiB）";
  rig.write("image.bin", std::string(0x20000, 'x'));
  host.queueFileAnswer(rig.file("image.bin"));
  dlg.OnOpenFile();
  host.setChecked(ids::kProgramSpare, false);
  host.setText(ids::kProgramStart, "7FF0000");
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "7FFFFFFF");
  host.setText(ids::kCopyStart, "7FF0000");
  host.setText(ids::kCopyLength, "20000");
  host.setText(ids::kEraseStart, "8000000");
  host.setText(ids::kEraseLength, "20000");
  host.queueFileAnswer(rig.file("out.bin"));
  const std::function<void()> operations[] = {
      [this] { dlg.OnProgram({}); },
      [this] { dlg.OnRead({}); },
      [this] { dlg.OnCopy({}); },
      [this] { dlg.OnErase({}); },
  };
  for (const std::function<void()>& operation : operations) {
    operation();
    EXPECT_EQ(dlg.lastOutcome(), app::Outcome::BadInput);
  }
  const std::vector<std::string> texts = rig.messageTexts();
  ASSERT_EQ(texts.size(), 4u);
  for (const std::string& text : texts) {
    EXPECT_NE(text.find("座子A的芯片 K9F1G08U0B " + size), std::string::npos) << text;
  }
  EXPECT_NE(texts[3].find("起始地址 0x8000000 加长度 0x20000"), std::string::npos);
  EXPECT_EQ(operationPackets(), 0);
  EXPECT_FALSE(std::filesystem::exists(rig.file("out.bin"))) << "the refused read made no file";

  // A range that ends exactly at the end of the chip goes ahead.
  host.setText(ids::kEraseStart, "7FE0000");
  dlg.OnErase({});
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
}

TEST_F(SimulatedDialog, AReadWhoseOutputIsCutShortMeanwhileFails) {
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "100000");  // 128 units
  host.queueFileAnswer(rig.file("out.bin"));
  bool cut = false;
  rig.clock.onPause = [&](int) {
    // Another program empties the file once the stream is well under way.
    if (!cut && std::filesystem::exists(rig.file("out.bin")) &&
        std::filesystem::file_size(rig.file("out.bin")) > 0x40000) {
      cut = ::truncate(rig.file("out.bin").c_str(), 0) == 0;
    }
  };
  dlg.OnRead({});
  ASSERT_TRUE(cut);
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::FileUnusable);
  EXPECT_THAT(
      rig.messageTexts(),
      ::testing::ElementsAre("上载的文件被其他程序改短了（文件比已写入的数据短），上载失败：" +
                             rig.file("out.bin")));
  EXPECT_EQ(rig.state().log.text().find("上载成功"), std::string::npos);
}

// 6 MiB of a pattern, as test.bin.
std::string testImage() {
  std::string s(0x600000, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i % 23);
  return s;
}

TEST(SelfTestReasons, EachStepThatDoesNotFinishKeepsItsReason) {
  struct Case {
    const char* what;
    sim::SimConfig config;
    std::string testBin;
    bool test1IsAFolder;
    app::Outcome expected;
  };
  sim::SimConfig shortTransfer = sim::SimConfig::defaults();
  shortTransfer.faults.shortTransferAtUnit = 3;
  sim::SimConfig refusing = sim::SimConfig::defaults();
  refusing.faults.refuseCycles = 1'000'000;
  const Case cases[] = {
      {"failed transfer", shortTransfer, testImage(), false, app::Outcome::TransferFailed},
      {"refused pair", refusing, testImage(), false, app::Outcome::NoAcknowledge},
      {"test1.bin unusable", sim::SimConfig::defaults(), testImage(), true,
       app::Outcome::FileUnusable},
      {"empty test.bin", sim::SimConfig::defaults(), "", false, app::Outcome::FileUnusable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::Rig rig(
        testing::RigOptions{.simulator = c.config, .catalogue = true, .subfolder = ""});
    rig.dlg().InitControlsAndConfig();
    rig.dlg().LookUpChips();
    rig.host.click(ids::kSelectB);
    rig.write("test.bin", c.testBin);
    if (c.test1IsAFolder) std::filesystem::create_directories(rig.file("test1.bin/x"));
    rig.host.clearRecord();
    rig.dlg().OnChipTest();
    EXPECT_EQ(rig.dlg().lastOutcome(), c.expected);
    const std::vector<std::string> texts = rig.messageTexts();
    ASSERT_FALSE(texts.empty());
    if (c.testBin.empty()) {
      EXPECT_EQ(texts.back(),
                "芯片测试文件 test.bin 是空的，没有可比较的数据：" + rig.file("test.bin"));
    } else {
      EXPECT_EQ(texts.back().rfind("  测试不正常\n", 0), 0u) << texts.back();
      EXPECT_GE(texts.size(), 3u) << "the step's own message comes before the verdict";
    }
  }
}

}  // namespace
}  // namespace norvik
