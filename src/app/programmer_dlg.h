// CProgrammerDlg: the main dialog's message map. One handler per command; every handler reads
// and writes controls only through the DialogHost, talks to the programmer only through the
// DeviceLink, and keeps the system's process-wide state in ProgrammerState.
//
// Threading: the caller runs every handler on one device thread (DeviceExecutor), so two
// exchanges with the programmer never interleave; the worker procedures run on that same thread
// right after their handler, and check `stop` so that exit never waits long.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

#include "app/dialog_host.h"
#include "app/journal.h"
#include "app/messages.h"
#include "app/operation_log.h"
#include "app/outcome.h"
#include "files/file_object.h"
#include "link/chip_geometry.h"
#include "link/device_link.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "link/probe.h"
#include "operations/checksum.h"
#include "operations/streams.h"
#include "operations/unit_sink.h"

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
  std::uint64_t differing = 0;  // bytes that differ (a copy's verification counts them)
  std::string explanation;      // where the difference lies and what may cause it
  std::string sha256;           // equal: the SHA-256 both sides share (a copy's verification)
};

// What a blank check found.
struct BlankCheck {
  Outcome outcome = Outcome::None;  // Succeeded: blank; TestFailed: not blank; else the failure
  std::uint64_t checked = 0;        // bytes read, spare bytes included when the spare is on
  std::uint64_t firstOffset = 0;    // of the first byte that is not 0xFF, from the start
  std::uint64_t address = 0;        // its chip address
  std::optional<std::uint64_t> block, page;
  std::uint64_t notBlank = 0;  // bytes that are not 0xFF
  std::string explanation;
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

  // Reads the range of the read group's start and length edits from the selected socket's chip,
  // with the read group's options, and says whether every byte is 0xFF: the read's checks, log
  // lines, bar and label, and a journal record of its own ("blankcheck"). norvik-cli's
  // blankcheck.
  BlankCheck CheckBlank(std::stop_token stop = {});

  // After each copy, read the range from socket A and from socket B with the copy's spare and
  // skip-bad choices and compare them as the data arrives (the system menu's "拷贝后校验",
  // norvik-cli copy --verify). Any thread: it holds from the next copy on.
  void setVerifyAfterCopy(bool on) { verifyAfterCopy_ = on; }
  bool verifyAfterCopy() const { return verifyAfterCopy_; }
  // What the last copy's verification found (outcome None when the copy was not verified).
  const Verification& lastCopyVerification() const { return copyVerification_; }

  // One probe of both sockets and the catalogue lookup: the station's check for a new chip.
  // The probe's status (link::kProbe...); the chips are in state().chips.
  int PollSockets(int spareFlag);

  // The cancel command: appends the run's log to systemlog.log. Returns false (after telling
  // the user) when the file could not be written; the dialog ends either way.
  bool OnCancel();

  // The device library stopped reaching the programmer (`fault` says how): a line of the log.
  void logDeviceFault(const std::string& fault);
  // Every operation handler keeps its journal record inside one of these; only the outermost
  // writes, when it ends, so that a front end can make one record of several handlers (the
  // self-test's program and read, norvik-cli's program --verify, a station's chip).
  class RecordScope {
   public:
    RecordScope(CProgrammerDlg& dlg, const char* operation);
    ~RecordScope();
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;

   private:
    CProgrammerDlg& dlg_;
  };
  // A failure found by the front end around the handlers (an image it could not open): shown
  // and recorded as a handler's refusal is.
  void reportFailure(Outcome why, const std::string& text) { refuse(why, text); }
  // The record's time starts again now: a front end's own preparations inside its scope do not
  // count toward the operation's seconds.
  void restartRecordTimer();
  // The record being made (inside a RecordScope), or the last one written.
  JournalRecord& record() { return record_; }
  const JournalRecord& lastRecord() const { return record_; }

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
  // The journal: what the operation did, noted as it goes; the first note of each kind counts
  // (an outer operation's own handler notes first), except the chips, where the last probe does.
  void beginRecord(const char* operation);
  void endRecord();
  void noteChips();
  void noteRange(const char* socket, std::uint32_t start, std::uint32_t length);
  void noteOptions(bool spare, bool skipBad, std::optional<bool> ce1);
  void noteFile(const std::string& path);
  void noteDigest(const operations::Digest& digest);
  void noteMoved(std::uint64_t bytes);
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
  // Fills in where byte `offset` of a range read from `start` with `flags` lies on the chip
  // (the last read's transfer geometry) and the explanation: `format` with the offset, the
  // address, the block and the page, and `skipBadHint` when bad blocks were not skipped.
  void placeDifference(Verification& v, std::uint64_t offset, std::uint32_t start,
                       std::uint8_t flags, const char* format = kMsgDifferenceFormat,
                       const char* skipBadHint = kMsgBadBlockHint);
  // A read whose units go into `sink` instead of a file, with its progress on `progress` and
  // its bytes into `checksum`: the probe, checks, log lines, pair and stream of a read. True when
  // the whole range went in; otherwise its refusal or failure was shown.
  struct SinkRead {
    std::uint32_t start, length;
    std::uint8_t flags;
    operations::UnitSink& sink;
    operations::StreamProgress& progress;
    operations::Checksum& checksum;
  };
  bool readIntoSink(const SinkRead& read, std::stop_token stop);
  // Verify after copy: socket A's range into a scratch file, then socket B's compared with it.
  Verification verifyCopy(std::uint32_t start, std::uint32_t length, std::stop_token stop);
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
  std::atomic<bool> verifyAfterCopy_{false};
  bool verifyThisCopy_ = false;  // the choice as the copy's click found it
  Verification copyVerification_;
  // The range of the copy or erase that startProgrammerJob last began.
  std::uint32_t jobStart_ = 0, jobLength_ = 0;
  // The journal record being made, the depth of RecordScopes, when the outermost began.
  JournalRecord record_;
  int recordDepth_ = 0;
  double recordStartMs_ = 0;
  std::uint64_t recordMoved_ = 0;
  std::string lastFailure_;  // the words of the last refusal or failure
  bool journalProblemSaid_ = false;
  // The checksums of the stream that runs now.
  operations::Checksum streamChecksum_;
};

}  // namespace norvik::app
