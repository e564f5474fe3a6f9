// The simulated programmer seen from the host: probe, command pairs and data streams through a
// DeviceLink on virtual time.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "link/device_link.h"
#include "link/exchange.h"
#include "link/probe.h"
#include "sim/simulated_programmer.h"
#include "test_support.h"

namespace norvik {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kSpare = 0x01;
constexpr std::uint8_t kSkipBad = 0x10;
constexpr std::uint8_t kSocketA = 0x20;
constexpr std::uint32_t kBlockMain = 64 * 2048;  // main bytes of a block of the default chips

link::ChipGeometry geometry(int page, int oob, int block) {
  link::ChipGeometry g;
  g.devicePage = page;
  g.deviceOob = oob;
  g.deviceBlock = block;
  g.deviceAddr = 4;
  g.pageMultiplier = 8192 / page;
  g.deviceName = "chip";
  return g;
}

Bytes randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

class SimTest : public ::testing::Test {
 protected:
  void start(sim::SimConfig config = sim::SimConfig::defaults()) {
    link.reset();
    sim.reset();  // a socket image is held by one simulator at a time
    sim = std::make_unique<sim::SimulatedProgrammer>(std::move(config), clock);
    link = std::make_unique<link::DeviceLink>(*sim, clock);
  }
  void SetUp() override {
    chips.socketA = geometry(2048, 64, 64);
    chips.socketB = geometry(2048, 64, 64);
    start();
  }

  int probe(int spareFlag) { return link::ProbeChips(*link, chips, spareFlag, {}); }

  // The unit sizes the host uses for the selected socket.
  struct Unit {
    std::uint32_t main, stride, wire;
  };
  Unit unit(std::uint8_t flags) const {
    const link::ChipGeometry& g = (flags & kSocketA) ? chips.socketA : chips.socketB;
    std::uint32_t main = static_cast<std::uint32_t>(g.devicePage * g.pageMultiplier);
    std::uint32_t stride =
        main + ((flags & kSpare) ? static_cast<std::uint32_t>(g.deviceOob * g.pageMultiplier) : 0);
    return {main, stride, (stride + 63) / 64 * 64};
  }

  // Programs `image` (spare bytes included with the spare option) the way the host does; the
  // bytes past the image in the last unit are zeros.
  void program(std::uint32_t start, const Bytes& image, std::uint8_t flags) {
    probe(flags & kSpare);
    auto pair =
        link::commandPair(*link, link::kCmdProgram, start, static_cast<std::uint32_t>(image.size()),
                          flags, link::kProgramPair);
    ASSERT_EQ(pair.result, link::PairResult::Accepted);
    const Unit u = unit(flags);
    Bytes wire(u.wire);
    for (std::size_t at = 0; at < image.size(); at += u.stride) {
      std::fill(wire.begin(), wire.end(), 0);
      std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at),
                  std::min<std::size_t>(u.stride, image.size() - at), wire.begin());
      ASSERT_EQ(link->writeData(link::kEpDataOut, wire.data(), static_cast<int>(u.wire), 1000),
                static_cast<int>(u.wire));
    }
  }

  // Reads `length` main bytes the way the host does: the file it would write.
  Bytes read(std::uint32_t start, std::uint32_t length, std::uint8_t flags) {
    probe(flags & kSpare);
    auto pair = link::commandPair(*link, link::kCmdRead, start, length, flags, link::kReadPair);
    EXPECT_EQ(pair.result, link::PairResult::Accepted);
    const Unit u = unit(flags);
    Bytes file;
    Bytes wire(u.wire);
    for (std::uint32_t i = 0; i < (length + u.main - 1) / u.main; ++i) {
      int got = link->readData(link::kEpDataIn, wire.data(), static_cast<int>(u.wire), 3000);
      EXPECT_EQ(got, static_cast<int>(u.wire)) << "unit " << i;
      if (got != static_cast<int>(u.wire)) break;
      file.insert(file.end(), wire.begin(), wire.begin() + u.stride);
    }
    return file;
  }

  VirtualClock clock;
  std::unique_ptr<sim::SimulatedProgrammer> sim;
  std::unique_ptr<link::DeviceLink> link;
  link::ChipState chips;
};

