// Programming and reading on the wire: the command pairs, transfer units, progress, test mode,
// and the faults the operations guard against.
#include <gmock/gmock.h>
#include <sys/resource.h>

#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "app/device_executor.h"
#include "app/messages.h"
#include "dialog_fixture.h"
#include "files/file_object.h"

namespace norvik {
namespace {

namespace ids = app::ids;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class TransferTest : public testing::DialogTest {
 protected:
  void SetUp() override {
    dlg.OnInitDialog();
    host.click(ids::kSelectA);
    log.clear();
    host.clearRecord();
  }

  void openImage(const std::string& bytes) {
    dir.write("image.bin", bytes);
    host.queueFileAnswer(dir.file("image.bin"));
    dlg.OnOpenFile();
    ASSERT_TRUE(state.imageFile.isOpen());
  }
  void openImageOfSize(std::uint64_t size) {
    { std::ofstream(dir.file("image.bin")); }
    std::filesystem::resize_file(dir.file("image.bin"), size);
    host.queueFileAnswer(dir.file("image.bin"));
    dlg.OnOpenFile();
    ASSERT_TRUE(state.imageFile.isOpen());
  }
  // A catalogue entry for socket A's chip (ID ECF10095) with another geometry.
  void socketAChip(int page, int oob) {
    dir.write("nand_lib/samsung.ini",
              "[INFO]\nNumOfDevice=1\n[deviceName1]\nDeviceID=ECF10095\nDevicePage=" +
                  std::to_string(page) + "\nDeviceOob=" + std::to_string(oob) +
                  "\nDeviceBlock=128\nDeviceAddr=5\nDeviceLens=80000000\nDeviceName=BIG\n");
    dlg.OnRefreshDevice();
    log.clear();
    host.clearRecord();
  }
  std::vector<std::string> unitWrites() const {
    std::vector<std::string> out;
    for (const auto& e : log.events()) {
      if (e.rfind("W 1 ", 0) == 0) out.push_back(e);
    }
    return out;
  }
  void read(const std::string& start, const std::string& length) {
    host.setText(ids::kReadStart, start);
    host.setText(ids::kReadLength, length);
    host.queueFileAnswer(dir.file("out.bin"));
    dlg.OnRead();
  }
};

TEST_F(TransferTest, ProgramPairPausesOneThenTwentyAndReadsTwice) {
  openImage(std::string(100, 'a'));
  host.setText(ids::kProgramStart, "800");
  host.setChecked(ids::kProgramSpare, false);
  host.setChecked(ids::kCe1, true);
  host.setChecked(ids::kProgramSkipBad, true);
  // First cycle: a refusal (status 0); second: wrong markers with a non-zero status; third: ok.
  backend.opReplies = {
      testing::packetFromHex("AA550500AA55"), testing::packetFromHex("AA550500AA55"),
      testing::packetFromHex("AA550501AA54"), testing::packetFromHex("AA550501AA54"),
      testing::packetFromHex("000000000000"), testing::packetFromHex("AA550507AA55")};
  dlg.OnProgram();
  const std::string setup = "W 3 16 1000 16 AA550505000800006400000070AA5500";
  const std::string go = "W 3 16 1000 16 AA550510000800006400000070AA5500";
  auto ev = eventsFrom(setup);
  ASSERT_GE(ev.size(), 18u);
  const std::vector<std::string> cycle = {setup, "P 1", go, "P 20"};
  for (int c = 0; c < 3; ++c) {
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(ev[static_cast<size_t>(c * 6 + k)], cycle[static_cast<size_t>(k)]);
  }
  EXPECT_EQ(ev[4], "R 2 16 1000 16 AA550500AA5500000000000000000000");
  EXPECT_EQ(ev[11], "R 2 16 1000 16 AA550501AA5400000000000000000000");
  EXPECT_EQ(ev[16], "R 2 16 1000 16 00000000000000000000000000000000");
  EXPECT_EQ(ev[17], "R 2 16 1000 16 AA550507AA5500000000000000000000") << "the later read wins";
  EXPECT_EQ(ev[18].substr(0, 20), "W 1 8192 1000 8192 6");
  EXPECT_EQ(ev[19], "P 1");
  EXPECT_EQ(host.text(ids::kProgramLength), "64");
}

TEST_F(TransferTest, AcknowledgementMustEchoTheCommand) {
  openImage("x");
  host.setText(ids::kProgramStart, "0");
  backend.opReplies = {testing::packetFromHex("AA550601AA55"),
                       testing::packetFromHex("AA550601AA55")};
  dlg.OnProgram();
  auto ev = eventsFrom("W 3 16 1000 16 AA550505000000000100000021AA5500");
  EXPECT_EQ(std::count_if(
                ev.begin(), ev.end(),
                [](const std::string& e) { return e.rfind("W 3 16 1000 16 AA550510", 0) == 0; }),
            2)
      << "a read acknowledgement does not start a program";
}

TEST_F(TransferTest, ReadLogsBeforeItsPairWhichPausesTwentyAndTwenty) {
  host.setChecked(ids::kReadSpare, false);
  backend.autoData = true;
  read("0", "2000");
  const std::string setup = "W 3 16 1000 16 AA550606000000000020000020AA5500";
  auto ev = eventsFrom(setup);
  ASSERT_GE(ev.size(), 9u);
  EXPECT_THAT(std::vector<std::string>(ev.begin(), ev.begin() + 9),
              ElementsAre(setup, "P 20", "W 3 16 1000 16 AA550610000000000020000020AA5500", "P 20",
                          "R 2 16 1000 16 AA550601AA5500000000000000000000",
                          "R 2 16 1000 16 AA550601AA5500000000000000000000",
                          "R 0 8192 3000 8192 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A", "P 1", "P 1"));
  // The 5 ms pause and the start line precede the pair.
  auto all = log.events();
  auto at = std::find(all.begin(), all.end(), setup);
  ASSERT_NE(at, all.begin());
  EXPECT_EQ(*(at - 1), "P 5");
  EXPECT_EQ(dir.read("out.bin"), std::string(8192, '\x5A'));
  EXPECT_NE(state.log.text().find("开始上载数据"), std::string::npos);
  EXPECT_NE(state.log.text().find("上载成功！！"), std::string::npos);
}

TEST_F(TransferTest, UnitsAndWireLengthsFollowTheGeometry) {
  openImage(std::string(8193, 'b'));
  host.setText(ids::kProgramStart, "0");
  host.setChecked(ids::kProgramSpare, false);
  dlg.OnProgram();
  EXPECT_THAT(unitWrites(), ElementsAre("W 1 8192 1000 8192 62626262626262626262626262626262",
                                        "W 1 8192 1000 8192 62FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
  ASSERT_EQ(backend.dataOut.size(), 2u);
  EXPECT_EQ(backend.dataOut[1], [] {
    std::vector<unsigned char> v(8192, 0xFF);
    v[0] = 'b';
    return v;
  }()) << "past the image the unit carries the erased value, not the previous unit";

  log.clear();
  backend.dataOut.clear();
  host.setChecked(ids::kProgramSpare, true);
  dlg.OnProgram();
  EXPECT_THAT(unitWrites(), ElementsAre("W 1 8448 1000 8448 62626262626262626262626262626262"))
      << "4 pages of 2048 + 64";
  EXPECT_NE(eventsFrom("W 3 16 1000 16 AA550505000000000120000021AA5500").size(), 0u)
      << "the pair carries the file length";
}

TEST_F(TransferTest, StrideBelowTheWireLengthIsPaddedWithTheErasedValue) {
  socketAChip(8192, 744);  // 8936-byte units, 8960 on the wire
  openImage(std::string(8936, 'c') + std::string(8936, 'd'));
  host.setText(ids::kProgramStart, "0");
  host.setChecked(ids::kProgramSpare, true);
  dlg.OnProgram();
  ASSERT_EQ(backend.dataOut.size(), 2u);
  for (const auto& unit : backend.dataOut) {
    ASSERT_EQ(unit.size(), 8960u);
    EXPECT_EQ(std::count(unit.begin() + 8936, unit.end(), 0xFF), 24);
  }
  EXPECT_EQ(backend.dataOut[1][0], 'd');
}

TEST_F(TransferTest, ChipsTheUnitBufferCannotServeAreRefusedBeforeThePair) {
  socketAChip(16384, 1280);
  openImage("x");
  host.setText(ids::kProgramStart, "0");
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgUnsupportedGeometry));
  EXPECT_TRUE(eventsFrom("W 3 16 1000 16 AA550505000000000100000021AA5500").empty());

  socketAChip(8192, 1024);  // 9216-byte units
  host.setChecked(ids::kReadSpare, true);
  read("0", "2000");
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgUnsupportedGeometry));
  EXPECT_FALSE(state.readFile.isOpen());
  for (const auto& e : log.events()) EXPECT_EQ(e.find("AA5506"), std::string::npos) << e;
}

