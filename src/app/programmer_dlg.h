// CProgrammerDlg: the main dialog's message map. One handler per command; every handler reads
// and writes controls only through the DialogHost, talks to the programmer only through the
// DeviceLink, and keeps the system's process-wide state in ProgrammerState.
//
// Threading: the caller runs every handler on one device thread (DeviceExecutor), so two
// exchanges with the programmer never interleave; the worker procedures run on that same thread
// right after their handler, and check `stop` so that exit never waits long.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

#include "app/dialog_host.h"
#include "app/operation_log.h"
#include "app/outcome.h"
#include "files/file_object.h"
#include "link/chip_geometry.h"
#include "link/device_link.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "link/probe.h"
#include "operations/streams.h"

namespace norvik::app {

// The system's own process-wide state, owned by whoever runs the dialog.
struct ProgrammerState {
  link::ChipState chips;
  OperationLog log;
  files::FileObject imageFile;
  files::FileObject readFile;
  files::FileObject saveFile;
  std::uint32_t programStart = 0;  // where the last program run that got under way started
  std::uint32_t programLength = 0;
  std::uint8_t programFlags = 0;
  std::uint32_t readLength = 0;
  std::uint8_t readFlags = 0;
};

// The self-test's fixed range: 6 MiB from address 0, programmed and read back in test mode.
inline constexpr std::uint32_t kTestModeLength = 0x600000;

// What reading a range back and comparing it with its image found.
struct Verification {
  Outcome outcome = Outcome::None;  // Succeeded: equal; TestFailed: they differ; else the failure
  std::uint64_t compared = 0;       // bytes compared
  std::uint64_t firstDifference = 0;
  std::uint64_t address = 0;  // the chip address of the first difference
  std::optional<std::uint64_t> block, page;
  std::string explanation;  // where the difference lies and what may cause it
};

class CProgrammerDlg {
 public:
  using DirectoryProvider = std::function<std::string()>;

  CProgrammerDlg(DialogHost& host, link::DeviceLink& link, ProgrammerState& state,
                 DirectoryProvider currentDirectory = {});

  // Start-up steps that follow the creation of the controls.
  void OnInitDialog(std::stop_token stop = {});
  bool InitControlsAndConfig();
  void LookUpChips();
  void OnRefreshDevice();

  void OnSelectA();
  void OnSelectB();
  void OnProgramSpare();
  void OnReadSpare();

  void OnOpenFile();
  void OnSaveFile();
  // The read operation's first step: the Save dialog's choice, created empty once the read has
  // passed its checks.
  bool ChooseReadOutput();

  void OnProgram(std::stop_token stop = {});
  void OnRead(std::stop_token stop = {});
  void OnCopy(std::stop_token stop = {});
  void OnErase(std::stop_token stop = {});
  void OnChipTest(std::stop_token stop = {});
  void ProgramThreadProc(std::stop_token stop = {});
  void ReadThreadProc(std::stop_token stop = {});
  void CopyThreadProc(std::stop_token stop = {});

  // Reads the range the last program run wrote back into a temporary file with the program
  // group's options and compares it with the image at `imagePath` (what norvik-cli's --verify
  // does after a program run).
  Verification VerifyProgrammed(const std::string& imagePath, std::stop_token stop = {});

  // The cancel command: appends the run's log to systemlog.log. Returns false (after telling
  // the user) when the file could not be written; the dialog ends either way.
  bool OnCancel();

  // The device library stopped reaching the programmer (`fault` says how): a line of the log.
  void logDeviceFault(const std::string& fault);
  // A failure escaped a handler: it is shown and logged, and the dialog goes on.
  void reportUnexpectedFailure(const std::string& what);

  // Why the last handler (or worker) stopped.
  Outcome lastOutcome() const { return lastOutcome_; }
  // The bad-block count of the last erase that reached 100.
  int lastBadBlockCount() const { return lastBadBlockCount_; }
  ProgrammerState& state() { return state_; }
  std::string currentDirectory() const;