TEST_F(SimTest, ProbeReportsTheDefaultChipsIds) {
  EXPECT_EQ(probe(0), link::kProbeOk);
  EXPECT_EQ(chips.chipIdTextA, "ECF10095");
  EXPECT_EQ(chips.chipIdTextB, "2CDA9095");
}

TEST_F(SimTest, EmptySocketReportsAllOnesId) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.socketB.empty = true;
  start(c);
  probe(0);
  EXPECT_EQ(chips.chipIdTextA, "ECF10095");
  EXPECT_EQ(chips.chipIdTextB, "FFFFFFFF");
}

TEST_F(SimTest, RemembersTheGeometryLastSentPerSocket) {
  EXPECT_FALSE(sim->sentGeometry(0));
  chips.socketB = geometry(4096, 224, 128);
  probe(1);
  auto a = sim->sentGeometry(0);
  auto b = sim->sentGeometry(1);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->makerCode, 0xEC);
  EXPECT_EQ(a->pageSize, 2112);
  EXPECT_EQ(a->spareSize, 64);
  EXPECT_EQ(a->pageMultiplier, 4);
  EXPECT_EQ(a->blockValue, 64);
  EXPECT_EQ(b->makerCode, 0x2C);
  EXPECT_EQ(b->pageSize, 4096 + 224);
  EXPECT_EQ(b->spareSize, 224);
  EXPECT_EQ(b->pageMultiplier, 2);
  probe(0);
  EXPECT_EQ(sim->sentGeometry(0)->pageSize, 2048);
  EXPECT_EQ(sim->sentGeometry(0)->spareSize, 0);
}

TEST_F(SimTest, ReplyRepeatsUntilACommandWithoutReplyClearsIt) {
  auto query = link::CommandPacket::identification(link::kCmdSocket, link::kSubReadIdA);
  ASSERT_EQ(link->writeData(link::kEpCommand, query.bytes().data(), 16, 1000), 16);
  link::Packet r{};
  EXPECT_EQ(link->readData(link::kEpReply, r.data(), 16, 1000), 16);
  EXPECT_EQ(link->readData(link::kEpReply, r.data(), 16, 1000), 16);
  EXPECT_EQ(link::hexBytes(r.data() + 2, 4), "ECF10095");
  auto refresh = link::CommandPacket::identification(link::kCmdRefresh, link::kCmdRefresh);
  link->writeData(link::kEpCommand, refresh.bytes().data(), 16, 1000);
  r.fill(0x11);
  EXPECT_EQ(link->readData(link::kEpReply, r.data(), 16, 1000), 0);
  EXPECT_EQ(r[0], 0x11);          // untouched
  EXPECT_EQ(clock.sleptMs(), 0);  // fast mode: no waiting
}

TEST_F(SimTest, ProgramThenReadRoundTripsWithoutSpare) {
  // Two and a half units from block 3 on socket B; the rest of the last unit stays erased.
  const Bytes image = randomBytes(2 * 8192 + 4096, 1);
  program(3 * kBlockMain, image, 0);
  Bytes back = read(3 * kBlockMain, 3 * 8192, 0);
  ASSERT_EQ(back.size(), 3 * 8192u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), back.begin()));
  EXPECT_TRUE(
      std::all_of(back.begin() + image.size(), back.end(), [](auto b) { return b == 0xFF; }));
  Bytes page = sim->peekPage(1, 3 * 64);
  EXPECT_TRUE(std::all_of(page.begin() + 2048, page.end(), [](auto b) { return b == 0xFF; }))
      << "spare area programmed without the spare option";
}

