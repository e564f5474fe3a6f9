#include "cli_runner.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/front_end.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "app/station.h"
#include "console_host.h"
#include "exit_codes.h"
#include "terminal.h"

namespace norvik::cli {

namespace ids = app::ids;

namespace {

// One run of the programmer's front end: the session (backend, link, trace, state, handlers)
// on the console host.
class CliRun {
 public:
  explicit CliRun(bool showProgress) : host_(showProgress) {}

  // kExitOk, or the code for a backend that cannot be used (with its message printed).
  int start(const Options& opt) {
    app::SessionOptions options;
    options.realTime = false;
    options.deviceLibrary = opt.deviceLibrary;
    app::StartFailure failure;
    session_ = app::openFrontEndSession(opt.backendChoice, std::move(options), &failure);
    if (!session_) {
      std::fprintf(stderr, "%s\n", failure.text.c_str());
      switch (failure.kind) {
        case app::StartFailure::Kind::BadChoice:
          return kExitUsage;
        case app::StartFailure::Kind::DeviceLibrary:
          return kExitDeviceLibrary;
        case app::StartFailure::Kind::None:
        case app::StartFailure::Kind::Simulator:
          break;
      }
      return kExitSimulator;
    }
    if (const std::string warning = app::traceWarning(*session_); !warning.empty()) {
      std::fprintf(stderr, "%s\n", warning.c_str());
    }
    dlg_ = &session_->attach(host_);
    return kExitOk;
  }

  const app::Backend& backend() const { return session_->backend(); }
  Clock& clock() { return session_->clock(); }

  ConsoleHost& host() { return host_; }
  app::CProgrammerDlg& dlg() { return *dlg_; }
  app::ProgrammerState& state() { return session_->state(); }

  // The code for how the last handler ended.
  int outcome() const { return exitCodeFor(dlg_->lastOutcome()); }

  // Start-up as the dialog does it (Config.ini, first probe, detection lines), then the lookup,
  // then the command line's choices on top of Config.ini's. What the command line leaves out
  // stays as start-up left it, so the command works as the dialog would: with no socket radio
  // checked on socket B, with no chip-enable radio checked without a chip-enable bit.
  int prepare(const Options& opt, int spareBox, int skipBadBox, int startEdit) {
    // A signal during the probes that come before an operation's first cycle ends them, and the
    // operation then stops at its first cycle, as it would later.
    session_->link().endProbesOnceStopped(opt.stop);
    if (!dlg_->InitControlsAndConfig()) return kExitNoProgrammer;
    dlg_->LookUpChips();
    if (!opt.socket.empty()) {
      host_.click(opt.socket == "A" || opt.socket == "a" ? ids::kSelectA : ids::kSelectB);
    }
    if (!opt.ce.empty()) host_.click(opt.ce == "1" ? ids::kCe1 : ids::kCe0);
    host_.setChecked(spareBox, opt.spare);
    host_.setChecked(skipBadBox, opt.skipBad);
    host_.setText(startEdit, opt.start);
    return kExitOk;
  }

  // A backend that stopped reaching the programmer (a library call that hung or crashed) says
  // why, after the run's own message, on standard error and as a line of the log. A crash has
  // an exit code of its own; a hung call keeps the code of the failure it caused.
  int reportDeviceFault(int rc) {
    const std::string fault = session_->device().fault();
    if (fault.empty()) return rc;
    std::fprintf(stderr, "norvik-cli: %s\n", fault.c_str());
    dlg_->logDeviceFault(fault);
    return session_->device().crashed() ? kExitLibraryCrash : rc;
  }

  // The cancel command: the run's log appended to systemlog.log. A run that went well but whose
  // log could not be written says so in its exit code; a failure's own code is kept.
  int saveLog(int rc) {
    host_.endProgressLine();
    rc = reportDeviceFault(rc);
    const bool saved = dlg_->OnCancel();
    return rc == kExitOk && !saved ? kExitLogNotSaved : rc;
  }

  // detect saves no log: once stopped, it makes no further library call and ends.
  void stopCallsOn(std::stop_token stop) { session_->link().dropCallsOnceStopped(std::move(stop)); }