TEST_F(TransferTest, ProgressSteppsEverySixtyFourUnitsAndEndsAtZero) {
  openImageOfSize(6291456);
  host.setText(ids::kProgramStart, "0");
  host.setChecked(ids::kProgramSpare, false);
  dlg.OnProgram();
  EXPECT_EQ(unitWrites().size(), 768u);
  EXPECT_THAT(host.textHistory(ids::kProgramPercent),
              ElementsAre("0％", "8％", "16％", "25％", "33％", "41％", "50％", "58％", "66％",
                          "75％", "83％", "91％", "下载成功"));
  EXPECT_EQ(host.bar(ids::kProgramBar).high, 13);
  EXPECT_EQ(host.bar(ids::kProgramBar).pos, 0);
  auto calls = host.calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "stepit 1019"), 12);
  EXPECT_EQ(host.text(ids::kProgramLength), "600000");
  EXPECT_TRUE(state.imageFile.isOpen()) << "the image stays open for the next chip";
  EXPECT_NE(state.log.text().find("开始下载"), std::string::npos);
  EXPECT_NE(state.log.text().find("下载成功！！"), std::string::npos);
}

TEST_F(TransferTest, ReadFileHoldsUnitCountTimesStrideAndProgressLikeTheProgram) {
  backend.autoData = true;
  host.setChecked(ids::kReadSpare, true);
  read("0", "600000");
  EXPECT_EQ(std::filesystem::file_size(dir.file("out.bin")), 768u * 8448u);
  EXPECT_THAT(host.textHistory(ids::kReadPercent),
              ElementsAre("0％", "8％", "16％", "25％", "33％", "41％", "50％", "58％", "66％",
                          "75％", "83％", "91％", "上载成功"));
  EXPECT_EQ(host.bar(ids::kReadBar).pos, 0);
  EXPECT_FALSE(state.readFile.isOpen());
  // The pair still says 0x600000: the length counts main bytes only.
  EXPECT_FALSE(eventsFrom("W 3 16 1000 16 AA550606000000000000600021AA5500").empty());

  host.setChecked(ids::kReadSpare, false);
  read("0", "2001");
  EXPECT_EQ(std::filesystem::file_size(dir.file("out.bin")), 16384u) << "whole units";
}

