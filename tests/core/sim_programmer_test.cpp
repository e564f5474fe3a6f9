// The simulated programmer seen from the host: probe, command pairs and data streams through a
// DeviceLink on virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "link/device_link.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "link/probe.h"
#include "link/replies.h"
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
    auto main = static_cast<std::uint32_t>(g.devicePage * g.pageMultiplier);
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
  // Socket A's block 437 is bad: two blocks of data from block 436 land in 436 and 438.
  const Bytes image = randomBytes(2 * kBlockMain, 4);
  program(436 * kBlockMain, image, kSocketA | kSkipBad);
  EXPECT_EQ(sim->peekPage(0, 437 * 64), Bytes(2112, 0x00));
  Bytes page = sim->peekPage(0, 438 * 64);
  EXPECT_TRUE(std::equal(page.begin(), page.begin() + 2048, image.begin() + kBlockMain));
  EXPECT_EQ(read(436 * kBlockMain, 2 * kBlockMain, kSocketA | kSkipBad), image);
  // Read without skipping: the bad block shows as zeros where the second block was.
  Bytes raw = read(436 * kBlockMain, 2 * kBlockMain, kSocketA);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + kBlockMain, raw.begin()));
  EXPECT_TRUE(std::all_of(raw.begin() + kBlockMain, raw.end(), [](auto b) { return b == 0; }));
}

TEST_F(SimTest, WithoutSkippingDataForABadBlockIsLost) {
  const Bytes image = randomBytes(2 * kBlockMain, 5);
  program(437 * kBlockMain, image, kSocketA);
  EXPECT_EQ(sim->peekPage(0, 437 * 64), Bytes(2112, 0x00));
  Bytes back = read(438 * kBlockMain, kBlockMain, kSocketA);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), image.begin() + kBlockMain))
      << "data meant for block 438 must stay in block 438";
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

}  // namespace
}  // namespace norvik

namespace norvik {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One polling cycle as the host sees it.
struct Poll {
  int got;  // of the second read
  link::Packet buffer;
};

// Copy and erase jobs on the wire, driven the way the host polls them.
class SimJobTest : public ::testing::Test {
 protected:
  // Socket A: 8 blocks of 4 pages of 512 + 16 bytes, blocks 2 and 5 bad, every cell holding 0x5A in
  // its image file, so that a block the job leaves alone keeps 0x5A in the file.
  static constexpr std::size_t kPage = 512 + 16;
  static constexpr std::uint32_t kBlockMain = 4 * 512;
  sim::SimConfig smallChip() {
    sim::SimConfig c = sim::SimConfig::defaults();
    c.socketA.pageSize = 512;
    c.socketA.oobSize = 16;
    c.socketA.pagesPerBlock = 4;
    c.socketA.blocks = 8;
    c.socketA.badBlocks = {2, 5};
    c.socketA.imagePath = dir.file("a.img");
    dir.write("a.img", std::string(8 * 4 * kPage, '\x5A'));
    return c;
  }
  void start(sim::SimConfig c) {
    sim.reset();
    sim = std::make_unique<sim::SimulatedProgrammer>(std::move(c), clock);
  }

  void send(std::uint8_t command, std::uint8_t sub, std::uint32_t at, std::uint32_t length,
            std::uint8_t flags) {
    auto p = link::CommandPacket::operation(command, sub, at, length, flags);
    ASSERT_EQ(sim->writeData(link::kEpCommand, p.bytes().data(), 16, 1000), 16);
  }
  // The pair with the host's pauses; the one read after the start packet is the acknowledgement.
  void pair(std::uint8_t command, std::uint32_t at, std::uint32_t length, std::uint8_t flags,
            int pauseAfterStartMs) {
    send(command, command, at, length, flags);
    clock.sleepMs(20);
    send(command, link::kSubStart, at, length, flags);
    clock.sleepMs(pauseAfterStartMs);
    ASSERT_EQ(sim->readData(link::kEpReply, rx.data(), 16, 1000), 16);
  }
  void erase(std::uint32_t at, std::uint32_t length, const link::OperationFlags& flags) {
    pair(link::kCmdErase, at, length, flags.byte(), 20);
  }
  void copy(std::uint32_t at, std::uint32_t length, const link::CopyFlags& flags) {
    pair(link::kCmdCopy, at, length, flags.byte(), 0);
  }