 private:
  ConsoleHost host_;
  std::unique_ptr<app::Session> session_;
  app::CProgrammerDlg* dlg_ = nullptr;
};

// Reads the programmed range back and compares it with the image.
int verify(CliRun& s, const Options& opt) {
  const app::Verification v = s.dlg().VerifyProgrammed(opt.path, opt.stop);
  switch (v.outcome) {
    case app::Outcome::Succeeded:
      std::printf("verify: %llu bytes identical\n", static_cast<unsigned long long>(v.compared));
      return kExitOk;
    case app::Outcome::TestFailed:
      if (v.block && v.page) {
        std::printf("verify: first difference at offset 0x%llX (block %llu, page %llu)\n",
                    static_cast<unsigned long long>(v.firstDifference),
                    static_cast<unsigned long long>(*v.block),
                    static_cast<unsigned long long>(*v.page));
      } else {
        std::printf("verify: first difference at offset 0x%llX\n",
                    static_cast<unsigned long long>(v.firstDifference));
      }
      if (!v.explanation.empty()) std::fprintf(stderr, "%s\n", v.explanation.c_str());
      return kExitVerify;
    default:
      if (!v.explanation.empty()) std::fprintf(stderr, "verify: %s\n", v.explanation.c_str());
      return exitCodeFor(v.outcome);
  }
}

// The checksums of what the operation moved, when it moved something whole: "image" for what
// was programmed, "output" for what a read received.
void printChecksums(const char* what, const app::JournalRecord& record) {
  if (record.sha256.empty() || !record.fileBytes) return;
  std::printf("%s: %llu bytes, CRC-32 %s, SHA-256 %s\n", what,
              static_cast<unsigned long long>(*record.fileBytes), record.crc32.c_str(),
              record.sha256.c_str());
}

// Where a comparison or a blank check found its first byte: the offset and, when the chip's
// geometry tells, its block and page.
std::string placeText(std::uint64_t offset, const std::optional<std::uint64_t>& block,
                      const std::optional<std::uint64_t>& page) {
  char text[128];
  if (block && page) {
    std::snprintf(text, sizeof text, "offset 0x%llX (block %llu, page %llu)",
                  static_cast<unsigned long long>(offset), static_cast<unsigned long long>(*block),
                  static_cast<unsigned long long>(*page));
  } else {
    std::snprintf(text, sizeof text, "offset 0x%llX", static_cast<unsigned long long>(offset));
  }
  return text;
}

// What the copy's verification found; its messages went to standard error already.
void printCopyVerification(const app::Verification& v) {
  if (v.outcome == app::Outcome::Succeeded) {
    std::printf("verify: socket B equals socket A, %llu bytes, SHA-256 %s\n",
                static_cast<unsigned long long>(v.compared), v.sha256.c_str());
  } else if (v.outcome == app::Outcome::TestFailed) {
    std::printf("verify: first difference at %s, %llu byte%s differ%s\n",
                placeText(v.firstDifference, v.block, v.page).c_str(),
                static_cast<unsigned long long>(v.differing), v.differing == 1 ? "" : "s",
                v.differing == 1 ? "s" : "");
  }
}

// The station's lines on standard output, its bell on the terminal.
class ConsoleStationOutput final : public app::StationOutput {
 public:
  explicit ConsoleStationOutput(ConsoleHost& host) : host_(host) {}
  void line(const std::string& text) override {
    host_.endProgressLine();
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }
  void bell() override {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }

 private:
  ConsoleHost& host_;
};

// A length edit: the given length, else `chip`'s length (an unrecognised chip leaves the edit as
// start-up filled it).
void setLength(CliRun& s, int edit, const std::string& given, const link::ChipGeometry& chip) {
  if (!given.empty()) {
    s.host().setText(edit, given);
  } else if (!chip.unrecognised()) {
    s.host().setText(edit, chip.deviceLens);
  }
}

// The read group's length edit: the given length, else the selected socket's chip length.
void setReadLength(CliRun& s, const Options& opt) {
  const link::ChipState& chips = s.state().chips;
  setLength(s, ids::kReadLength, opt.length,
            s.host().isChecked(ids::kSelectA) ? chips.socketA : chips.socketB);
}

}  // namespace

int runDetect(const Options& opt) {
  CliRun s(false);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  s.host().setChecked(ids::kCopySpare, opt.spare);
  s.stopCallsOn(opt.stop);
  s.dlg().OnRefreshDevice();
  if (opt.stop.stop_requested()) return kExitOk;  // main ends it with the signal's code
  if (s.dlg().lastOutcome() == app::Outcome::NoProgrammer) {
    std::fprintf(stderr, "%s\n", app::kMsgNoDevice);
    return s.reportDeviceFault(kExitNoProgrammer);
  }
  const auto& c = s.state().chips;
  std::printf("A %s %s %s\n", c.chipIdTextA.c_str(), c.socketA.deviceName.c_str(),
              c.pageBlockTextA.c_str());
  std::printf("B %s %s %s\n", c.chipIdTextB.c_str(), c.socketB.deviceName.c_str(),
              c.pageBlockTextB.c_str());
  return s.reportDeviceFault(kExitOk);  // a call that failed after the last answer
}

int runProgram(const Options& opt) {
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  int rc = kExitOk;
  {
    // One record for the whole command: opening the image, programming, verifying.
    const app::CProgrammerDlg::RecordScope record(s.dlg(), "program");
    rc = s.prepare(opt, ids::kProgramSpare, ids::kProgramSkipBad, ids::kProgramStart);
    if (rc == kExitOk) {
      s.dlg().restartRecordTimer();
      s.host().answerFileDialog(opt.path);
      s.dlg().OnOpenFile();
      if (!s.state().imageFile.isOpen()) {
        rc = kExitFile;
      } else {
        s.dlg().OnProgram(opt.stop);
        rc = s.outcome();
        if (rc == kExitOk) {
          s.host().endProgressLine();
          printChecksums("image", s.dlg().record());
        }
        if (rc == kExitOk && opt.verify) rc = verify(s, opt);
      }
    }
  }
  return s.saveLog(rc);
}

int runRead(const Options& opt) {
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  int rc = s.prepare(opt, ids::kReadSpare, ids::kReadSkipBad, ids::kReadStart);
  if (rc == kExitOk) {
    setReadLength(s, opt);
    s.host().answerFileDialog(opt.path);
    s.dlg().OnRead(opt.stop);
    rc = s.outcome();
    s.host().endProgressLine();
    if (rc == kExitOk) printChecksums("output", s.dlg().lastRecord());
  }
  return s.saveLog(rc);
}

}  // namespace norvik::cli

