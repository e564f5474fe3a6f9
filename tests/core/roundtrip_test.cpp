// The dialog's handlers against the simulated programmer: what is programmed reads back, with
// and without the spare area; an exit mid-stream stops at once; long paths work.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/device_link.h"
#include "sim/simulated_programmer.h"
#include "test_support.h"

namespace norvik {
namespace {

namespace ids = app::ids;

class RoundTripTest : public ::testing::Test {
 protected:
  explicit RoundTripTest(const std::string& subdir = "")
      : rig(testing::RigOptions{
            .simulator = sim::SimConfig::defaults(), .catalogue = true, .subfolder = subdir}) {
    dlg.InitControlsAndConfig();
    dlg.LookUpChips();
  }
  void program(const std::string& name, bool spare, bool socketA) {
    host.click(socketA ? ids::kSelectA : ids::kSelectB);
    host.setChecked(ids::kProgramSpare, spare);
    host.setText(ids::kProgramStart, "0");
    host.queueFileAnswer(work + "/" + name);
    dlg.OnOpenFile();
    dlg.OnProgram(clock.stop.get_token());
  }
  void read(const std::string& name, bool spare, const std::string& length) {
    host.setChecked(ids::kReadSpare, spare);
    host.setText(ids::kReadStart, "0");
    host.setText(ids::kReadLength, length);
    host.queueFileAnswer(work + "/" + name);
    dlg.OnRead(clock.stop.get_token());
  }
  std::string file(const std::string& name) { return rig.read(name); }
  void put(const std::string& name, const std::string& bytes) { rig.write(name, bytes); }

  testing::Rig rig;
  std::string& work = rig.work;
  testing::RecordingClock& clock = rig.clock;
  testing::MemoryHost& host = rig.host;
  app::ProgrammerState& state = rig.state();
  app::CProgrammerDlg& dlg = rig.dlg();
};

TEST_F(RoundTripTest, ImageReadsBackWithoutSpare) {
  const std::string image = testing::randomImage(5 * 8192 + 333, 7);
  put("image.bin", image);
  program("image.bin", false, false);
  ASSERT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  read("back.bin", false, "A14D");
  ASSERT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  const std::string back = file("back.bin");
  ASSERT_EQ(back.size(), 6u * 8192u);
  EXPECT_EQ(back.substr(0, image.size()), image);
  EXPECT_EQ(back.substr(image.size()), std::string(back.size() - image.size(), '\xFF'));
}

TEST_F(RoundTripTest, ImageReadWithSpareProgramsBackByteForByte) {
  const std::string image = testing::randomImage(std::size_t{4} * 8448, 8);
  put("image.bin", image);
  program("image.bin", true, true);
  read("back.bin", true, "8000");
  EXPECT_EQ(file("back.bin"), image);
  // What was read with spare programs into the other socket and reads back unchanged.
  program("back.bin", true, false);
  read("again.bin", true, "8000");
  EXPECT_EQ(file("again.bin"), image);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(RoundTripTest, ExitDuringAReadStopsItAndKeepsWhatWasWritten) {
  put("image.bin", testing::randomImage(std::size_t{64} * 8192, 9));
  program("image.bin", false, true);
  // Three probes (4 pauses each), 5 ms, the pair (2), then two pauses per unit: stop at unit 10.
  clock.stopAfter = clock.pauses() + 3 * 4 + 1 + 2 + 2 * 10;
  read("back.bin", false, "80000");
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Stopped);
  EXPECT_FALSE(state.readFile.isOpen());
  const auto size = std::filesystem::file_size(work + "/back.bin");
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 64u * 8192u);
  EXPECT_EQ(size % 8192, 0u);
  EXPECT_EQ(state.log.text().find("上载成功"), std::string::npos);
  EXPECT_NE(state.log.text().find("操作已停止（退出）"), std::string::npos) << "the stop is logged";
  EXPECT_TRUE(host.messages().empty()) << "an exit is not an error to report";
}

class LongPathTest : public RoundTripTest {
 protected:
  LongPathTest() : RoundTripTest(std::string(60, 'a') + "/" + std::string(60, 'b') + "/工作") {}
};

TEST_F(LongPathTest, SystemFilesWorkInAFolderWithAPathOfAnyLength) {
  ASSERT_GT(work.size(), 150u);
  EXPECT_EQ(state.chips.socketA.deviceName, "K9F1G08U0B") << "the catalogue is found";
  put("image.bin", testing::randomImage(8192, 10));
  program("image.bin", false, true);
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  EXPECT_TRUE(dlg.OnCancel());
  EXPECT_GT(file("systemlog.log").size(), 73u);
}

}  // namespace
}  // namespace norvik