  // Polling cycles (pause, two reads into one buffer) until a whole report says 100, or `limit`.
  std::vector<Poll> pollToEnd(int pauseMs, int limit = 40) {
    std::vector<Poll> polls;
    while (static_cast<int>(polls.size()) < limit) {
      clock.sleepMs(pauseMs);
      sim->readData(link::kEpReply, rx.data(), 16, 1000);
      const int got = sim->readData(link::kEpReply, rx.data(), 16, 1000);
      polls.push_back({got, rx});
      if (got == 16 && link::progress::marked(rx) && link::progress::percent(rx) == 100) break;
    }
    return polls;
  }
  // What the image file holds for block `block` of socket A.
  std::string blockInFile(std::uint32_t block) {
    return dir.read("a.img").substr(block * 4 * kPage, 4 * kPage);
  }
  static std::string erasedBlock() { return std::string(4 * kPage, '\xFF'); }
  static std::string untouchedBlock() { return std::string(4 * kPage, '\x5A'); }

  testing::TempDir dir;
  VirtualClock clock;
  std::unique_ptr<sim::SimulatedProgrammer> sim;
  link::Packet rx{};
};

TEST_F(SimJobTest, EraseReportsRisingProgressAndTheBadBlockCountAt100) {
  start(smallChip());
  // From inside block 1 for four blocks' worth: blocks 1 to 5, of which 2 and 5 are bad. The
  // spare option changes nothing: an erase clears whole blocks.
  link::OperationFlags flags;
  flags.socketA = true;
  flags.spare = true;
  erase(kBlockMain + 100, 4 * kBlockMain, flags);
  EXPECT_TRUE(link::progress::matches(rx));
  EXPECT_EQ(link::progress::status(rx), 1);
  EXPECT_LT(link::progress::percent(rx), 100);

  const std::vector<Poll> polls = pollToEnd(100);
  ASSERT_EQ(link::progress::percent(polls.back().buffer), 100);
  EXPECT_EQ(link::progress::status(polls.back().buffer), 2) << "the bad blocks met";
  EXPECT_GE(polls.size(), 5u) << "fast mode still shows intermediate percentages";
  for (std::size_t i = 0; i + 1 < polls.size(); ++i) {
    EXPECT_TRUE(link::progress::matches(polls[i].buffer));
    EXPECT_EQ(link::progress::status(polls[i].buffer), 1);
    EXPECT_LT(link::progress::percent(polls[i].buffer),
              link::progress::percent(polls[i + 1].buffer));
  }
  EXPECT_EQ(blockInFile(0), untouchedBlock());
  EXPECT_EQ(blockInFile(1), erasedBlock());
  EXPECT_EQ(blockInFile(2), untouchedBlock()) << "a bad block is never erased";
  EXPECT_EQ(blockInFile(4), erasedBlock());
  EXPECT_EQ(blockInFile(5), untouchedBlock());
  EXPECT_EQ(blockInFile(6), untouchedBlock());
}

// The polls hold one report that says 100 before the job is done; the real reports go on after
// it, up to a whole, marked 100.
void expectOneEarly100(const std::vector<Poll>& polls, bool (*isEarly)(const Poll&)) {
  const auto early = std::find_if(polls.begin(), polls.end(), isEarly);
  ASSERT_NE(early, polls.end());
  EXPECT_EQ(link::progress::percent(early->buffer), 100);
  EXPECT_EQ(std::count_if(polls.begin(), polls.end(), isEarly), 1);
  ASSERT_LT(early + 1, polls.end());
  EXPECT_LT(link::progress::percent((early + 1)->buffer), 100) << "the job was not done";
  EXPECT_EQ(polls.back().got, 16);
  EXPECT_TRUE(link::progress::matches(polls.back().buffer));
  EXPECT_EQ(link::progress::percent(polls.back().buffer), 100);
}

TEST_F(SimJobTest, ShortDoneReportComesOnceMidJob) {
  sim::SimConfig c = smallChip();
  c.faults.shortDoneReport = true;
  start(c);
  link::OperationFlags flags;
  flags.socketA = true;
  erase(0, kBlockMain, flags);
  expectOneEarly100(pollToEnd(100), [](const Poll& p) { return p.got == 8; });
}

TEST_F(SimJobTest, WrongMarkDoneReportComesOnceMidJob) {
  sim::SimConfig c = smallChip();
  c.faults.wrongMarkDoneReport = true;
  start(c);
  link::OperationFlags flags;
  flags.socketA = true;
  erase(0, kBlockMain, flags);
  expectOneEarly100(pollToEnd(100),
                    [](const Poll& p) { return p.got == 16 && !link::progress::marked(p.buffer); });
}

TEST_F(SimJobTest, DoneInAckFinishesTheEraseInTheAcknowledgement) {
  sim::SimConfig c = smallChip();
  c.faults.doneInAck = true;
  start(c);
  link::OperationFlags flags;
  flags.socketA = true;
  erase(kBlockMain, 5 * kBlockMain, flags);  // blocks 1 to 5, of which 2 and 5 are bad
  EXPECT_TRUE(link::progress::matches(rx));
  EXPECT_EQ(link::progress::percent(rx), 100);
  EXPECT_EQ(link::progress::status(rx), 2) << "the bad-block count";
  EXPECT_EQ(blockInFile(4), erasedBlock());
}

TEST_F(SimJobTest, StallLeavesTheRangeHalfErasedAndTheProgrammerGone) {
  sim::SimConfig c = smallChip();
  c.faults.stallAtPercent = 50;
  start(c);
  link::OperationFlags flags;
  flags.socketA = true;
  erase(0, 8 * kBlockMain, flags);
  const std::vector<Poll> polls = pollToEnd(100, 6);
  ASSERT_EQ(polls.size(), 6u);
  EXPECT_EQ(polls[3].got, 16);
  EXPECT_EQ(link::progress::percent(polls[3].buffer), 42);
  EXPECT_EQ(polls[4].got, 0) << "at 52 %";
  auto query = link::CommandPacket::identification(link::kCmdQuery, link::kCmdQuery);
  EXPECT_EQ(sim->writeData(link::kEpCommand, query.bytes().data(), 16, 1000), 0);
  // Half of the eight positions: blocks 0, 1, 2 (bad, passed over) and 3.
  EXPECT_EQ(blockInFile(0), erasedBlock());
  EXPECT_EQ(blockInFile(3), erasedBlock());
  EXPECT_EQ(blockInFile(4), untouchedBlock());
  EXPECT_EQ(blockInFile(7), untouchedBlock());
}

TEST_F(SimJobTest, ExtraBadBlocksTurnBadAndSkippingMovesTheRangePastThem) {
  sim::SimConfig c = smallChip();
  c.faults.extraBadBlocks = 1;
  start(c);
  link::OperationFlags flags;
  flags.socketA = true;
  flags.skipBad = true;
  // Two good blocks from block 0: block 0 turns bad, 1 is erased, 2 is bad, 3 is erased.
  erase(0, 2 * kBlockMain, flags);
  EXPECT_EQ(link::progress::status(pollToEnd(100).back().buffer), 2);
  EXPECT_EQ(blockInFile(0), untouchedBlock());
  EXPECT_EQ(blockInFile(1), erasedBlock());
  EXPECT_EQ(blockInFile(3), erasedBlock());
  EXPECT_EQ(blockInFile(4), untouchedBlock());
  EXPECT_EQ(sim->peekPage(0, 0), Bytes(kPage, 0x00)) << "the block stays bad";
}

TEST_F(SimTest, CopyWritesAsPagesMainAndSpareIntoBAndPassesOverABadBlock) {
  // Socket A's block 437 is bad: of blocks 436..438, B gets 436 and 438; B's 437 keeps its data.
  const Bytes image = randomBytes(3 * 64 * 2112, 9);
  program(436 * kBlockMain, image, kSpare | kSocketA);
  program(437 * kBlockMain, Bytes(2112, 0x11), kSpare);
  link::CopyFlags flags;
  flags.ce0 = true;
  for (std::uint8_t sub : {link::kCmdCopy, link::kSubStart}) {
    auto p = link::CommandPacket::operation(link::kCmdCopy, sub, 436 * kBlockMain, 3 * kBlockMain,
                                            flags.byte());
    ASSERT_EQ(sim->writeData(link::kEpCommand, p.bytes().data(), 16, 1000), 16);
  }
  link::Packet r{};
  ASSERT_EQ(sim->readData(link::kEpReply, r.data(), 16, 1000), 16);
  EXPECT_TRUE(link::progress::matches(r));
  EXPECT_EQ(link::progress::status(r), 1);
  int polls = 0;
  while (link::progress::percent(r) != 100 && polls < 20) {
    clock.sleepMs(200);
    sim->readData(link::kEpReply, r.data(), 16, 1000);
    sim->readData(link::kEpReply, r.data(), 16, 1000);
    ++polls;
  }
  EXPECT_EQ(polls, 5) << "a short copy still takes its minimum second";
  for (std::uint32_t page = 436 * 64; page < 439 * 64; ++page) {
    if (page / 64 == 437) continue;
    ASSERT_EQ(sim->peekPage(1, page), sim->peekPage(0, page)) << "page " << page;
  }
  EXPECT_EQ(sim->peekPage(1, 436 * 64 + 5)[2048 + 3], image[5 * 2112 + 2048 + 3]) << "spare";
  EXPECT_EQ(sim->peekPage(1, 437 * 64), Bytes(2112, 0x11)) << "opposite a bad block: untouched";
  EXPECT_EQ(sim->lastJob()->badBlocks, 1);
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
