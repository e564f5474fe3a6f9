// The dialog's handlers against the simulated programmer: what is programmed reads back, with
// and without the spare area; an exit mid-stream stops at once; long paths work.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "app/dialog_template.h"
#include "app/memory_host.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/device_link.h"
#include "sim/simulated_programmer.h"
#include "test_support.h"

namespace norvik {
namespace {

namespace ids = app::ids;

// Virtual time that asks the running operation to stop after a number of pauses.
class StoppingClock final : public Clock {
 public:
  void sleepMs(int ms) override {
    if (++pauses_ == stopAfter) stop.request_stop();
    inner_.sleepMs(ms);
  }
  double monotonicMs() override { return inner_.monotonicMs(); }
  std::time_t wallNow() override { return inner_.wallNow(); }
  int pauses() const { return pauses_; }
  int stopAfter = -1;
  std::stop_source stop;

 private:
  int pauses_ = 0;
  VirtualClock inner_;
};

class RoundTripTest : public ::testing::Test {
 protected:
  explicit RoundTripTest(const std::string& subdir = "")
      : work(subdir.empty() ? dir.path() : dir.file(subdir)) {
    std::filesystem::create_directories(work);
    std::filesystem::copy(std::string(NORVIK_SOURCE_DIR) + "/nand_lib", work + "/nand_lib");
    dlg.InitControlsAndConfig();
    dlg.LookUpChips();
  }

  std::string randomImage(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
  }
  void program(const std::string& name, bool spare, bool socketA) {
    host.setChecked(socketA ? ids::kSelectA : ids::kSelectB, true);
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
  std::string file(const std::string& name) {
    std::ifstream in(work + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void put(const std::string& name, const std::string& bytes) {
    std::ofstream(work + "/" + name, std::ios::binary) << bytes;
  }

  testing::TempDir dir;
  std::string work;
  StoppingClock clock;
  sim::SimulatedProgrammer programmer{sim::SimConfig::defaults(), clock};
  link::DeviceLink link{programmer, clock};
  app::MemoryHost host;
  app::ProgrammerState state;
  app::CProgrammerDlg dlg{host, link, state, [this] { return work; }};
};

TEST_F(RoundTripTest, ImageReadsBackWithoutSpare) {
  const std::string image = randomImage(5 * 8192 + 333, 7);
  put("image.bin", image);
  program("image.bin", false, false);
  ASSERT_EQ(dlg.lastResult(), app::OperationResult::Succeeded);
  read("back.bin", false, "A14D");
  ASSERT_EQ(dlg.lastResult(), app::OperationResult::Succeeded);
  const std::string back = file("back.bin");
  ASSERT_EQ(back.size(), 6u * 8192u);
  EXPECT_EQ(back.substr(0, image.size()), image);
  EXPECT_EQ(back.substr(image.size()), std::string(back.size() - image.size(), '\xFF'));
}

TEST_F(RoundTripTest, ImageReadWithSpareProgramsBackByteForByte) {
  const std::string image = randomImage(4 * 8448, 8);
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
  put("image.bin", randomImage(64 * 8192, 9));
  program("image.bin", false, true);
  // Three probes (4 pauses each), 5 ms, the pair (2), then two pauses per unit: stop at unit 10.
  clock.stopAfter = clock.pauses() + 3 * 4 + 1 + 2 + 2 * 10;
  read("back.bin", false, "80000");
  EXPECT_EQ(dlg.lastResult(), app::OperationResult::Stopped);
  EXPECT_FALSE(state.readFile.isOpen());
  const auto size = std::filesystem::file_size(work + "/back.bin");
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 64u * 8192u);
  EXPECT_EQ(size % 8192, 0u);
  EXPECT_EQ(state.log.text().find("上载成功"), std::string::npos);
  EXPECT_TRUE(host.messages().empty()) << "an exit is not an error to report";
}

class LongPathTest : public RoundTripTest {
 protected:
  LongPathTest() : RoundTripTest(std::string(60, 'a') + "/" + std::string(60, 'b') + "/工作") {}
};

TEST_F(LongPathTest, SystemFilesWorkInAFolderWithAPathOfAnyLength) {
  ASSERT_GT(work.size(), 150u);
  EXPECT_EQ(state.chips.socketA.deviceName, "K9F1G08U0B") << "the catalogue is found";
  put("image.bin", randomImage(8192, 10));
  program("image.bin", false, true);
  EXPECT_EQ(dlg.lastResult(), app::OperationResult::Succeeded);
  EXPECT_TRUE(dlg.OnCancel());
  EXPECT_GT(file("systemlog.log").size(), 73u);
}

}  // namespace
}  // namespace norvik
