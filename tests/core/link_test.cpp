// The device link: packet framings, the library entry points, the device trace.
#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

#include "link/command_packet.h"
#include "link/device_link.h"
#include "link/exchange.h"
#include "link/geometry_packet.h"
#include "link/replies.h"
#include "operations/job_follower.h"
#include "test_support.h"

namespace norvik {
namespace {

using link::CommandPacket;
using testing::hex;

TEST(CommandPacketTest, BothFramingsPutTheirMarkersAndZerosWhereTheyBelong) {
  EXPECT_EQ(hex(CommandPacket::identification(0x5A, 0x5A).bytes()),
            "55AA5A5A55AA00000000000000000000");
  const CommandPacket op = CommandPacket::operation(0x07, 0x10, 0x800, 0x20000, 0x50);
  EXPECT_EQ(hex(op.bytes()), "AA550710000800000000020050AA5500");
  EXPECT_TRUE(op.isOperation());
  EXPECT_FALSE(op.isIdentification());
  EXPECT_EQ(op.start(), 0x800u);
  EXPECT_EQ(op.length(), 0x20000u);
  EXPECT_EQ(hex(CommandPacket::operation(0x05, 0x05, 0xFFFFFFFF, 0x01020304, 0x7F).bytes()),
            "AA550505FFFFFFFF040302017FAA5500");
}

TEST(CommandPacketTest, ReplyKinds) {
  EXPECT_TRUE(link::ack::matches(testing::packetFromHex("AA550601AA55"), 0x06));
  EXPECT_FALSE(link::ack::matches(testing::packetFromHex("AA550601AA55"), 0x05));
  EXPECT_FALSE(link::ack::matches(testing::packetFromHex("AA550501AA54"), 0x05));
  EXPECT_TRUE(link::progress::matches(testing::packetFromHex("32556401AA55")));
  EXPECT_TRUE(link::progress::matches(testing::packetFromHex("325500FFAA55")))
      << "byte 2 is a percentage, not the command";
  EXPECT_FALSE(link::progress::matches(testing::packetFromHex("33556401AA55")));
}

TEST(GeometryPacketTest, FieldsOfAnyCatalogueValueAreDefinedAndRoundTrip) {
  link::ChipGeometry chip;
  chip.devicePage = 2099999998;  // with the spare bytes, past the largest 32-bit signed value
  chip.deviceOob = 96725048;
  chip.deviceBlock = -1;
  chip.deviceAddr = 5;
  chip.pageMultiplier = 4;
  const auto fields = link::geometry_packet::fromChip(chip, 0xEC, 1);
  EXPECT_EQ(fields.pageSize, 0x5D36) << "the low bytes of the whole sum";
  EXPECT_EQ(fields.blockValue, 0x00FF) << "-1 % 256 and -1 / 256, as always sent";
  const link::CommandPacket packet = link::geometry_packet::encode(link::kSubGeometryA, fields);
  EXPECT_EQ(testing::hex(packet.bytes()), "55AA020355AAEC365DFF050000E83804");
  EXPECT_EQ(link::geometry_packet::decode(packet), fields);
  chip.devicePage = -1;
  chip.deviceOob = -1;
  EXPECT_EQ(link::geometry_packet::fromChip(chip, 0, 1).pageSize, 0xFFFE);
  EXPECT_EQ(link::geometry_packet::fromChip(chip, 0, 1).spareSize, 0x00FF);
}

TEST(DeviceTraceTest, EveryCallAndPauseIsOneLine) {
  testing::TempDir dir;
  testing::EventLog events;
  testing::ScriptedBackend backend(events);
  VirtualClock clock;
  link::DeviceLink link(backend, clock);
  ASSERT_TRUE(link.openTrace(dir.file("trace.txt")));
  unsigned char cmd[16] = {0x55, 0xAA, 0x01, 0x01, 0x55, 0xAA};
  EXPECT_EQ(link.writeData(3, cmd, 16, 1000), 16);
  clock.advanceMs(0.25);
  link.pause(20);
  backend.replies = {testing::packetFromHex("55AAEC")};
  unsigned char reply[16] = {};
  EXPECT_EQ(link.readData(2, reply, 16, 1000), 16);
  std::vector<unsigned char> unit(8448, 0xAB);
  backend.writeResults = {100};
  EXPECT_EQ(link.writeData(1, unit.data(), 8448, 2000), 100);
  EXPECT_EQ(link.readData(0, unit.data(), 8448, 3000), 0);
  EXPECT_EQ(dir.read("trace.txt"),
            "0.000 W 3 16 1000 16 55AA010155AA00000000000000000000\n"
            "20.250 P 20\n"
            "20.250 R 2 16 1000 16 55AAEC00000000000000000000000000\n"
            "20.250 W 1 8448 2000 100 ABABABABABABABABABABABABABABABAB\n"
            "20.250 R 0 8448 3000 0 \n");
}

TEST(CommandPairTest, StopRequestEndsThePairBetweenCycles) {
  testing::EventLog events;
  testing::ScriptedBackend backend(events);
  VirtualClock clock;
  link::DeviceLink link(backend, clock);
  std::stop_source stop;
  stop.request_stop();
  auto out = link::commandPair(link, link::kCmdErase, 0, 1, 0, link::kErasePair, stop.get_token());
  EXPECT_EQ(out.result, link::PairResult::Stopped);
  EXPECT_TRUE(events.events().empty());
}

TEST(CommandPairTest, CopyAndEraseAcceptProgressReportsReadOnce) {
  testing::EventLog events;
  testing::ScriptedBackend backend(events);
  testing::RecordingClock clock(events);
  link::DeviceLink link(backend, clock);
  backend.replies = {testing::packetFromHex("32551000AA55"),
                     testing::packetFromHex("32550003AA55")};
  auto out = link::commandPair(link, link::kCmdCopy, 0x800, 0x20000, 0x50, link::kCopyPair);
  EXPECT_EQ(out.result, link::PairResult::Accepted);
  EXPECT_EQ(out.cycles, 2);
  EXPECT_THAT(events.events(),
              ::testing::ElementsAre("W 3 16 1000 16 AA550707000800000000020050AA5500", "P 20",
                                     "W 3 16 1000 16 AA550710000800000000020050AA5500",
                                     "R 2 16 1000 16 32551000AA5500000000000000000000",
                                     "W 3 16 1000 16 AA550707000800000000020050AA5500", "P 20",
                                     "W 3 16 1000 16 AA550710000800000000020050AA5500",
                                     "R 2 16 1000 16 32550003AA5500000000000000000000"));
}

// A backend that has given up on the programmer, as the device-library backend does after a call
// that hung or crashed: every call fails at once.
class LostBackend final : public link::UsbBackend {
 public:
  int writeData(int, const unsigned char*, int, int) override { return ++calls, 0; }
  int readData(int, unsigned char*, int, int) override { return ++calls, 0; }
  std::string fault() const override { return "qxUSB_ReadData did not return"; }
  int calls = 0;
};

TEST(CommandPairTest, ABackendThatHasGivenUpEndsThePairAfterOneCycle) {
  LostBackend backend;
  VirtualClock clock;
  link::DeviceLink link(backend, clock);
  auto out = link::commandPair(link, link::kCmdErase, 0, 1, 0, link::kErasePair);
  EXPECT_EQ(out.result, link::PairResult::TimedOut);
  EXPECT_EQ(out.cycles, 1);
  EXPECT_EQ(backend.calls, 3);  // set-up, start, one reply read; not 30 seconds of them
}

TEST(JobFollowerTest, ABackendThatHasGivenUpEndsTheFollowAfterOnePoll) {
  struct Ignored final : operations::JobProgress {
    void polled(std::uint8_t, bool) override {}
  } progress;
  LostBackend backend;
  VirtualClock clock;
  link::DeviceLink link(backend, clock);
  link::Packet buffer{};
  const operations::JobOutcome out =
      operations::followJob(link, operations::kErasePolling, buffer, progress, {});
  EXPECT_EQ(out.result, operations::JobResult::Silent);
  EXPECT_EQ(clock.sleptMs(), 100);  // one poll's pause, not the ten seconds of silence
}

// A clock on which a stop is requested once `afterMs` have been slept.
class StoppingClock final : public Clock {
 public:
  StoppingClock(std::stop_source stop, double afterMs)
      : stop_(std::move(stop)), afterMs_(afterMs) {}
  void sleepMs(int ms) override {
    clock_.sleepMs(ms);
    if (clock_.monotonicMs() >= afterMs_) stop_.request_stop();
  }
  double monotonicMs() override { return clock_.monotonicMs(); }
  std::time_t wallNow() override { return clock_.wallNow(); }

 private:
  VirtualClock clock_;
  std::stop_source stop_;
  double afterMs_;
};

TEST(DeviceLinkTest, OnceStoppedNoCallReachesTheBackendAndAPauseEndsEarly) {
  testing::EventLog events;
  testing::ScriptedBackend backend(events);
  std::stop_source stop;
  StoppingClock clock(stop, 200);
  link::DeviceLink link(backend, clock);
  link.dropCallsOnceStopped(stop.get_token());
  const link::Packet packet{};
  EXPECT_EQ(link.writeData(link::kEpCommand, packet.data(), link::kPacketSize, 1000), 16);
  link.pause(1400);  // the stop comes 200 ms into it
  EXPECT_LT(clock.monotonicMs(), 300);
  link::Packet reply{};
  EXPECT_EQ(link.writeData(link::kEpCommand, packet.data(), link::kPacketSize, 1000), 0);
  EXPECT_EQ(link.readData(link::kEpReply, reply.data(), link::kPacketSize, 1000), 0);
  EXPECT_THAT(events.events(),
              ::testing::ElementsAre("W 3 16 1000 16 00000000000000000000000000000000"));
}

}  // namespace
}  // namespace norvik