namespace norvik::cli {

int runCopy(const Options& opt) {
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  int rc = s.prepare(opt, ids::kCopySpare, ids::kCopySkipBad, ids::kCopyStart);
  if (rc == kExitOk) {
    s.host().setText(ids::kCopyLength, opt.length);
    s.dlg().setVerifyAfterCopy(opt.verify);
    s.dlg().OnCopy(opt.stop);
    rc = s.outcome();
    s.host().endProgressLine();
    printCopyVerification(s.dlg().lastCopyVerification());
  }
  return s.saveLog(rc);
}

int runErase(const Options& opt) {
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  int rc = s.prepare(opt, ids::kCopySpare, ids::kCopySkipBad, ids::kEraseStart);
  if (rc == kExitOk) {
    s.host().setText(ids::kEraseLength, opt.length);
    s.dlg().OnErase(opt.stop);
    rc = s.outcome();
    if (rc == kExitOk) {
      s.host().endProgressLine();
      std::printf("bad blocks: %d\n", s.dlg().lastBadBlockCount());
    }
  }
  return s.saveLog(rc);
}

int runSelfTest(const Options& opt) {
  if (!opt.yes && !isTerminal(stdin)) {
    std::fprintf(stderr,
                 "selftest destroys the chip's contents; confirm with --yes (no terminal to ask "
                 "on)\n");
    return kExitUsage;
  }
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  s.host().setConfirmation(opt.yes ? ConsoleHost::Confirmation::Yes
                                   : ConsoleHost::Confirmation::Ask);
  int rc = s.prepare(opt, ids::kProgramSpare, ids::kProgramSkipBad, ids::kProgramStart);
  if (rc == kExitOk) {
    // The test's read step uses the read group's options: the same as its program step's.
    s.host().setChecked(ids::kReadSpare, opt.spare);
    s.host().setChecked(ids::kReadSkipBad, opt.skipBad);
    s.dlg().OnChipTest(opt.stop);
    rc = s.outcome();
  }
  return s.saveLog(rc);
}

int runBlankCheck(const Options& opt) {
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  int rc = s.prepare(opt, ids::kReadSpare, ids::kReadSkipBad, ids::kReadStart);
  if (rc == kExitOk) {
    setReadLength(s, opt);
    const app::BlankCheck b = s.dlg().CheckBlank(opt.stop);
    rc = s.outcome();
    s.host().endProgressLine();
    if (b.outcome == app::Outcome::Succeeded) {
      std::printf("blank: all %llu bytes are 0xFF\n", static_cast<unsigned long long>(b.checked));
    } else if (b.outcome == app::Outcome::TestFailed) {
      std::printf("not blank: first byte that is not 0xFF at %s, %llu of %llu bytes not 0xFF\n",
                  placeText(b.firstOffset, b.block, b.page).c_str(),
                  static_cast<unsigned long long>(b.notBlank),
                  static_cast<unsigned long long>(b.checked));
    }
  }
  return s.saveLog(rc);
}

int runStation(const Options& opt, bool program) {
  CliRun s(opt.showProgress);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  const int spareBox = program ? ids::kProgramSpare : ids::kCopySpare;
  const int skipBadBox = program ? ids::kProgramSkipBad : ids::kCopySkipBad;
  int rc = s.prepare(opt, spareBox, skipBadBox, program ? ids::kProgramStart : ids::kCopyStart);
  if (rc != kExitOk) return s.saveLog(rc);
  if (program) {
    s.host().click(ids::kSelectB);  // the station's chips are in socket B
  } else {
    // The copy's length: the given one, else socket A's chip length.
    setLength(s, ids::kCopyLength, opt.length, s.state().chips.socketA);
  }
  app::StationOptions station;
  station.job = program ? app::StationOptions::Job::Program : app::StationOptions::Job::Copy;
  station.imagePath = opt.path;
  station.verify = opt.verify;
  station.count = opt.count;
  station.spareFlag = opt.spare ? 1 : 0;
  ConsoleStationOutput out(s.host());
  const app::StationSummary summary = app::runStation(s.dlg(), s.clock(), station, out, opt.stop);
  return s.saveLog(summary.exitCode);
}

int runBackend(const Options& opt) {
  CliRun s(false);
  if (const int rc = s.start(opt); rc != kExitOk) return rc;
  std::printf("%s: %s\n", s.backend().name.c_str(), s.backend().detail.c_str());
  return kExitOk;
}

}  // namespace norvik::cli
