// The simulator's INI file and the choice of settings at start.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sim/simulated_programmer.h"
#include "test_support.h"

namespace norvik {
namespace {

using testing::ScopedEnv;

class SimConfigTest : public ::testing::Test {
 protected:
  std::optional<sim::SimConfig> load(const std::string& text) {
    dir.write("sim.ini", text);
    error.clear();
    return sim::SimConfig::load(dir.file("sim.ini"), &error);
  }
  testing::TempDir dir;
  std::string error;
};

TEST_F(SimConfigTest, ReadsEveryKeyAndKeepsDefaultsForTheRest) {
  auto c = load(
      "; comment\n[simulator]\nmode=RealTime\n"
      "[SocketA]\nID=2C DA 90 95\nPage=4096\nOob=224\nPagesPerBlock=128\nBlocks=512\n"
      "BadBlocks=1, 7 9\nImage=imgs/a.bin\n"
      "[SocketB]\nEmpty=yes\nID=98da9095\n"
      "[Faults]\nAbsent=0\nDropReplies=1\nGarbageReplies=true\nRefuseCycles=2\n"
      "BadMarkerCycles=3\nShortTransferAtUnit=5\nUnplugAtUnit=-1\n"
      "StallAtPercent=40\nDoneInAck=yes\nShortDoneReport=1\nWrongMarkDoneReport=on\n"
      "ExtraBadBlocks=3\n");
  ASSERT_TRUE(c) << error;
  EXPECT_TRUE(c->realTime);
  const sim::SocketConfig& a = c->socketA;
  EXPECT_EQ(std::vector<int>(a.id, a.id + 4), (std::vector<int>{0x2C, 0xDA, 0x90, 0x95}));
  EXPECT_EQ(a.pageSize, 4096);
  EXPECT_EQ(a.oobSize, 224);
  EXPECT_EQ(a.pagesPerBlock, 128);
  EXPECT_EQ(a.blocks, 512);
  EXPECT_EQ(a.badBlocks, (std::vector<int>{1, 7, 9}));
  EXPECT_EQ(a.imagePath, dir.path() + "/imgs/a.bin") << "relative to the INI's folder";
  EXPECT_TRUE(c->socketB.empty);
  EXPECT_EQ(c->socketB.id[0], 0x98);
  EXPECT_EQ(c->socketB.blocks, 2048) << "a key left out keeps the default";
  EXPECT_EQ(c->socketB.badBlocks, (std::vector<int>{101}));
  EXPECT_FALSE(c->faults.absent);
  EXPECT_TRUE(c->faults.dropReplies);
  EXPECT_TRUE(c->faults.garbageReplies);
  EXPECT_EQ(c->faults.refuseCycles, 2);
  EXPECT_EQ(c->faults.badMarkerCycles, 3);
  EXPECT_EQ(c->faults.shortTransferAtUnit, 5);
  EXPECT_EQ(c->faults.unplugAtUnit, -1);
  EXPECT_EQ(c->faults.stallAtPercent, 40);
  EXPECT_TRUE(c->faults.doneInAck);
  EXPECT_TRUE(c->faults.shortDoneReport);
  EXPECT_TRUE(c->faults.wrongMarkDoneReport);
  EXPECT_EQ(c->faults.extraBadBlocks, 3);
}

TEST_F(SimConfigTest, RejectsInvalidValuesNamingTheKey) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Simulator]\nMode=slow\n", "Mode"},
      {"[SocketA]\nPage=2k\n", "Page"},
      {"[SocketA]\nPage=0\n", "Page"},
      {"[SocketB]\nID=EC F1 00\n", "ID"},
      {"[SocketB]\nID=EC F1 00 9G\n", "ID"},
      {"[SocketA]\nBlocks=16\nBadBlocks=3,16\n", "BadBlocks"},
      {"[SocketA]\nBadBlocks=3;4\n", "BadBlocks"},
      {"[SocketA]\nPagesPerBlock=4096\nBlocks=8192\n", "Blocks"},
      {"[Faults]\nAbsent=maybe\n", "Absent"},
      {"[Faults]\nRefuseCycles=-1\n", "RefuseCycles"},
      {"[Faults]\nUnplugAtUnit=-2\n", "UnplugAtUnit"},
      {"[Faults]\nRefuseCycle=1\n", "RefuseCycle"},
      {"[Socket A]\nPage=512\n", "Socket A"},
      {"[SocketA]\nImage=x.img\n[SocketB]\nImage=x.img\n", "Image"},
      {"[Faults]\nStallAtPercent=100\n", "StallAtPercent"},
      {"[Faults]\nExtraBadBlocks=-1\n", "ExtraBadBlocks"},
  };
  for (const auto& [text, key] : cases) {
    EXPECT_FALSE(load(text)) << text;
    EXPECT_NE(error.find(key), std::string::npos) << text << " gave: " << error;
    EXPECT_NE(error.find("sim.ini"), std::string::npos) << error;
  }
}

TEST_F(SimConfigTest, MissingFileIsAnError) {
  EXPECT_FALSE(sim::SimConfig::load(dir.file("none.ini"), &error));
  EXPECT_NE(error.find("none.ini"), std::string::npos);
}

TEST_F(SimConfigTest, OversizedFileIsRefused) {
  dir.write("big.ini", "[Simulator]\n" + std::string(4 * 1024 * 1024, ';'));
  EXPECT_FALSE(sim::SimConfig::load(dir.file("big.ini"), &error));
  EXPECT_NE(error.find("larger than 4 MiB"), std::string::npos) << error;
}

TEST_F(SimConfigTest, EnvironmentChoosesTheFileAndItsModeOverridesTheDefault) {
  VirtualClock clock;
  std::string err;
  {
    ScopedEnv env("NORVIK_SIMULATOR", nullptr);
    auto s = sim::makeSimulatorFromEnvironment(clock, true, &err);
    ASSERT_TRUE(s) << err;
    EXPECT_TRUE(s->config().realTime);
    EXPECT_EQ(s->config().socketA.id[0], 0xEC);
  }
  dir.write("fast.ini", "[Simulator]\nMode=fast\n[SocketA]\nBlocks=8\nBadBlocks=\n");
  {
    const std::string path = dir.file("fast.ini");
    ScopedEnv env("NORVIK_SIMULATOR", &path);
    auto s = sim::makeSimulatorFromEnvironment(clock, true, &err);
    ASSERT_TRUE(s) << err;
    EXPECT_FALSE(s->config().realTime);
    EXPECT_EQ(s->config().socketA.blocks, 8);
  }
  {
    const std::string path = dir.file("missing.ini");
    ScopedEnv env("NORVIK_SIMULATOR", &path);
    EXPECT_FALSE(sim::makeSimulatorFromEnvironment(clock, false, &err));
    EXPECT_NE(err.find("missing.ini"), std::string::npos);
  }
  {
    const std::string path = dir.path();
    ScopedEnv env("NORVIK_SIMULATOR", &path);
    EXPECT_FALSE(sim::makeSimulatorFromEnvironment(clock, false, &err));
    EXPECT_NE(err.find(path + ": it is a folder"), std::string::npos) << err;
  }
}

}  // namespace
}  // namespace norvik
