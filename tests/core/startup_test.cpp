// Start-up: Config.ini, the first probe, the detection lines, the refresh.
#include <gmock/gmock.h>

#include <regex>

#include "app/messages.h"
#include "dialog_fixture.h"
#include "platform/cp936.h"

namespace norvik {
namespace {

using testing::MemoryHost;
namespace ids = app::ids;
using ::testing::ElementsAre;

class StartupTest : public testing::DialogTest {
 protected:
  void config(const std::string& text) { dir.write("Config.ini", utf8ToCp936(text)); }
};

TEST_F(StartupTest, WithoutConfigNothingIsSelectedAndLengthsStayEmpty) {
  EXPECT_TRUE(dlg.InitControlsAndConfig());
  for (int id : {ids::kSelectA, ids::kSelectB, ids::kCe0, ids::kCe1, ids::kReadSkipBad,
                 ids::kProgramSkipBad, ids::kCopySkipBad}) {
    EXPECT_FALSE(host.isChecked(id)) << id;
  }
  for (int id : {ids::kReadSpare, ids::kProgramSpare, ids::kCopySpare}) {
    EXPECT_TRUE(host.isChecked(id)) << id;
  }
  for (int id : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength, ids::kProgramLength}) {
    EXPECT_EQ(host.text(id), "") << id;
  }
  for (int id :
       {ids::kReadStart, ids::kProgramStart, ids::kCopyStartB, ids::kCopyStart, ids::kEraseStart}) {
    EXPECT_EQ(host.text(id), "0") << id;
  }
  EXPECT_EQ(host.bar(ids::kProgramBar).high, 1000);
  EXPECT_EQ(host.bar(ids::kReadBar).step, 10);
  EXPECT_EQ(host.bar(ids::kCopyBar).high, 100);
  EXPECT_EQ(host.bar(ids::kEraseBar).step, 1);
}

TEST_F(StartupTest, ConfigSelectsSocketChipEnableAndLength) {
  config("[nandtype]\r\nCE=0\r\nLens=4000000\r\ncs_chip=ChipA0\r\n");
  dlg.InitControlsAndConfig();
  EXPECT_TRUE(host.isChecked(ids::kSelectA));
  EXPECT_TRUE(host.isChecked(ids::kCe0));
  for (int id : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) {
    EXPECT_EQ(host.text(id), "4000000");
  }
  EXPECT_EQ(host.text(ids::kProgramLength), "") << "the program length is never set from it";
}

TEST_F(StartupTest, PartialOrMisspelledConfigSelectsOnlyWhatMatchesExactly) {
  config("[NandType]\nCE=1\nCs_Chip=chipb0\n");
  dlg.InitControlsAndConfig();
  EXPECT_TRUE(host.isChecked(ids::kCe1));
  EXPECT_FALSE(host.isChecked(ids::kCe0));
  EXPECT_FALSE(host.isChecked(ids::kSelectA));
  EXPECT_FALSE(host.isChecked(ids::kSelectB));

  config("[NandType]\nCs_Chip=ChipB0\nCE=2\n");
  MemoryHost fresh;
  app::CProgrammerDlg other(fresh, link, state, [this] { return dir.path(); });
  other.InitControlsAndConfig();
  EXPECT_TRUE(fresh.isChecked(ids::kSelectB));
  EXPECT_FALSE(fresh.isChecked(ids::kCe0));
  EXPECT_FALSE(fresh.isChecked(ids::kCe1));
}

TEST_F(StartupTest, ConfigFoundWhateverItsLetterCase) {
  dir.write("config.ini", "[NandType]\nCs_Chip=ChipA0\n");
  dlg.InitControlsAndConfig();
  EXPECT_TRUE(host.isChecked(ids::kSelectA));
}

TEST_F(StartupTest, NoProgrammerShowsTheMessageAndLogsNothing) {
  backend.absent = true;
  EXPECT_FALSE(dlg.InitControlsAndConfig());
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgNoDevice));
  EXPECT_EQ(host.messages()[0].owner, app::MessageOwner::Dialog);
  EXPECT_EQ(host.messages()[0].caption, app::kAppName);
  EXPECT_EQ(state.log.text(), "");
  EXPECT_TRUE(host.textHistory(ids::kNameA).empty());
  EXPECT_TRUE(host.textHistory(ids::kLog).empty());

  // The rest of start-up still runs, silently.
  host.clearRecord();
  dlg.LookUpChips();
  dlg.OnRefreshDevice();
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.text(ids::kNameA), link::kUnrecognisedChip);
}