TEST_F(SimTest, ProgramThenReadRoundTripsWithSpareOnSocketA) {
  // Ends inside the spare bytes of a page: only the image's bytes count as data.
  const Bytes image = randomBytes(2 * 8448 + 2 * 2112 + 2048 + 10, 2);
  program(5 * kBlockMain + 4 * 2048, image, kSpare | kSocketA);
  const std::uint32_t units = 3;
  Bytes back = read(5 * kBlockMain + 4 * 2048, units * 8192, kSpare | kSocketA);
  ASSERT_EQ(back.size(), units * 8448u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), back.begin()));
  EXPECT_TRUE(
      std::all_of(back.begin() + image.size(), back.end(), [](auto b) { return b == 0xFF; }));
  // Page 4 of block 5: main then spare, as the image had them.
  Bytes page = sim->peekPage(0, 5 * 64 + 4);
  EXPECT_TRUE(std::equal(page.begin(), page.end(), image.begin()));
}

TEST_F(SimTest, WireLengthIsRoundedUpTo64BytesWithoutCarryingData) {
  // 8 KiB pages with 744 spare bytes: stride 8936, wire length 8960.
  sim::SimConfig c = sim::SimConfig::defaults();
  c.socketB.pageSize = 8192;
  c.socketB.oobSize = 744;
  c.socketB.pagesPerBlock = 4;
  c.socketB.blocks = 16;
  c.socketB.badBlocks.clear();
  start(c);
  chips.socketB = geometry(8192, 744, 4);
  ASSERT_EQ(unit(kSpare).wire, 8960u);
  const Bytes image = randomBytes(3 * 8936, 3);
  program(0, image, kSpare);
  EXPECT_EQ(read(0, 3 * 8192, kSpare), image);
}

TEST_F(SimTest, FreshChipReadsErased) {
  Bytes back = read(0, 8192, kSpare | kSocketA);
  ASSERT_EQ(back.size(), 8448u);
  EXPECT_TRUE(std::all_of(back.begin(), back.end(), [](auto b) { return b == 0xFF; }));
}

TEST_F(SimTest, ProgrammingErasesEachBlockBeforeItsFirstPage) {
  program(0, Bytes(kBlockMain, 0x00), kSocketA);
  program(0, Bytes(8192, 0x5A), kSocketA);  // one unit into the same block
  Bytes back = read(0, kBlockMain, kSocketA);
  EXPECT_EQ(back[0], 0x5A);
  EXPECT_EQ(back[8192], 0xFF) << "the old data of the block survived the new job";
  EXPECT_EQ(back[kBlockMain - 1], 0xFF);
}

TEST_F(SimTest, SkippingBadBlocksMovesDataPastThem) {
  // Socket A's block 37 is bad: two blocks of data from block 36 land in 36 and 38.
  const Bytes image = randomBytes(2 * kBlockMain, 4);
  program(36 * kBlockMain, image, kSocketA | kSkipBad);
  EXPECT_EQ(sim->peekPage(0, 37 * 64), Bytes(2112, 0x00));
  Bytes page = sim->peekPage(0, 38 * 64);
  EXPECT_TRUE(std::equal(page.begin(), page.begin() + 2048, image.begin() + kBlockMain));
  EXPECT_EQ(read(36 * kBlockMain, 2 * kBlockMain, kSocketA | kSkipBad), image);
  // Read without skipping: the bad block shows as zeros where the second block was.
  Bytes raw = read(36 * kBlockMain, 2 * kBlockMain, kSocketA);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + kBlockMain, raw.begin()));
  EXPECT_TRUE(std::all_of(raw.begin() + kBlockMain, raw.end(), [](auto b) { return b == 0; }));
}

TEST_F(SimTest, WithoutSkippingDataForABadBlockIsLost) {
  const Bytes image = randomBytes(2 * kBlockMain, 5);
  program(37 * kBlockMain, image, kSocketA);
  EXPECT_EQ(sim->peekPage(0, 37 * 64), Bytes(2112, 0x00));
  Bytes back = read(38 * kBlockMain, kBlockMain, kSocketA);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), image.begin() + kBlockMain))
      << "data meant for block 38 must stay in block 38";
}