 private:
  int probe(int spareFlag);
  void showLog();
  void message(const std::string& text, MessageOwner owner = MessageOwner::Dialog);
  // Records why the handler stops, then shows its message.
  void refuse(Outcome why, const std::string& text, MessageOwner owner = MessageOwner::Dialog);
  void appendDetectionLines();
  // The operation ends on a stop request: records it and leaves the stop line in the log. A copy
  // or erase goes on inside the programmer (`jobGoesOn`); the host only stops following it.
  void noteStopped(bool jobGoesOn = false);
  // False, after the stop line or the refusal, when the command pair was not accepted.
  bool accepted(const link::PairOutcome& pair);
  // Which socket the operation works on, for the socket checks of its probes.
  enum class Sockets { A, B, Both };
  bool probeThreeTimes(int spareFlag, Sockets used);
  // The flags from the option boxes of the operation's group and the socket radios; the chip-
  // enable radio only where the operation sends it.
  enum class ChipEnable { Sent, NotSent };
  link::OperationFlags optionFlags(int spareBox, int skipBadBox, ChipEnable ce = ChipEnable::Sent);
  void showChipNames();
  // The program and read openings after their inputs: the triple probe, the chip names, the
  // transfer geometry and a unit the buffer can serve. False after the refusal.
  bool prepareTransfer(const link::OperationFlags& options);
  // The copy and erase openings: the start and length edits, the triple probe, the chip names,
  // the range check and the command pair. The accepted pair, or nothing after the refusal.
  struct JobRequest {
    std::uint8_t command;
    std::uint8_t flags;
    int spareFlag;
    Sockets sockets;
    int startEdit, lengthEdit;
    const char* enterStart;
    const char* enterLength;
    const link::PairTiming& timing;
  };
  std::optional<link::PairOutcome> startProgrammerJob(const JobRequest& job, std::stop_token stop);
  // False, after the refusal, when [start, start + length) runs past the end of the chip in
  // `socket`.
  bool rangeFitsChip(link::Socket socket, std::uint64_t start, std::uint64_t length);
  // A stream that did not finish: the stop line (the file closed if `closeOnStop`), or the
  // failure's message and then the file closed. False when the stream finished.
  bool endedEarly(operations::StreamResult result, files::FileObject& file, bool closeOnStop,
                  MessageOwner owner, const char* transferError, const char* fileError,
                  const char* cutShortError = nullptr);
  // The success tail: the label's text, the bar back at 0 (in the order the operation shows
  // them), the success line.
  enum class Tail { LabelFirst, BarFirst };
  void showDone(int bar, int label, const char* text, Tail order);
  void logSuccess(const char* line);
  // The read from its checked inputs on: probe, checks, output, log lines, pair and stream.
  void readRange(std::uint32_t start, std::uint32_t length, std::uint8_t flags,
                 std::stop_token stop);
  // Compares `compared` bytes of the reference file at `referencePath` with the read file
  // object (open), read back from `start` with `flags`; says where they first differ.
  Verification compareReadBack(const std::string& referencePath, std::uint64_t compared,
                               std::uint32_t start, std::uint8_t flags);
  // Tells the user once that Config.ini or a vendor file is there but cannot be read (`what`
  // followed by the file and why): start-up and every refresh meet the same file again.
  void reportFileProblem(const char* what, const std::string& problem);

  // The pause between the socket checks and what follows them in the read, copy and erase.
  static constexpr int kSettlePauseMs = 5;

  DialogHost& host_;
  link::DeviceLink& link_;
  ProgrammerState& state_;
  DirectoryProvider currentDirectory_;
  Outcome lastOutcome_ = Outcome::None;
  // The read's output was chosen by the dialog and is opened once every check has passed.
  std::string readOutputPath_;
  // The read goes into the read file object as its caller opened it (the self-test, --verify).
  bool readIntoOpenFile_ = false;
  int lastBadBlockCount_ = -1;
  std::set<std::string> reportedFileProblems_;
};

}  // namespace norvik::app
