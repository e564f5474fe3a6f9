// The chip probe on the wire: exact bytes, exact order of writes, reads and pauses.
#include "link/probe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/device_link.h"
#include "test_support.h"

namespace norvik {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::packetFromHex;

constexpr const char* kQuery = "W 3 16 1000 16 55AA010155AA00000000000000000000";
constexpr const char* kReadIdA = "W 3 16 1000 16 55AA020255AA00000000000000000000";
constexpr const char* kReadIdB = "W 3 16 1000 16 55AA020455AA00000000000000000000";

class ProbeTest : public ::testing::Test {
 protected:
  testing::EventLog log;
  testing::ScriptedBackend backend{log};
  testing::RecordingClock clock{log};
  link::DeviceLink link{backend, clock};
  link::ChipState chips;
  std::vector<std::pair<int, std::string>> shown;

  int probe(int spareFlag) {
    return link::ProbeChips(link, chips, spareFlag,
                            [this](link::Socket socket, const std::string& t) {
                              shown.emplace_back(socket == link::Socket::A ? 1043 : 1044, t);
                            });
  }

  // Replies for one full probe: query reply, socket A's ID, socket B's ID; each read twice.
  void scriptReplies(const std::string& idA, const std::string& idB) {
    auto reply = [](const std::string& id) {
      return packetFromHex("55AA" + id + "0000000000000000000000");
    };
    for (auto p : {packetFromHex("55AA0101"), reply(idA), reply(idB)}) {
      backend.replies.emplace_back(p);
      backend.replies.emplace_back(p);
    }
  }