TEST_F(TransferTest, ReceiveErrorAtUnitFiveKeepsFiveUnits) {
  host.setChecked(ids::kReadSpare, false);
  backend.dataReadResults = {8192, 8192, 8192, 8192, 8192, 100};
  bool openDuringMessage = false;
  host.onMessage = [&](const app::MessageBoxRequest&) {
    openDuringMessage = state.readFile.isOpen();
  };
  read("0", "100000");
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgReceiveError));
  EXPECT_TRUE(openDuringMessage) << "the message first, then the file is closed";
  EXPECT_EQ(host.messages()[0].owner, app::MessageOwner::None);
  EXPECT_EQ(std::filesystem::file_size(dir.file("out.bin")), 5u * 8192u);
  EXPECT_FALSE(state.readFile.isOpen());
  EXPECT_EQ(state.log.text().find("上载成功"), std::string::npos);
  EXPECT_EQ(host.textHistory(ids::kReadPercent).back(), "0％");
}

TEST_F(TransferTest, SendErrorClosesTheImage) {
  openImage(std::string(20000, 'e'));
  host.setText(ids::kProgramStart, "0");
  host.setChecked(ids::kProgramSpare, false);
  // Three probes (5 command writes each), the pair (2), then data: 8192 taken, then nothing.
  backend.writeResults = {16, 16, 16, 16, 16, 16, 16, 16,   16, 16,
                          16, 16, 16, 16, 16, 16, 16, 8192, 0};
  ASSERT_EQ(backend.writeResults.size(), 3u * 5u + 2u + 2u);
  bool openDuringMessage = false;
  host.onMessage = [&](const app::MessageBoxRequest&) {
    openDuringMessage = state.imageFile.isOpen();
  };
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgSendError));
  EXPECT_TRUE(openDuringMessage) << "the message first, then the file is closed";
  EXPECT_FALSE(state.imageFile.isOpen());
  host.onMessage = nullptr;
  host.clearRecord();
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgOpenImage));
}

TEST_F(TransferTest, ProgramLengthIsShownInLowerCaseHex) {
  openImage(std::string(0xABCDE, 'h'));
  host.setText(ids::kProgramStart, "0");
  dlg.OnProgram();
  EXPECT_EQ(host.text(ids::kProgramLength), "abcde");
}

TEST_F(TransferTest, ZeroWholeUnitsShowZeroPercentAndFinish) {
  openImage(std::string(100, 'f'));
  host.setText(ids::kProgramStart, "0");
  dlg.OnProgram();
  EXPECT_THAT(host.textHistory(ids::kProgramPercent), ElementsAre("0％", "下载成功"));
  backend.autoData = true;
  read("0", "10");
  EXPECT_THAT(host.textHistory(ids::kReadPercent), ElementsAre("0％", "上载成功"));
  EXPECT_EQ(std::filesystem::file_size(dir.file("out.bin")), 8448u);
}

