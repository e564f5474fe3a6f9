// The device-library backend's own decisions: which exports it takes, what it makes of counts a
// library should never return, a call that never returns, and which backend is chosen.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>

#include "app/backend_factory.h"
#include "devlib/device_library_backend.h"
#include "devlib/entry_points.h"
#include "test_support.h"

namespace norvik {
namespace {

using testing::ScopedEnv;

void writeStub() {}
void readStub() {}

std::function<devlib::RawEntry(const char*)> exporting(std::map<std::string, devlib::RawEntry> e) {
  return [e = std::move(e)](const char* name) {
    const auto found = e.find(name);
    return found == e.end() ? nullptr : found->second;
  };
}

TEST(EntryPointsTest, PlainNamesComeFirstThenTheDecoratedStdcallNames) {
  std::string error;
  std::optional<devlib::EntryPoints> both =
      devlib::resolveEntryPoints(exporting({{"qxUSB_WriteData", &writeStub},
                                            {"_qxUSB_WriteData@16", &readStub},
                                            {"qxUSB_ReadData", &readStub}}),
                                 "qxUSBDev.dll", &error);
  ASSERT_TRUE(both) << error;
  EXPECT_EQ(both->write, &writeStub);
  EXPECT_EQ(both->writeExport, "qxUSB_WriteData");

  std::optional<devlib::EntryPoints> decorated = devlib::resolveEntryPoints(
      exporting({{"_qxUSB_WriteData@16", &writeStub}, {"qxUSB_ReadData@16", &readStub}}),
      "qxUSBDev.dll", &error);
  ASSERT_TRUE(decorated) << error;
  EXPECT_EQ(decorated->writeExport, "_qxUSB_WriteData@16");
  EXPECT_EQ(decorated->read, &readStub);
  EXPECT_EQ(decorated->readExport, "qxUSB_ReadData@16");

  EXPECT_FALSE(devlib::resolveEntryPoints(exporting({{"qxUSB_WriteData", &writeStub}}),
                                          "C:\\norvik\\qxUSBDev.dll", &error));
  EXPECT_EQ(error,
            "C:\\norvik\\qxUSBDev.dll has no function qxUSB_ReadData (looked for qxUSB_ReadData, "
            "_qxUSB_ReadData@16, qxUSB_ReadData@16)");
}

TEST(DeviceLibraryBackendTest, CallsGoUnchangedThroughOneThreadAndBadCountsAreFailedTransfers) {
  struct Seen {
    int endpoint, length, timeoutMs;
    std::string bytes;
    std::thread::id thread;
  };
  std::vector<Seen> seen;
  int nextResult = 0;
  devlib::LibraryFunctions f;
  f.write = [&](int endpoint, unsigned char* buffer, int length, int timeoutMs) {
    seen.push_back({endpoint, length, timeoutMs, std::string(buffer, buffer + length),
                    std::this_thread::get_id()});
    return nextResult;
  };
  f.read = [&](int endpoint, unsigned char* buffer, int length, int timeoutMs) {
    seen.push_back({endpoint, length, timeoutMs, {}, std::this_thread::get_id()});
    for (int i = 0; i < length + 8; ++i) buffer[i] = 0xAB;  // past the end, as a bad library might
    return nextResult;
  };
  devlib::DeviceLibraryBackend backend(std::move(f));
  const unsigned char packet[4] = {0x55, 0xAA, 0x01, 0x01};
  nextResult = 4;
  EXPECT_EQ(backend.writeData(3, packet, 4, 1000), 4);
  nextResult = 5;  // more than was sent
  EXPECT_EQ(backend.writeData(1, packet, 4, 2000), 0);
  nextResult = -1;
  EXPECT_EQ(backend.writeData(1, packet, 4, 2000), 0);

  unsigned char reply[16];
  std::fill(std::begin(reply), std::end(reply), 0x11);
  nextResult = 17;  // more than asked for: nothing is copied
  EXPECT_EQ(backend.readData(2, reply, 16, 1000), 0);
  EXPECT_EQ(reply[0], 0x11);
  nextResult = -5;
  EXPECT_EQ(backend.readData(2, reply, 16, 1000), 0);
  EXPECT_EQ(reply[0], 0x11);
  nextResult = 6;  // a short read: six bytes arrive, the rest stays as it was
  EXPECT_EQ(backend.readData(0, reply, 16, 3000), 6);
  EXPECT_EQ(reply[5], 0xAB);
  EXPECT_EQ(reply[6], 0x11);
  EXPECT_EQ(backend.fault(), "");

  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0].endpoint, 3);
  EXPECT_EQ(seen[0].length, 4);
  EXPECT_EQ(seen[0].timeoutMs, 1000);
  EXPECT_EQ(seen[0].bytes, "\x55\xAA\x01\x01");
  EXPECT_EQ(seen[5].endpoint, 0);
  EXPECT_EQ(seen[5].timeoutMs, 3000);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.thread, seen[0].thread);
    EXPECT_NE(s.thread, std::this_thread::get_id());
  }
}

