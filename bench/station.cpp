// Copy-station benchmark, real time on the fast simulator, two ratios measured in one run:
//
// 1. The production loop's own cost per chip: a station of three chips (socket B's chip swapped
//    by the simulator's schedule) against three bare copies of the same range. The time the
//    station waits for the operator's swaps (its polling) is set aside; what remains per chip,
//    divided by a bare copy's time, is the loop's cost (1.00: nothing beyond the copy).
// 2. Verify after copy against its floor, two plain reads of the range: the verification (from
//    the moment the copy's label enters its second third, the read of socket A, to the end)
//    divided by the time of reading the range from socket A and from socket B into files.
//
//   bench_station
#include "app/station.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/dialog_template.h"
#include "app/programmer_dlg.h"
#include "app/session.h"
#include "platform/clock.h"
#include "sim/simulated_programmer.h"
#include "test_support.h"

namespace {

using namespace norvik;
namespace ids = app::ids;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// The in-memory host, with the moment the copy's label first showed a percentage noted.
class TimedHost final : public app::DialogHost {
 public:
  std::string text(int id) override { return inner.text(id); }
  void setText(int id, const std::string& text) override {
    if (id == watchedLabel && text == watchedText && !seen) {
      seen = true;
      seenAt = Clock::now();
    }
    inner.setText(id, text);
  }
  bool isChecked(int id) override { return inner.isChecked(id); }
  void setChecked(int id, bool checked) override { inner.setChecked(id, checked); }
  void progressSetRange(int id, int low, int high) override {
    inner.progressSetRange(id, low, high);
  }
  void progressSetPos(int id, int pos) override { inner.progressSetPos(id, pos); }
  void progressSetStep(int id, int step) override { inner.progressSetStep(id, step); }
  void progressStepIt(int id) override { inner.progressStepIt(id); }
  int messageBox(const app::MessageBoxRequest& request) override {
    return inner.messageBox(request);
  }
  std::optional<std::string> fileDialog(const app::FileDialogRequest& request) override {
    return inner.fileDialog(request);
  }

  testing::MemoryHost inner;
  int watchedLabel = 0;
  std::string watchedText;
  bool seen = false;
  Clock::time_point seenAt;
};

class Quiet final : public app::StationOutput {
 public:
  void line(const std::string&) override {}
  void bell() override {}
};

struct Stack {
  RealClock clock;
  std::unique_ptr<app::Session> session;
  TimedHost host;
  app::CProgrammerDlg* dlg = nullptr;

  Stack(const std::filesystem::path& dir, const sim::SimConfig& config) {
    app::SessionOptions options;
    options.device = std::make_unique<sim::SimulatedProgrammer>(config, clock);
    options.clock = &clock;
    options.tracePath = "";
    options.currentDirectory = [folder = dir.string()] { return folder; };
    std::string error;
    session = app::Session::open(std::move(options), &error);
    dlg = &session->attach(host);
    dlg->InitControlsAndConfig();
    dlg->LookUpChips();
    host.inner.setChecked(ids::kCopySpare, false);
    host.inner.setText(ids::kCopyStart, "0");
  }
};

sim::SimConfig chips() {
  sim::SimConfig c = sim::SimConfig::defaults();
  c.realTime = false;
  c.socketA.badBlocks.clear();
  c.socketB.badBlocks.clear();
  return c;
}

double timed(const std::function<void()>& run) {
  const auto t0 = Clock::now();
  run();
  return Ms(Clock::now() - t0).count();
}

// 1: the station's cost per chip beyond a bare copy of 256 KiB.
void loopCost(const std::filesystem::path& dir) {
  constexpr int kChips = 3;
  double bare = 0;
  {
    Stack s(dir, chips());
    s.host.inner.setText(ids::kCopyLength, "40000");
    for (int i = 0; i < kChips; ++i) bare += timed([&] { s.dlg->OnCopy(); });
  }
  sim::SimConfig swapping = chips();
  swapping.swap.chips = kChips;
  swapping.swap.presentMs = 2500;
  swapping.swap.absentMs = 1200;  // longer than the probe's period: no swap is missed
  Stack s(dir, swapping);
  s.host.inner.setText(ids::kCopyLength, "40000");
  app::StationOptions options;
  options.count = kChips;
  options.spareFlag = 0;
  Quiet out;
  app::StationSummary summary;
  const double total = timed([&] { summary = app::runStation(*s.dlg, s.clock, options, out, {}); });
  const double perChip = (total - summary.waitingSeconds * 1000.0) / kChips;
  const double barePerChip = bare / kChips;
  std::printf(
      "station loop: %.3f (%.1f ms per chip beyond a bare copy of %.0f ms; %d of %d chips "
      "passed; %.0f ms of waiting for swaps set aside)\n",
      perChip / barePerChip, perChip - barePerChip, barePerChip, summary.passed, kChips,
      summary.waitingSeconds * 1000.0);
}

// 2: verify after copy against two reads of the range, 8 MiB.
void verifyCost(const std::filesystem::path& dir) {
  Stack s(dir, chips());
  app::CProgrammerDlg& dlg = *s.dlg;
  testing::MemoryHost& host = s.host.inner;
  host.setText(ids::kCopyLength, "800000");
  dlg.setVerifyAfterCopy(true);
  s.host.watchedLabel = ids::kCopyPercent;
  s.host.watchedText = "33％";
  dlg.OnCopy();
  const double verify = Ms(Clock::now() - s.host.seenAt).count();
  const bool equal = dlg.lastOutcome() == app::Outcome::Succeeded && s.host.seen;

  host.setChecked(ids::kReadSpare, false);
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "800000");
  double reads = 0;
  for (const int socket : {ids::kSelectA, ids::kSelectB}) {
    host.click(socket);
    host.queueFileAnswer((dir / "read.bin").string());
    reads += timed([&] { dlg.OnRead(); });
  }
  std::printf("verify after copy, 8 MiB: %.3f of two reads' floor (%.0f ms against %.0f ms)%s\n",
              verify / reads, verify, reads, equal ? "" : " FAILED");
}

}  // namespace

int main() {
  const auto dir =
      std::filesystem::temp_directory_path() / ("norvik-bench-station-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  testing::copyCatalogue(dir.string());
  std::printf("copy station, fast simulator, real time\n");
  loopCost(dir);
  verifyCost(dir);
  std::filesystem::remove_all(dir);
  return 0;
}