TEST_F(StartupTest, DetectionLinesShareOneStampAndEmptyNamesReplaceNone) {
  clock.inner().advanceMs(999);  // the two lines must not straddle a second
  EXPECT_TRUE(dlg.InitControlsAndConfig());
  EXPECT_EQ(host.textHistory(ids::kNameA), std::vector<std::string>{""});
  EXPECT_EQ(host.textHistory(ids::kNameB), std::vector<std::string>{""});
  const std::regex line(
      "\r\n (\\d{4}年\\d\\d月\\d\\d日\\d\\d:\\d\\d:\\d\\d) "
      "检测到A座芯片ID为:ECF10095--页块大小为:0-0"
      "\r\n (\\d{4}年\\d\\d月\\d\\d日\\d\\d:\\d\\d:\\d\\d) "
      "检测到B座芯片ID为:2CDA9095--页块大小为:0-0");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(state.log.text(), m, line)) << state.log.text();
  EXPECT_EQ(m[1], m[2]);
  EXPECT_EQ(host.textHistory(ids::kLog).size(), 2u) << "shown after each line";
}

TEST_F(StartupTest, InitDialogNamesBothChipsAndSocketALengthWins) {
  dlg.OnInitDialog();
  EXPECT_EQ(host.text(ids::kNameA), "K9F1G08U0B");
  EXPECT_EQ(host.text(ids::kNameB), "MT29F2G08ABAEA");
  EXPECT_EQ(host.text(ids::kPageBlockA), "2112-64") << "the refresh probes with box 1026";
  for (int id : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) {
    EXPECT_EQ(host.text(id), "8000000");
  }
}

TEST_F(StartupTest, UnrecognisedSocketALeavesSocketBsLength) {
  backend.autoIdA = "FFFFFFFF";
  dlg.OnInitDialog();
  EXPECT_EQ(host.text(ids::kNameA), link::kUnrecognisedChip);
  EXPECT_EQ(host.text(ids::kReadLength), "10000000");
}

TEST_F(StartupTest, RefreshSendsTheRefreshCommandPausesAndWritesNoLog) {
  dlg.OnInitDialog();
  const std::string before = state.log.text();
  log.clear();
  host.setChecked(ids::kCopySpare, false);
  dlg.OnRefreshDevice();
  auto ev = log.events();
  ASSERT_GE(ev.size(), 3u);
  EXPECT_EQ(ev[0], "W 3 16 1000 16 55AA5A5A55AA00000000000000000000");
  EXPECT_EQ(ev[1], "P 1400");
  EXPECT_EQ(ev[2], "W 3 16 1000 16 55AA010155AA00000000000000000000");
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "W 3 16 1000 16 55AA010155AA00000000000000000000"), 2);
  EXPECT_EQ(ev.back(), "W 3 16 1000 16 55AA020555AA2C000840050000000004") << "spare box off";
  EXPECT_EQ(state.log.text(), before);
}

TEST_F(StartupTest, SocketRadiosFillTheLengthsOfTheirChip) {
  dlg.OnInitDialog();
  for (int id : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) host.setText(id, "1");
  dlg.OnSelectB();
  EXPECT_EQ(host.text(ids::kReadLength), "10000000");
  EXPECT_EQ(host.text(ids::kEraseLength), "10000000");
  EXPECT_EQ(host.text(ids::kCopyLength), "1") << "socket B never sets the copy length";
  dlg.OnSelectA();
  for (int id : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) {
    EXPECT_EQ(host.text(id), "8000000");
  }
  log.clear();
  state.chips.socketA.deviceName = link::kUnrecognisedChip;
  host.setText(ids::kReadLength, "1");
  dlg.OnSelectA();
  EXPECT_EQ(host.text(ids::kReadLength), "1");
  EXPECT_TRUE(log.events().empty()) << "selecting a socket sends nothing";
}

TEST_F(StartupTest, SpareBoxesReprobeWithTheirNewState) {
  dlg.OnInitDialog();
  host.setChecked(ids::kProgramSpare, false);
  dlg.OnProgramSpare();
  EXPECT_EQ(host.text(ids::kPageBlockA), "2048-64");
  EXPECT_EQ(host.text(ids::kPageBlockB), "2048-64");
  host.setChecked(ids::kReadSpare, true);
  dlg.OnReadSpare();
  EXPECT_EQ(host.text(ids::kPageBlockA), "2112-64");
  EXPECT_EQ(host.text(ids::kPageBlockB), "2112-64");
}

}  // namespace
}  // namespace norvik