TEST(DeviceLibraryBackendTest, ACallThatNeverReturnsIsGivenUpAndTheLibraryIsLeftAlone) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> calls{0};
  devlib::LibraryFunctions f;
  f.write = [&](int, unsigned char*, int, int) {
    ++calls;
    return 16;
  };
  f.read = [&calls, released](int, unsigned char* buffer, int length, int) {
    ++calls;
    released.wait();
    for (int i = 0; i < length; ++i) buffer[i] = 0xEE;  // late, into the call's own buffer
    return length;
  };
  {
    // No grace and a time-out of 0: the first read is given up as soon as it is made.
    devlib::DeviceLibraryBackend backend(std::move(f), std::chrono::milliseconds(0));
    unsigned char reply[16] = {};
    EXPECT_EQ(backend.readData(2, reply, 16, 0), 0);
    EXPECT_EQ(backend.fault(),
              "qxUSB_ReadData did not return within 0 ms + 0 ms; the device library is not called "
              "again in this run (unplug the programmer, plug it in again and restart)");
    const unsigned char packet[16] = {};
    EXPECT_EQ(backend.writeData(3, packet, 16, 1000), 0);
    EXPECT_EQ(reply[0], 0x00);
    release.set_value();
  }
  // Only the read that hung was ever made; its late return wrote nothing of ours.
  EXPECT_LE(calls.load(), 1);
}

TEST(BackendChoiceTest, ExplicitThenNorvikBackendThenNorvikSimulatorThenThePlatform) {
  const std::string dll = "dll";
  const std::string nonsense = "usb";
  const std::string empty;
  std::string error;
  {
    ScopedEnv backend("NORVIK_BACKEND", nullptr);
    ScopedEnv simulator("NORVIK_SIMULATOR", nullptr);
    EXPECT_EQ(app::resolveBackendKind(app::BackendKind::Automatic, &error),
              app::BackendKind::Simulator);  // this platform has no device library
    EXPECT_EQ(app::resolveBackendKind(app::BackendKind::DeviceLibrary, &error),
              app::BackendKind::DeviceLibrary);
  }
  {
    ScopedEnv backend("NORVIK_BACKEND", &dll);
    ScopedEnv simulator("NORVIK_SIMULATOR", &empty);
    EXPECT_EQ(app::resolveBackendKind(app::BackendKind::Automatic, &error),
              app::BackendKind::DeviceLibrary);
    EXPECT_EQ(app::resolveBackendKind(app::BackendKind::Simulator, &error),
              app::BackendKind::Simulator);
    // No device library here: a clear refusal, never the simulator in its place.
    VirtualClock clock;
    EXPECT_FALSE(app::makeBackend(app::BackendKind::Automatic, clock, false, &error));
    EXPECT_NE(error.find("qxUSBDev.dll"), std::string::npos) << error;
  }
  {
    ScopedEnv backend("NORVIK_BACKEND", &nonsense);
    EXPECT_FALSE(app::resolveBackendKind(app::BackendKind::Automatic, &error));
    EXPECT_EQ(error, "NORVIK_BACKEND must be sim or dll, not \"usb\"");
  }
}

}  // namespace
}  // namespace norvik
