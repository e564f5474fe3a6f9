// Transfer benchmark: programs an image into the simulated programmer (fast mode) and reads it
// back, and prints for each job the wall time divided by the pauses the protocol mandates for it
// (probes, command pair, one 1 ms pause per unit when programming, two when reading): 1.00 means
// the front end adds nothing to the protocol's own time. Then the copy and the erase of 16 MiB,
// whose floor is the job's own time inside the programmer plus the pauses before it starts (the
// polling can add at most one polling period), and the self-test against its mandated pauses.
// Then the peak resident memory of a whole run with a 16 MiB and a 256 MiB image, each in a
// process of its own.
//
//   bench_transfer            all of it
//   bench_transfer run MIB    one run (used by the memory measurement)
//   bench_transfer jobs       the copy, the erase and the self-test only
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "app/dialog_template.h"
#include "app/programmer_dlg.h"
#include "app/session.h"
#include "devlib/device_library_backend.h"
#include "link/device_link.h"
#include "platform/clock.h"
#include "sim/simulated_programmer.h"
#include "test_support.h"

namespace {

using namespace norvik;
namespace ids = app::ids;

struct Result {
  double programRatio, readRatio;
  bool identical;
};

// The stack on the given simulator and clock, working in `dir`, without a trace. (The tests' rig
// records every transfer, which would show in the memory measured here.)
std::unique_ptr<app::Session> openSession(std::unique_ptr<link::UsbBackend> simulator, Clock& clock,
                                          const std::filesystem::path& dir) {
  app::SessionOptions options;
  options.device = std::move(simulator);
  options.clock = &clock;
  options.tracePath = "";
  options.currentDirectory = [folder = dir.string()] { return folder; };
  std::string error;
  return app::Session::open(std::move(options), &error);
}

// The simulator behind the device-library backend, as a real library would sit: every call
// handed to the library thread and its bytes copied there and back.
std::unique_ptr<link::UsbBackend> behindLibraryThread(
    std::unique_ptr<sim::SimulatedProgrammer> simulator) {
  std::shared_ptr<sim::SimulatedProgrammer> shared = std::move(simulator);
  devlib::LibraryFunctions calls;
  calls.write = [shared](int endpoint, unsigned char* buffer, int length, int timeoutMs) {
    return shared->writeData(endpoint, buffer, length, timeoutMs);
  };
  calls.read = [shared](int endpoint, unsigned char* buffer, int length, int timeoutMs) {
    return shared->readData(endpoint, buffer, length, timeoutMs);
  };
  return std::make_unique<devlib::DeviceLibraryBackend>(std::move(calls));
}

Result run(int mebibytes, const std::filesystem::path& dir, bool throughLibrary = false) {
  std::filesystem::create_directories(dir);
  testing::copyCatalogue(dir.string());
  const std::uint64_t size = std::uint64_t(mebibytes) << 20;
  {
    std::ofstream img(dir / "image.bin", std::ios::binary);
    std::mt19937_64 gen(42);
    std::vector<std::uint64_t> block(1 << 14);
    for (std::uint64_t done = 0; done < size; done += block.size() * 8) {
      for (auto& w : block) w = gen();
      img.write(reinterpret_cast<const char*>(block.data()),
                static_cast<std::streamsize>(block.size() * 8));
    }
  }

  RealClock clock;
  sim::SimConfig config = sim::SimConfig::defaults();
  config.realTime = false;
  config.socketA.blocks = 4096;  // 512 MiB of main area, no bad block in the way
  config.socketA.badBlocks.clear();
  config.socketA.imagePath = (dir / "socket-a.img").string();
  auto simulator = std::make_unique<sim::SimulatedProgrammer>(config, clock);
  std::unique_ptr<app::Session> session =
      openSession(throughLibrary ? behindLibraryThread(std::move(simulator)) : std::move(simulator),
                  clock, dir);
  link::DeviceLink& link = session->link();
  testing::MemoryHost host;
  app::CProgrammerDlg& dlg = session->attach(host);
  dlg.InitControlsAndConfig();
  dlg.LookUpChips();
  host.click(ids::kSelectA);
  host.setChecked(ids::kProgramSpare, false);
  host.setChecked(ids::kReadSpare, false);
  host.setText(ids::kProgramStart, "0");
  host.queueFileAnswer((dir / "image.bin").string());
  dlg.OnOpenFile();
  double pausedBefore = link.mandatedPauseMs();

  using Ms = std::chrono::duration<double, std::milli>;
  auto t0 = std::chrono::steady_clock::now();
  dlg.OnProgram();
  const double programWall = Ms(std::chrono::steady_clock::now() - t0).count();
  const double programPauses = link.mandatedPauseMs() - pausedBefore;
  pausedBefore = link.mandatedPauseMs();

  char length[32];
  std::snprintf(length, sizeof length, "%llX", static_cast<unsigned long long>(size));
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, length);
  host.queueFileAnswer((dir / "back.bin").string());
  t0 = std::chrono::steady_clock::now();
  dlg.OnRead();
  const double readWall = Ms(std::chrono::steady_clock::now() - t0).count();
  const double readPauses = link.mandatedPauseMs() - pausedBefore;

  bool identical = dlg.lastOutcome() == app::Outcome::Succeeded;
  std::ifstream a(dir / "image.bin", std::ios::binary), b(dir / "back.bin", std::ios::binary);
  std::vector<char> x(1 << 20), y(1 << 20);
  while (identical && a && b) {
    a.read(x.data(), static_cast<std::streamsize>(x.size()));
    b.read(y.data(), static_cast<std::streamsize>(y.size()));
    identical =
        a.gcount() == b.gcount() && std::equal(x.begin(), x.begin() + a.gcount(), y.begin());
  }
  std::filesystem::remove_all(dir);
  return {programWall / programPauses, readWall / readPauses, identical};
}