TEST_F(SimTest, RefusalsAndBadMarkersMakeThePairCycleAgain) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.faults.refuseCycles = 3;
  start(c);
  auto refused = link::commandPair(*link, link::kCmdRead, 0, 8192, kSocketA, link::kReadPair);
  EXPECT_EQ(refused.result, link::PairResult::Accepted);
  EXPECT_EQ(refused.cycles, 4);

  c = sim::SimConfig::defaults();
  c.faults.badMarkerCycles = 2;
  start(c);
  auto garbled = link::commandPair(*link, link::kCmdProgram, 0, 8192, kSocketA, link::kProgramPair);
  EXPECT_EQ(garbled.result, link::PairResult::Accepted);
  EXPECT_EQ(garbled.cycles, 3);
  Bytes wire(8192, 0x42);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 8192)
      << "the accepted pair starts the stream";
}

TEST_F(SimTest, ShortTransferBreaksOffTheStreamOnce) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.faults.shortTransferAtUnit = 1;
  start(c);
  link::commandPair(*link, link::kCmdProgram, 0, 3 * 8192, kSocketA, link::kProgramPair);
  Bytes wire(8192, 0x42);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 8192);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 4096);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 0);
  EXPECT_EQ(sim->peekPage(0, 4), Bytes(2112, 0xFF)) << "the short unit was kept";
  const Bytes image = randomBytes(3 * 8192, 6);
  program(0, image, kSocketA);  // the next job goes through
  EXPECT_EQ(read(0, 3 * 8192, kSocketA), image);
}

TEST_F(SimTest, UnplugLeavesTheProgrammerGoneForGood) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.faults.unplugAtUnit = 1;
  start(c);
  link::commandPair(*link, link::kCmdRead, 0, 3 * 8192, kSocketA, link::kReadPair);
  Bytes wire(8192);
  EXPECT_EQ(link->readData(link::kEpDataIn, wire.data(), 8192, 3000), 8192);
  EXPECT_EQ(link->readData(link::kEpDataIn, wire.data(), 8192, 3000), 0);
  link::Packet r{};
  EXPECT_EQ(link->readData(link::kEpReply, r.data(), 16, 1000), 0)
      << "the acknowledgement is gone too";
  EXPECT_EQ(probe(0), link::kProbeNoProgrammer);
}

TEST_F(SimTest, ANewCommandOrAWrongLengthEndsTheStream) {
  link::commandPair(*link, link::kCmdProgram, 0, 4 * 8192, kSocketA, link::kProgramPair);
  Bytes wire(8448, 0x42);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8448, 1000), 0);  // not a unit
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 0);
  link::commandPair(*link, link::kCmdProgram, 0, 4 * 8192, kSocketA, link::kProgramPair);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 8192);
  probe(0);
  EXPECT_EQ(link->writeData(link::kEpDataOut, wire.data(), 8192, 1000), 0);
}

TEST_F(SimTest, DroppedRepliesLeaveTheProbeBufferAsItStarted) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.faults.dropReplies = true;
  start(c);
  EXPECT_EQ(probe(0), link::kProbeOk);
  EXPECT_EQ(chips.chipIdTextA, "03E405AA");
  EXPECT_EQ(chips.chipIdTextB, "03E405AA");
}

TEST_F(SimTest, GarbledRepliesNeverAcceptAPair) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.faults.garbageReplies = true;
  start(c);
  auto pair =
      link::commandPair(*link, link::kCmdRead, 0, 8192, kSocketA, link::kReadPair, {}, 2000);
  EXPECT_EQ(pair.result, link::PairResult::TimedOut);
}

