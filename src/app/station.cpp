#include "app/station.h"

#include <cstdio>

#include "app/exit_codes.h"
#include "app/open_failure.h"
#include "link/probe.h"

namespace norvik::app {

namespace {

// The probe looks at the sockets at most this often while it waits for a chip.
constexpr double kPollPeriodMs = 1000;

std::string chipLine(int number, const std::string& id, const JournalRecord& r) {
  char head[96];
  std::snprintf(head, sizeof head, "#%-4d %s  %-4s %7.2f s  ", number, id.c_str(),
                r.result == "ok" ? "ok" : "FAIL", r.seconds);
  std::string text = head;
  text += r.sha256.empty() ? "-" : "SHA-256 " + r.sha256;
  if (r.result == "ok") return text;
  // The failure and where it lies; the rest (advice) went with the operation's own message.
  std::string reason = r.result;
  const std::size_t first = reason.find('\n');
  const std::size_t second = first == std::string::npos ? first : reason.find('\n', first + 1);
  if (second != std::string::npos) reason.resize(second);
  if (first != std::string::npos) reason[first] = ' ';
  return text + "  " + reason;
}

std::string summaryLine(const StationSummary& s) {
  char text[256];
  std::snprintf(text, sizeof text, "%s: %d passed, %d failed, %.2f s per chip, %.0f chips per hour",
                s.stopped ? "stopped" : "done", s.passed, s.failed, s.meanSeconds, s.chipsPerHour);
  return text;
}

class Station {
 public:
  Station(CProgrammerDlg& dlg, Clock& clock, const StationOptions& options, StationOutput& out,
          std::stop_token stop)
      : dlg_(dlg), clock_(clock), options_(options), out_(out), stop_(std::move(stop)) {}

  StationSummary run() {
    const double startedMs = clock_.monotonicMs();
    double lastChipEndMs = startedMs;
    double operationSeconds = 0;
    bool needRemoval = false;
    for (int number = 1; options_.count == 0 || number <= options_.count; ++number) {
      if (!waitForChip(needRemoval)) break;
      const Outcome outcome = runChip(number);
      lastChipEndMs = clock_.monotonicMs();
      needRemoval = true;
      if (outcome == Outcome::Stopped) {
        summary_.stopped = true;
        break;
      }
      operationSeconds += dlg_.lastRecord().seconds;
      if (outcome == Outcome::Succeeded) {
        ++summary_.passed;
      } else {
        ++summary_.failed;
        out_.bell();
      }
    }
    const int chips = summary_.passed + summary_.failed;
    if (chips > 0) {
      summary_.meanSeconds = operationSeconds / chips;
      const double hours = (lastChipEndMs - startedMs) / 3'600'000.0;
      summary_.chipsPerHour = hours > 0 ? chips / hours : 0;
    }
    if (summary_.noProgrammer) {
      summary_.exitCode = kExitNoProgrammer;
    } else if (summary_.failed > 0) {
      summary_.exitCode = kExitStationFailures;
    }
    out_.line(summaryLine(summary_));
    return summary_;
  }

 private:
  // Probes until socket B holds a recognised chip, having first seen it without one when
  // `needRemoval`. False when the stop came or the programmer stopped answering.
  bool waitForChip(bool needRemoval) {
    const double since = clock_.monotonicMs();
    struct Tally {
      Clock& clock;
      double since;
      double& total;
      ~Tally() { total += (clock.monotonicMs() - since) / 1000.0; }
    } tally{clock_, since, summary_.waitingSeconds};
    bool said = false;
    for (;;) {
      if (stop_.stop_requested()) {
        summary_.stopped = true;
        return false;
      }
      const double polledAt = clock_.monotonicMs();
      if (dlg_.PollSockets(options_.spareFlag) == link::kProbeNoProgrammer) {
        summary_.noProgrammer = true;
        out_.line("no programmer answers: the station ends");
        return false;
      }
      const bool present = !dlg_.state().chips.socketB.unrecognised();
      if (needRemoval && !present) needRemoval = false;
      if (!needRemoval && present) return true;
      if (!said) {
        out_.line(needRemoval ? "take the chip out of socket B" : "waiting for a chip in socket B");
        said = true;
      }
      clock_.sleepUntilMs(polledAt + kPollPeriodMs);
    }
  }

  // The chip's operation and verification, under one journal record.
  Outcome runChip(int number) {
    {
      CProgrammerDlg::RecordScope record(
          dlg_, options_.job == StationOptions::Job::Copy ? "copy" : "program");
      dlg_.record().stationChip = number;
      if (options_.job == StationOptions::Job::Copy) {
        dlg_.setVerifyAfterCopy(options_.verify);
        dlg_.OnCopy(stop_);
      } else {
        programChip();
      }
    }
    out_.line(chipLine(number, dlg_.state().chips.chipIdTextB, dlg_.lastRecord()));
    return dlg_.lastOutcome();
  }

  void programChip() {
    files::FileObject& image = dlg_.state().imageFile;
    if (!image.isOpen() &&
        !image.open(options_.imagePath, files::Access::Read, files::Disposition::OpenExisting)) {
      dlg_.reportFailure(Outcome::FileUnusable,
                         openFailureText(image, options_.imagePath, /*creating=*/false));
      return;
    }
    dlg_.OnProgram(stop_);
    if (dlg_.lastOutcome() == Outcome::Succeeded && options_.verify) {
      dlg_.VerifyProgrammed(options_.imagePath, stop_);
    }
  }

  CProgrammerDlg& dlg_;
  Clock& clock_;
  const StationOptions& options_;
  StationOutput& out_;
  std::stop_token stop_;
  StationSummary summary_;
};

}  // namespace

StationSummary runStation(CProgrammerDlg& dlg, Clock& clock, const StationOptions& options,
                          StationOutput& out, std::stop_token stop) {
  return Station(dlg, clock, options, out, std::move(stop)).run();
}

}  // namespace norvik::app