  static link::ChipGeometry chip(int page, int oob, int block, int addr, const char* name) {
    link::ChipGeometry g;
    g.devicePage = page;
    g.deviceOob = oob;
    g.deviceBlock = block;
    g.deviceAddr = addr;
    g.pageMultiplier = page > 0 ? 8192 / page : 0;
    g.deviceName = name;
    return g;
  }
};

TEST_F(ProbeTest, NoProgrammerStopsAfterTheFirstWriteAndChangesNothing) {
  backend.absent = true;
  chips.chipIdTextA = "OLD";
  chips.pageBlockTextA = "1-1";
  EXPECT_EQ(probe(1), link::kProbeNoProgrammer);
  EXPECT_THAT(log.events(), ElementsAre("W 3 16 1000 0 55AA010155AA00000000000000000000"));
  EXPECT_EQ(chips.chipIdTextA, "OLD");
  EXPECT_EQ(chips.pageBlockTextA, "1-1");
  EXPECT_TRUE(shown.empty());
}

TEST_F(ProbeTest, FailureAtTheSecondCommandRefreshesNoText) {
  backend.writeResults = {16, 3};
  chips.chipIdTextA = "AAAAAAAA";
  chips.chipIdTextB = "BBBBBBBB";
  chips.pageBlockTextB = "9-9";
  EXPECT_EQ(probe(0), link::kProbeNoProgrammer);
  auto ev = log.events();
  ASSERT_EQ(ev.size(), 5u);
  EXPECT_EQ(ev[0], kQuery);
  EXPECT_EQ(ev[1], "P 20");
  EXPECT_EQ(ev[2].substr(0, 12), "R 2 16 1000 ");
  EXPECT_EQ(ev[3].substr(0, 12), "R 2 16 1000 ");
  EXPECT_EQ(ev[4], "W 3 16 1000 3 55AA020255AA00000000000000000000");
  EXPECT_EQ(chips.chipIdTextA, "AAAAAAAA");
  EXPECT_EQ(chips.chipIdTextB, "BBBBBBBB");
  EXPECT_EQ(chips.pageBlockTextB, "9-9");
  EXPECT_TRUE(shown.empty());
}

TEST_F(ProbeTest, FullProbeSendsEveryPacketInOrderWithItsPauses) {
  chips.socketA = chip(2048, 64, 64, 5, "K9F1G08U0B");
  chips.socketB = chip(4096, 224, 128, 4, "MT29F4G08ABAEA");
  scriptReplies("ECF10095", "2CDC90A6");
  EXPECT_EQ(probe(1), link::kProbeOk);
  const std::string replyA = "R 2 16 1000 16 55AAECF1009500000000000000000000";
  const std::string replyB = "R 2 16 1000 16 55AA2CDC90A600000000000000000000";
  const std::string query = "R 2 16 1000 16 55AA0101000000000000000000000000";
  EXPECT_THAT(log.events(),
              ElementsAreArray<std::string>(
                  {kQuery, "P 20", query, query, kReadIdA, "P 20", replyA, replyA,
                   // P = 2048 + 64 = 0x0840 LE; block 64; address 5; S = 64 BE; multiplier 4
                   "W 3 16 1000 16 55AA020355AAEC400840050000004004", "P 20", kReadIdB, "P 20",
                   replyB, replyB,
                   // P = 4096 + 224 = 0x10E0; block 128; address 4; S = 224; multiplier 2
                   "W 3 16 1000 16 55AA020555AA2CE0108004000000E002"}));
  EXPECT_EQ(chips.chipIdTextA, "ECF10095");
  EXPECT_EQ(chips.chipIdTextB, "2CDC90A6");
  EXPECT_EQ(chips.pageBlockTextA, "2112-64");
  EXPECT_EQ(chips.pageBlockTextB, "4320-128");
  EXPECT_THAT(shown, ElementsAre(std::pair{1043, std::string("2112-64")},
                                 std::pair{1044, std::string("4320-128")}));
}

TEST_F(ProbeTest, SpareFlagZeroSendsMainPageAndNoSpareBytes) {
  chips.socketA = chip(2048, 64, 64, 5, "A");
  chips.socketB = chip(2048, 300, 64, 5, "B");
  scriptReplies("ECF10095", "ECF10095");
  probe(0);
  auto ev = log.events();
  EXPECT_EQ(ev[8],
            "W 3 16 1000 16 55AA020355AAEC0008400500000000"
            "04");
  EXPECT_EQ(ev[14],
            "W 3 16 1000 16 55AA020555AAEC0008400500000000"
            "04");
  EXPECT_EQ(chips.pageBlockTextA, "2048-64");
  // With the spare flag the spare size goes big-endian into bytes 13 and 14.
  log.clear();
  scriptReplies("ECF10095", "ECF10095");
  probe(1);
  ev = log.events();
  EXPECT_EQ(ev[14], "W 3 16 1000 16 55AA020555AAEC2C0940050000012C04");
  EXPECT_EQ(chips.pageBlockTextB, "2348-64");
}

TEST_F(ProbeTest, SocketStatusFollowsTheNamesTheLastLookupLeft) {
  scriptReplies("ECF10095", "2CDA9095");
  chips.socketA.deviceName = link::kUnrecognisedChip;
  chips.socketB.deviceName = link::kUnrecognisedChip;
  EXPECT_EQ(probe(0), link::kProbeSocketBUnrecognised) << "B wins when both are unrecognised";

  scriptReplies("ECF10095", "2CDA9095");
  chips.socketB.deviceName = "MT29F2G08ABAEA";
  EXPECT_EQ(probe(0), link::kProbeSocketAUnrecognised);

  scriptReplies("ECF10095", "2CDA9095");
  chips.socketA.deviceName = "";
  chips.socketB.deviceName = "";
  EXPECT_EQ(probe(0), link::kProbeOk) << "empty names before the first lookup count as known";
}

TEST_F(ProbeTest, NeverFilledRecordSendsZerosAndShowsZeroZero) {
  scriptReplies("ECF10095", "2CDA9095");
  probe(1);
  auto ev = log.events();
  EXPECT_EQ(ev[8], "W 3 16 1000 16 55AA020355AAEC000000000000000000");
  EXPECT_EQ(chips.pageBlockTextA, "0-0");
  EXPECT_EQ(chips.pageBlockTextB, "0-0");
}

TEST_F(ProbeTest, MissingBlockAndSpareValuesAreSentAsThirtyTwoBitArithmeticGives) {
  chips.socketA = chip(2048, -1, -1, 5, "A");
  scriptReplies("ECF10095", "2CDA9095");
  probe(1);
  // P = 2048 - 1 = 0x07FF; block -1 → byte 9 FF, byte 11 00; spare -1 → 13 = 00, 14 = FF.
  EXPECT_EQ(log.events()[8], "W 3 16 1000 16 55AA020355AAECFF07FF05000000FF04");
  EXPECT_EQ(chips.pageBlockTextA, "2047-255");
}

TEST_F(ProbeTest, PageAndBlockAboveSixteenBitsAreCutToTheirLowBits) {
  chips.socketA = chip(70000, 0, 65536 + 300, 0x1FF, "A");
  chips.socketA.pageMultiplier = 0x1F3;
  scriptReplies("ECF10095", "2CDA9095");
  probe(0);
  // 70000 = 0x11170 → 70 11; block 65836: %256 = 0x2C, /256 = 257 → low byte 01; addr FF.
  EXPECT_EQ(log.events()[8], "W 3 16 1000 16 55AA020355AAEC70112CFF01000000F3");
  EXPECT_EQ(chips.pageBlockTextA, "4464-300");
}

TEST_F(ProbeTest, ProgrammerThatNeverRepliesGivesTheBufferStartForBothSockets) {
  // No reply is scripted: every read delivers nothing.
  probe(0);
  EXPECT_EQ(chips.chipIdTextA, "03E405AA");
  EXPECT_EQ(chips.chipIdTextB, "03E405AA");
  auto ev = log.events();
  EXPECT_EQ(ev[8], "W 3 16 1000 16 55AA020355AA03000000000000000000");
  EXPECT_EQ(ev[14], "W 3 16 1000 16 55AA020555AA03000000000000000000");
  // The buffer is set afresh at every probe.
  log.clear();
  backend.replies = {packetFromHex("55AA0101"), packetFromHex("55AA0101"),
                     packetFromHex("55AAADDA1095"), std::nullopt};
  probe(0);
  EXPECT_EQ(chips.chipIdTextA, "ADDA1095");
  EXPECT_EQ(chips.chipIdTextB, "ADDA1095") << "a silent B read repeats socket A's reply";
}

TEST_F(ProbeTest, ProbeTakesEightyMillisecondsOfPauses) {
  scriptReplies("ECF10095", "2CDA9095");
  probe(0);
  EXPECT_DOUBLE_EQ(clock.inner().sleptMs(), 80.0);
}

TEST_F(ProbeTest, AStoppedRunEndsARepeatedProbeBeforeItsNextCallButNeverTheFirst) {
  std::stop_source stop;
  link.endProbesOnceStopped(stop.get_token());
  stop.request_stop();
  scriptReplies("ECF10095", "2CDA9095");
  probe(0);  // the first probe of the run: the IDs are not known yet, so it is made in full
  EXPECT_EQ(chips.chipIdTextB, "2CDA9095");
  const std::size_t made = log.events().size();
  EXPECT_EQ(made, 15u);
  // Repeated: nothing more is sent, and the status is that of the chips as the lookup left them.
  chips.socketB.deviceName = link::kUnrecognisedChip;
  EXPECT_EQ(probe(0), link::kProbeSocketBUnrecognised);
  chips.socketB.deviceName = "MT29F2G08ABAEA";
  EXPECT_EQ(probe(0), link::kProbeOk);
  EXPECT_EQ(log.events().size(), made);
}

}  // namespace
}  // namespace norvik