TEST_F(SimTest, RealTimeModeWaitsOutTheTimeoutOfAnUnansweredRead) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.realTime = true;
  start(c);
  link::Packet r{};
  EXPECT_EQ(link->readData(link::kEpReply, r.data(), 16, 1000), 0);
  EXPECT_EQ(clock.sleptMs(), 1000);
  auto query = link::CommandPacket::identification(link::kCmdQuery, link::kCmdQuery);
  link->writeData(link::kEpCommand, query.bytes().data(), 16, 1000);
  EXPECT_EQ(link->readData(link::kEpReply, r.data(), 16, 1000), 16);
  EXPECT_EQ(clock.sleptMs(), 1000) << "an answered read must not wait";
}

TEST_F(SimTest, AbsentProgrammerAnswersNothing) {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.faults.absent = true;
  c.realTime = true;
  start(c);
  EXPECT_EQ(probe(0), link::kProbeNoProgrammer);
  EXPECT_EQ(clock.sleptMs(), 1000);  // the first command write timed out
}

TEST_F(SimTest, ImageFileKeepsTheChipAcrossRestarts) {
  testing::TempDir dir;
  sim::SimConfig c = sim::SimConfig::defaults();
  c.socketA.imagePath = dir.file("a.img");
  start(c);
  const Bytes image = randomBytes(2 * 8448, 7);
  program(10 * kBlockMain, image, kSpare | kSocketA);

  start(c);  // a new programmer on the same image
  EXPECT_EQ(read(10 * kBlockMain, 2 * 8192, kSpare | kSocketA), image);
  EXPECT_EQ(sim->peekPage(0, 0), Bytes(2112, 0xFF)) << "the gap before block 10 must read erased";
  // The file is a plain dump: page i at i * 2112, erased cells stored as 0xFF.
  const std::string file = dir.read("a.img");
  ASSERT_EQ(file.size(), 10 * 64 * 2112 + 8 * 2112u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), file.begin() + 10 * 64 * 2112,
                         [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }));
  EXPECT_EQ(static_cast<std::uint8_t>(file[0]), 0xFF);
  // Re-programming block 10 with one page erases the rest of the block in the file as well.
  program(10 * kBlockMain, Bytes(2112, 0x00), kSpare | kSocketA);
  start(c);
  EXPECT_EQ(sim->peekPage(0, 10 * 64 + 1), Bytes(2112, 0xFF));
  EXPECT_EQ(sim->peekPage(0, 10 * 64), Bytes(2112, 0x00));
}

TEST_F(SimTest, StreamFromAWorkerWhileAnotherThreadLooksOn) {
  const Bytes image = randomBytes(16 * 8192, 8);
  link::commandPair(*link, link::kCmdProgram, 0, static_cast<std::uint32_t>(image.size()), kSocketA,
                    link::kProgramPair);
  std::thread worker([&] {
    for (std::size_t at = 0; at < image.size(); at += 8192) {
      EXPECT_EQ(link->writeData(link::kEpDataOut, image.data() + at, 8192, 1000), 8192);
    }
  });
  for (int i = 0; i < 200; ++i) sim->peekPage(0, static_cast<std::uint32_t>(i % 64));
  worker.join();
  EXPECT_EQ(read(0, static_cast<std::uint32_t>(image.size()), kSocketA), image);
}

TEST_F(SimTest, ASocketImageServesOneSimulatorAtATime) {
  testing::TempDir dir;
  sim::SimConfig c = sim::SimConfig::defaults();
  c.socketA.imagePath = dir.file("a.img");
  start(c);
  try {
    sim::SimulatedProgrammer second(c, clock);
    ADD_FAILURE() << "two simulators on one image";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(dir.file("a.img") + " is in use"), std::string::npos)
        << e.what();
  }
  link.reset();
  sim.reset();
  EXPECT_NO_THROW(sim::SimulatedProgrammer(c, clock)) << "the lock goes with the simulator";
}

}  // namespace
}  // namespace norvik