// Real time, with the pauses of one length told apart from the others.
class TallyClock final : public Clock {
 public:
  void sleepMs(int ms) override {
    inner_.sleepMs(ms);
    (ms == pollingMs ? pollingSlept : otherSlept) += ms;
  }
  void sleepUntilMs(double deadlineMs) override { inner_.sleepUntilMs(deadlineMs); }
  double monotonicMs() override { return inner_.monotonicMs(); }
  std::time_t wallNow() override { return inner_.wallNow(); }
  int pollingMs = 0;
  double pollingSlept = 0;
  double otherSlept = 0;

 private:
  RealClock inner_;
};

// Copy and erase of 16 MiB, then the self-test, each in the same session.
void runJobs(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  testing::copyCatalogue(dir.string());
  {
    std::ofstream test(dir / "test.bin", std::ios::binary);
    std::mt19937 gen(7);
    std::string bytes(0x600000, '\0');
    for (char& c : bytes) c = static_cast<char>('A' + gen() % 26);
    test << bytes;
  }
  TallyClock clock;
  sim::SimConfig config = sim::SimConfig::defaults();
  config.realTime = false;
  config.socketA.badBlocks.clear();
  config.socketB.badBlocks.clear();
  auto simulator = std::make_unique<sim::SimulatedProgrammer>(config, clock);
  sim::SimulatedProgrammer* programmer = simulator.get();
  std::unique_ptr<app::Session> session = openSession(std::move(simulator), clock, dir);
  link::DeviceLink& link = session->link();
  testing::MemoryHost host;
  app::CProgrammerDlg& dlg = session->attach(host);
  dlg.InitControlsAndConfig();
  dlg.LookUpChips();
  using Ms = std::chrono::duration<double, std::milli>;

  auto job = [&](const char* name, int polling, const std::function<void()>& run) {
    clock.pollingMs = polling;
    clock.otherSlept = 0;
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const double wall = Ms(std::chrono::steady_clock::now() - t0).count();
    const double jobMs = programmer->lastJob() ? programmer->lastJob()->durationMs : 0;
    // The polling pauses overlap the job's own time; the pauses before the job do not.
    const double floor = jobMs + clock.otherSlept;
    std::printf("%s: %.3f (%.0f ms above the floor of %.0f ms; one polling period: %d ms)%s\n",
                name, wall / floor, wall - floor, floor, polling,
                dlg.lastOutcome() == app::Outcome::Succeeded ? "" : " FAILED");
  };
  host.setText(ids::kCopyStart, "0");
  host.setText(ids::kCopyLength, "1000000");
  job("copy 16 MiB ", 200, [&] { dlg.OnCopy(); });
  host.click(ids::kSelectB);
  host.setText(ids::kEraseStart, "0");
  host.setText(ids::kEraseLength, "1000000");
  job("erase 16 MiB", 100, [&] { dlg.OnErase(); });

  const double pausedBefore = link.mandatedPauseMs();
  const auto t0 = std::chrono::steady_clock::now();
  dlg.OnChipTest();
  const double wall = Ms(std::chrono::steady_clock::now() - t0).count();
  std::printf("self-test:    %.3f%s\n", wall / (link.mandatedPauseMs() - pausedBefore),
              dlg.lastOutcome() == app::Outcome::Succeeded ? "" : " FAILED");
  std::filesystem::remove_all(dir);
}

long childPeakKiB(const char* self, int mebibytes) {
  pid_t pid = fork();
  if (pid == 0) {
    std::string mib = std::to_string(mebibytes);
    execl(self, self, "run", mib.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const auto base =
      std::filesystem::temp_directory_path() / ("norvik-bench-" + std::to_string(getpid()));
  if (argc == 3 && std::string(argv[1]) == "run") {
    Result r = run(std::atoi(argv[2]), base);
    std::printf("%s MiB: program %.3f, read %.3f, read-back %s\n", argv[2], r.programRatio,
                r.readRatio, r.identical ? "identical" : "DIFFERENT");
    return r.identical ? 0 : 1;
  }
  if (argc == 2 && std::string(argv[1]) == "library") {
    // The same 16 MiB, once straight to the simulator, once through the library thread.
    const Result direct = run(16, base / "direct");
    const Result library = run(16, base / "library", true);
    std::printf(
        "16 MiB, wall time / mandated pauses: program %.3f direct, %.3f through the "
        "library thread (ratio %.3f); read %.3f direct, %.3f (ratio %.3f)\n",
        direct.programRatio, library.programRatio, library.programRatio / direct.programRatio,
        direct.readRatio, library.readRatio, library.readRatio / direct.readRatio);
    return direct.identical && library.identical ? 0 : 1;
  }
  if (argc == 2 && std::string(argv[1]) == "jobs") {
    runJobs(base / "jobs");
    return 0;
  }
  std::printf("wall time / mandated pauses (1.00 = no overhead), 16 MiB image, fast simulator\n");
  Result r = run(16, base);
  std::printf("program: %.3f\nread:    %.3f\nread-back %s\n", r.programRatio, r.readRatio,
              r.identical ? "identical" : "DIFFERENT");
  runJobs(base / "jobs");
  std::fflush(stdout);
  const long small = childPeakKiB(argv[0], 16);
  const long large = childPeakKiB(argv[0], 256);
  std::printf("peak resident memory: 16 MiB image %ld KiB, 256 MiB image %ld KiB (ratio %.2f)\n",
              small, large, static_cast<double>(large) / static_cast<double>(small));
  return r.identical ? 0 : 1;
}
