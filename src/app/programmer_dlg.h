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

namespace norvik::app {

// The system's own process-wide state, owned by whoever runs the dialog.
struct ProgrammerState {
  link::ChipState chips;
  OperationLog log;
  files::FileObject imageFile;
  files::FileObject readFile;
  files::FileObject saveFile;
  std::uint32_t programLength = 0;
  std::uint8_t programFlags = 0;
  std::uint32_t readLength = 0;
  std::uint8_t readFlags = 0;
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
  // The read operation's first step: a Save dialog, then the output created empty.
  bool ChooseReadOutput();

  void OnProgram(std::stop_token stop = {});
  void OnRead(std::stop_token stop = {});
  void OnCopy(std::stop_token stop = {});
  void OnErase(std::stop_token stop = {});
  void OnChipTest(std::stop_token stop = {});
  void ProgramThreadProc(std::stop_token stop = {});
  void ReadThreadProc(std::stop_token stop = {});
  void CopyThreadProc(std::stop_token stop = {});

  // The cancel command: appends the run's log to systemlog.log. Returns false (after telling
  // the user) when the file could not be written; the dialog ends either way.
  bool OnCancel();

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
  // The program and read flags byte from the option boxes of the operation's group.
  std::uint8_t optionFlags(int spareBox, int skipBadBox);
  void showChipNames();
  void fillTransferGeometry(bool socketASelected);
  // Tells the user once that Config.ini or a vendor file is there but cannot be read (`what`
  // followed by the file and why): start-up and every refresh meet the same file again.
  void reportFileProblem(const char* what, const std::string& problem);

  DialogHost& host_;
  link::DeviceLink& link_;
  ProgrammerState& state_;
  DirectoryProvider currentDirectory_;
  Outcome lastOutcome_ = Outcome::None;
  int lastBadBlockCount_ = -1;
  std::set<std::string> reportedFileProblems_;
};

}  // namespace norvik::app