TEST_F(TransferTest, EmptyImageAndZeroLengthEndAtOnce) {
  openImage("");
  host.setText(ids::kProgramStart, "0");
  dlg.OnProgram();
  EXPECT_TRUE(unitWrites().empty());
  EXPECT_THAT(host.textHistory(ids::kProgramPercent), ElementsAre("下载成功"));
  read("0", "0");
  EXPECT_EQ(dir.read("out.bin"), "");
  EXPECT_THAT(host.textHistory(ids::kReadPercent), ElementsAre("上载成功"));
}

TEST_F(TransferTest, ImageOfFourGibibytesIsRefused) {
  openImageOfSize(0x100000000ull);
  host.setText(ids::kProgramStart, "0");
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgImageTooLarge));
  EXPECT_TRUE(log.events().empty());
  EXPECT_EQ(host.text(ids::kProgramLength), "") << "never a truncated length";
}

TEST_F(TransferTest, HexFieldsThatDoNotFitThirtyTwoBitsGetTheFieldsPrompt) {
  openImage("x");
  host.setText(ids::kProgramStart, "100000000");
  dlg.OnProgram();
  read("0", "200000000");  // an 8 GiB chip's length
  host.setText(ids::kProgramStart, "xyz");
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgEnterProgramStart, app::kMsgEnterReadRange,
                                          app::kMsgEnterProgramStart));
  EXPECT_TRUE(log.events().empty());
  host.clearRecord();
  host.setText(ids::kProgramStart, " 0x1A2G");
  dlg.OnProgram();
  EXPECT_FALSE(eventsFrom("W 3 16 1000 16 AA550505A20100000100000021AA5500").empty())
      << "blanks, a 0x prefix and trailing letters as a %x scan reads them";
}

TEST_F(TransferTest, AnImageShortenedWhileItIsProgrammedStopsWithoutSuccess) {
  openImage(std::string(4 * 8192, 'c'));
  host.setText(ids::kProgramStart, "0");
  host.setChecked(ids::kProgramSpare, false);
  bool shortened = false;
  clock.onPause = [&](int) {
    // Another program cuts the file once the first unit has gone out.
    if (!shortened && backend.dataOut.size() == 1) {
      std::filesystem::resize_file(dir.file("image.bin"), 8192 + 100);
      shortened = true;
    }
  };
  dlg.OnProgram();
  EXPECT_TRUE(shortened);
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgImageReadError));
  EXPECT_EQ(backend.dataOut.size(), 2u) << "no unit of invented erased bytes goes out";
  EXPECT_NE(host.text(ids::kProgramPercent), app::kTextProgramDone);
  EXPECT_EQ(state.log.text().find("下载成功"), std::string::npos);
  EXPECT_FALSE(state.imageFile.isOpen());
}

TEST_F(TransferTest, FailingOutputWriteStopsTheReadWithoutSuccess) {
  backend.autoData = true;
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "4000");
  // A regular file that cannot grow: every write fails as on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit none = old;
  none.rlim_cur = 0;
  setrlimit(RLIMIT_FSIZE, &none);
  host.queueFileAnswer(dir.file("out.bin"));
  dlg.OnRead();
  setrlimit(RLIMIT_FSIZE, &old);
  // The journal cannot grow either: said once, after the read's own message.
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgWriteFileError,
                                          ::testing::StartsWith(app::kMsgJournalNotWritten)));
  EXPECT_EQ(state.log.text().find("上载成功"), std::string::npos);
  EXPECT_FALSE(state.readFile.isOpen());
}

TEST_F(TransferTest, CommandPairGivesUpAfterItsBound) {
  openImage("x");
  host.setText(ids::kProgramStart, "0");
  backend.ackStatus = 0;
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgNoAcknowledge));
  auto ev = log.events();
  const auto cycles =
      std::count(ev.begin(), ev.end(), "W 3 16 1000 16 AA550510000000000100000021AA5500");
  EXPECT_EQ(cycles, 1429) << "30 s of 21 ms cycles";
  EXPECT_EQ(state.log.text().find("开始下载"), std::string::npos);
}

