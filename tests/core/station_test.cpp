// The copy station on the simulated programmer and the virtual clock: the journal's records go in
// whole or not at all, a verified copy finds socket B's weak page where it is, and the production
// loop sees each swap, counts a planted failure, rings for it and journals every chip.
#include "app/station.h"

#include <gmock/gmock.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/journal.h"
#include "app/messages.h"
#include "test_support.h"

namespace norvik {
namespace {

namespace ids = app::ids;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The fields of one journal line (none of the tests' fields is quoted).
std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out(1);
  for (const char c : line) {
    if (c == ',') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

constexpr const char* kBom = "\xEF\xBB\xBF";

TEST(JournalTest, ARecordGoesInWholeOrNotAtAll) {
  testing::TempDir dir;
  VirtualClock clock;
  const WorkingFolder folder(dir.path());
  app::JournalRecord record;
  record.operation = "erase";
  record.result = "ok";
  const std::string line = app::journalLine(record);
  std::string problem;

  // A crash left the second record cut short: the next append takes it away first.
  dir.write("journal.csv", kBom + app::journalHeader() + line + "2016-06-01T14:05:09+08:00,pro");
  ASSERT_TRUE(app::appendToJournal(folder, line, clock, &problem)) << problem;
  EXPECT_EQ(dir.read("journal.csv"), kBom + app::journalHeader() + line + line);

  // A disk that fills up half-way through the record: the half that went in is taken back.
  const std::string before = dir.read("journal.csv");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit full = old;
  full.rlim_cur = before.size() + line.size() / 2;
  setrlimit(RLIMIT_FSIZE, &full);
  const bool appended = app::appendToJournal(folder, line, clock, &problem);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(appended);
  EXPECT_THAT(problem, HasSubstr("journal.csv"));
  EXPECT_EQ(dir.read("journal.csv"), before);
}

class SimulatedStation : public ::testing::Test {
 protected:
  static sim::SimConfig chips(int weakPage) {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.socketB.weakPage = weakPage;
    return c;
  }
  explicit SimulatedStation(sim::SimConfig config = chips(-1))
      : rig(testing::RigOptions{.simulator = config, .catalogue = true, .subfolder = ""}) {
    dlg.InitControlsAndConfig();
    dlg.LookUpChips();
    // Two blocks of socket A copied without the spare area, so that an offset is a page's.
    rig.write("a.bin", testing::randomImage(0x40000, 5));
    host.click(ids::kSelectA);
    host.setChecked(ids::kProgramSpare, false);
    host.setText(ids::kProgramStart, "0");
    host.queueFileAnswer(rig.file("a.bin"));
    dlg.OnOpenFile();
    dlg.OnProgram();
    host.setChecked(ids::kCopySpare, false);
    host.setText(ids::kCopyStart, "0");
    host.setText(ids::kCopyLength, "40000");
    host.clearRecord();
  }
  std::vector<std::string> journal() const { return testing::crlfLines(rig.read("journal.csv")); }

  testing::Rig rig;
  testing::MemoryHost& host = rig.host;
  app::CProgrammerDlg& dlg = rig.dlg();
};

class WeakCopyTest : public SimulatedStation {
 protected:
  WeakCopyTest() : SimulatedStation(chips(70)) {}  // block 1, page 6 of 64-page blocks
};

TEST_F(WeakCopyTest, AVerifiedCopyNamesTheWeakPageOfSocketBAndIsNoSuccess) {
  dlg.setVerifyAfterCopy(true);
  dlg.OnCopy();
  const app::Verification& v = dlg.lastCopyVerification();
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::TestFailed);
  EXPECT_EQ(v.firstDifference, 70u * 2048u);
  EXPECT_EQ(v.block, 1u);
  EXPECT_EQ(v.page, 6u);
  EXPECT_EQ(v.differing, 1u) << "one bit of the page's first byte";
  ASSERT_EQ(rig.messageTexts().size(), 1u);
  EXPECT_THAT(rig.messageTexts()[0], StartsWith(app::kMsgCopyVerifyFailed));
  EXPECT_THAT(rig.messageTexts()[0], HasSubstr("第 1 块第 6 页"));
  EXPECT_EQ(dlg.state().log.text().find("拷贝成功！！"), std::string::npos);
  // The label went through the three steps: each read begins a third further on.
  const std::vector<std::string> labels = host.textHistory(ids::kCopyPercent);
  EXPECT_THAT(labels, ::testing::Contains("33％"));
  EXPECT_THAT(labels, ::testing::Contains("66％"));

  // The same copy of block 0 alone, clear of the weak page, is equal.
  host.setText(ids::kCopyLength, "20000");
  dlg.OnCopy();
  EXPECT_EQ(dlg.lastOutcome(), app::Outcome::Succeeded);
  EXPECT_EQ(dlg.lastCopyVerification().sha256.size(), 64u);
  EXPECT_EQ(host.text(ids::kCopyPercent), app::kTextCopyDone);
  const std::vector<std::string> records = journal();
  ASSERT_EQ(records.size(), 4u);  // the header, the program run, two copies
  EXPECT_EQ(fields(records[3])[15], dlg.lastCopyVerification().sha256);
}

// Socket B sees three chips, each in for 6 s and out for 2 s; the second has a weak page.
sim::SimConfig threeChips() {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.socketB.weakPage = 70;
  c.swap.chips = 3;
  c.swap.presentMs = 6000;
  c.swap.absentMs = 2000;
  c.swap.weakChips = {2};
  return c;
}

class StationTest : public SimulatedStation {
 protected:
  StationTest() : SimulatedStation(threeChips()) {}
};

// What the station said, and when on the virtual clock.
class RecordingOutput final : public app::StationOutput {
 public:
  explicit RecordingOutput(Clock& clock) : clock_(clock) {}
  void line(const std::string& text) override {
    said.push_back(text);
    at.push_back(clock_.monotonicMs());
  }
  void bell() override { line("BELL"); }
  std::vector<std::string> said;
  std::vector<double> at;

 private:
  Clock& clock_;
};

TEST_F(StationTest, ThreeChipsWithAPlantedFailureAreCountedRungForAndJournaled) {
  const double startMs = rig.clock.monotonicMs();
  app::StationOptions options;
  options.verify = true;
  options.count = 3;
  options.spareFlag = 0;
  RecordingOutput out(rig.clock);
  const app::StationSummary summary = app::runStation(dlg, rig.clock, options, out, {});

  EXPECT_EQ(summary.passed, 2);
  EXPECT_EQ(summary.failed, 1);
  EXPECT_FALSE(summary.stopped);
  EXPECT_EQ(summary.exitCode, 14);
  ASSERT_EQ(out.said.size(), 7u) << ::testing::PrintToString(out.said);
  EXPECT_THAT(out.said[0], StartsWith("#1    2CDA9095  ok"));
  EXPECT_EQ(out.said[1], "take the chip out of socket B");
  EXPECT_THAT(out.said[2], StartsWith("#2    2CDA9095  FAIL"));
  EXPECT_THAT(out.said[2], HasSubstr("第 1 块第 6 页"));
  EXPECT_EQ(out.said[3], "BELL");
  EXPECT_EQ(out.said[4], "take the chip out of socket B");
  EXPECT_THAT(out.said[5], StartsWith("#3    2CDA9095  ok"));
  EXPECT_THAT(out.said[6], StartsWith("done: 2 passed, 1 failed, "));

  const std::vector<std::string> records = journal();
  ASSERT_EQ(records.size(), 5u);  // the header, the program run, three chips
  for (int chip = 1; chip <= 3; ++chip) {
    const std::vector<std::string> f = fields(records[static_cast<std::size_t>(chip) + 1]);
    SCOPED_TRACE(records[static_cast<std::size_t>(chip) + 1]);
    ASSERT_EQ(f.size(), 22u);
    EXPECT_EQ(f[1], "copy");
    EXPECT_EQ(f[21], std::to_string(chip));
    EXPECT_EQ(f[18], chip == 2 ? "7" : "0");
    EXPECT_EQ(f[17] == "ok", chip != 2);
  }
  // Chip k is in from 8 (k - 1) s for 6 s: each was seen after its insertion and done before its
  // removal. Without waiting to see chip 1 taken out, the station would have started again at
  // once, on the same chip.
  EXPECT_LT(out.at[0] - startMs, 6000);
  EXPECT_GE(out.at[2] - startMs, 8000);
  EXPECT_LT(out.at[2] - startMs, 14000);
  EXPECT_GE(out.at[5] - startMs, 16000);
  EXPECT_LT(out.at[5] - startMs, 22000);
}

}  // namespace
}  // namespace norvik