TEST_F(TransferTest, StopRequestEndsAStreamAndClosesTheOutput) {
  backend.autoData = true;
  host.setChecked(ids::kReadSpare, false);
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "100000");
  host.queueFileAnswer(dir.file("out.bin"));
  std::stop_source stop;
  stop.request_stop();  // as an exit does while the operation runs
  dlg.OnRead(stop.get_token());
  EXPECT_TRUE(host.messages().empty());
  EXPECT_FALSE(state.readFile.isOpen());
  EXPECT_EQ(state.log.text().find("上载成功"), std::string::npos);
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Stopped);
}

TEST_F(TransferTest, TestModeProgramsSixMebibytesInlineWithLongerTimeouts) {
  openImage(std::string(100, 'g'));
  host.clearRecord();
  host.setChecked(ids::kTestMode, true);
  host.setText(ids::kProgramStart, "0");
  host.setChecked(ids::kProgramSpare, false);
  dlg.OnProgram();
  auto writes = unitWrites();
  ASSERT_EQ(writes.size(), 768u);
  for (const auto& w : writes) EXPECT_EQ(w.substr(0, 19), "W 1 8192 2000 8192 ");
  EXPECT_EQ(host.text(ids::kProgramLength), "600000");
  EXPECT_TRUE(host.fileDialogs().empty());
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.textHistory(ids::kProgramPercent).back(), "下载成功");
  EXPECT_EQ(backend.dataOut[0][99], 'g');
  EXPECT_EQ(backend.dataOut[0][100], 0xFF);
}

TEST_F(TransferTest, TestModeReadUsesTheOpenFileAndLeavesItOpen) {
  backend.autoData = true;
  files::FileObject& out = state.readFile;
  ASSERT_TRUE(
      out.open(dir.file("test1.bin"), files::Access::ReadWrite, files::Disposition::OpenAlways));
  host.setChecked(ids::kTestMode, true);
  host.setChecked(ids::kReadSpare, false);
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "600000");
  dlg.OnRead();
  EXPECT_TRUE(host.fileDialogs().empty());
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(out.isOpen());
  EXPECT_EQ(out.length(), 6291456);
  std::vector<std::string> reads;
  for (const auto& e : log.events()) {
    if (e.rfind("R 0 ", 0) == 0) reads.push_back(e.substr(0, 19));
  }
  ASSERT_EQ(reads.size(), 768u);
  EXPECT_EQ(reads[0], "R 0 8192 1000 8192 ");
  auto calls = host.calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "range 1018 0 13"), 1)
      << "the bar is set up for the test's own range";
  auto ev = log.events();
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "P 1"), 768) << "one pause per unit in test mode";
}

// A job that waits until its stop is requested, telling when it has started.
struct BlockingJob {
  std::mutex mutex;
  std::condition_variable_any wake;
  bool started = false;
  bool sawStop = false;

  app::DeviceExecutor::Job job() {
    return [this](std::stop_token stop) {
      std::unique_lock lock(mutex);
      started = true;
      wake.notify_all();
      wake.wait(lock, stop, [] { return false; });  // returns once the stop is requested
      sawStop = stop.stop_requested();
    };
  }
  void awaitStart() {
    std::unique_lock lock(mutex);
    wake.wait(lock, [this] { return started; });
  }
};

TEST(DeviceExecutorTest, StopReachesTheRunningJobThenTheQueuedOnesAndIdleComesOnceAfterThem) {
  BlockingJob first;
  std::mutex mutex;
  std::condition_variable idleSeen;
  int idleCalls = 0;
  bool secondSawStop = false;
  app::DeviceExecutor executor([&] {
    std::lock_guard lock(mutex);
    ++idleCalls;
    idleSeen.notify_all();
  });
  executor.post(first.job());
  first.awaitStart();
  executor.post([&](std::stop_token stop) {
    std::lock_guard lock(mutex);
    secondSawStop = stop.stop_requested();
  });
  EXPECT_TRUE(executor.busy());
  executor.requestStop();
  std::unique_lock lock(mutex);
  idleSeen.wait(lock, [&] { return idleCalls > 0; });
  EXPECT_TRUE(first.sawStop);
  EXPECT_TRUE(secondSawStop) << "a queued job starts with the stop already requested";
  EXPECT_EQ(idleCalls, 1) << "idle only once the queue has run empty";
  EXPECT_FALSE(executor.busy());
}

TEST(DeviceExecutorTest, EndingDropsQueuedJobsAndStopsTheRunningOne) {
  BlockingJob first;
  std::atomic<bool> secondRan{false};
  {
    app::DeviceExecutor executor;
    executor.post(first.job());
    first.awaitStart();
    executor.post([&](std::stop_token) { secondRan = true; });
  }  // the destructor returns only once the running job has ended
  EXPECT_TRUE(first.sawStop);
  EXPECT_FALSE(secondRan.load());
}

}  // namespace
}  // namespace norvik
