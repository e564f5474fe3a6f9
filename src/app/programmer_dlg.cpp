#include "app/programmer_dlg.h"

#include "app/dialog_template.h"
#include "app/messages.h"
#include "catalogue/lookup.h"
#include "catalogue/startup_config.h"
#include "link/command_packet.h"
#include "link/probe.h"
#include "platform/cp936.h"
#include "platform/current_dir.h"
#include "platform/working_folder.h"

namespace norvik::app {

namespace {
constexpr int kRefreshPauseMs = 1400;
}  // namespace

CProgrammerDlg::CProgrammerDlg(DialogHost& host, link::DeviceLink& link, ProgrammerState& state,
                               DirectoryProvider currentDirectory)
    : host_(host), link_(link), state_(state), currentDirectory_(std::move(currentDirectory)) {}

std::string CProgrammerDlg::currentDirectory() const {
  return currentDirectory_ ? currentDirectory_() : norvik::currentDirectory();
}

int CProgrammerDlg::probe(int spareFlag) {
  const int status = link::ProbeChips(
      link_, state_.chips, spareFlag, [this](link::Socket socket, const std::string& text) {
        host_.setText(socket == link::Socket::A ? ids::kPageBlockA : ids::kPageBlockB, text);
      });
  if (status != link::kProbeNoProgrammer) noteChips();
  return status;
}

int CProgrammerDlg::PollSockets(int spareFlag) {
  const int status = probe(spareFlag);
  if (status != link::kProbeNoProgrammer) LookUpChips();
  return status;
}

void CProgrammerDlg::showLog() {
  host_.setText(ids::kLog, state_.log.text());
}

void CProgrammerDlg::message(const std::string& text, MessageOwner owner) {
  MessageBoxRequest r;
  r.owner = owner;
  r.caption = owner == MessageOwner::Dialog ? kAppName : "";
  r.text = text;
  host_.messageBox(r);
}

void CProgrammerDlg::refuse(Outcome why, const std::string& text, MessageOwner owner) {
  lastOutcome_ = why;
  lastFailure_ = text;
  message(text, owner);
}

void CProgrammerDlg::noteStopped(bool jobGoesOn) {
  lastOutcome_ = Outcome::Stopped;
  lastFailure_ = kTextStopped;
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(jobGoesOn ? kLineStoppedFollowing : kLineStopped);
  showLog();
}

bool CProgrammerDlg::accepted(const link::PairOutcome& pair) {
  switch (pair.result) {
    case link::PairResult::Accepted:
      return true;
    case link::PairResult::Stopped:
      noteStopped();
      return false;
    case link::PairResult::TimedOut:
      refuse(Outcome::NoAcknowledge, kMsgNoAcknowledge);
      return false;
  }
  return false;
}

void CProgrammerDlg::showChipNames() {
  host_.setText(ids::kNameA, state_.chips.socketA.deviceName);
  host_.setText(ids::kNameB, state_.chips.socketB.deviceName);
}

void CProgrammerDlg::appendDetectionLines() {
  state_.log.takeStamp(link_.clock());
  state_.log.appendDetection(kLineDetectA, state_.chips.chipIdTextA, state_.chips.pageBlockTextA);
  showLog();
  state_.log.appendDetection(kLineDetectB, state_.chips.chipIdTextB, state_.chips.pageBlockTextB);
  showLog();
}

void CProgrammerDlg::OnInitDialog(std::stop_token) {
  InitControlsAndConfig();  // its result does not stop start-up
  LookUpChips();
  OnRefreshDevice();
}

bool CProgrammerDlg::InitControlsAndConfig() {
  for (int bar : {ids::kProgramBar, ids::kReadBar}) {
    host_.progressSetRange(bar, 0, 1000);
    host_.progressSetStep(bar, 10);
    host_.progressSetPos(bar, 0);
  }
  for (int bar : {ids::kCopyBar, ids::kEraseBar}) {
    host_.progressSetRange(bar, 0, 100);
    host_.progressSetStep(bar, 1);
    host_.progressSetPos(bar, 0);
  }

  std::string problem;
  const catalogue::StartupConfig config =
      catalogue::readStartupConfig(currentDirectory(), &problem);
  reportFileProblem(kMsgConfigUnreadable, problem);
  if (config.csChip == "ChipA0") host_.setChecked(ids::kSelectA, true);
  if (config.csChip == "ChipB0") host_.setChecked(ids::kSelectB, true);
  if (config.ce == "0") host_.setChecked(ids::kCe0, true);
  if (config.ce == "1") host_.setChecked(ids::kCe1, true);
  for (int edit : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) {
    host_.setText(edit, config.lens);
  }
  for (int box : {ids::kReadSpare, ids::kProgramSpare, ids::kCopySpare}) {
    host_.setChecked(box, true);
  }
  for (int edit :
       {ids::kReadStart, ids::kProgramStart, ids::kCopyStartB, ids::kCopyStart, ids::kEraseStart}) {
    host_.setText(edit, "0");
  }

  if (probe(0) == link::kProbeNoProgrammer) {
    refuse(Outcome::NoProgrammer, kMsgNoDevice);
    return false;
  }
  showChipNames();
  appendDetectionLines();
  lastOutcome_ = Outcome::Succeeded;
  return true;
}

void CProgrammerDlg::LookUpChips() {
  std::string problem;
  catalogue::LookUpChips(state_.chips, currentDirectory(), &problem);
  reportFileProblem(kMsgCatalogueUnreadable, problem);
}

void CProgrammerDlg::reportFileProblem(const char* what, const std::string& problem) {
  if (problem.empty() || !reportedFileProblems_.insert(problem).second) return;
  message(std::string(what) + problem);
}

void CProgrammerDlg::OnRefreshDevice() {
  const int spareFlag = host_.isChecked(ids::kCopySpare) ? 1 : 0;
  link::Packet refresh =
      link::CommandPacket::identification(link::kCmdRefresh, link::kCmdRefresh).bytes();
  link_.writeData(link::kEpCommand, refresh.data(), link::kPacketSize, link::kCommandTimeoutMs);
  link_.pause(kRefreshPauseMs);
  probe(spareFlag);
  LookUpChips();
  // The refresh shows no message of its own; its outcome says whether the last probe was
  // answered.
  lastOutcome_ =
      probe(spareFlag) == link::kProbeNoProgrammer ? Outcome::NoProgrammer : Outcome::Succeeded;
  const auto& a = state_.chips.socketA;
  const auto& b = state_.chips.socketB;
  for (const link::ChipGeometry* chip : {&b, &a}) {  // socket A's length wins
    if (chip->unrecognised()) continue;
    for (int edit : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) {
      host_.setText(edit, chip->deviceLens);
    }
  }
  showChipNames();
}

void CProgrammerDlg::OnSelectA() {
  const auto& a = state_.chips.socketA;
  if (a.unrecognised()) return;
  for (int edit : {ids::kReadLength, ids::kCopyLength, ids::kEraseLength}) {
    host_.setText(edit, a.deviceLens);
  }
}

void CProgrammerDlg::OnSelectB() {
  const auto& b = state_.chips.socketB;
  if (b.unrecognised()) return;
  // The copy length belongs to socket A, the copy's source: socket B leaves it alone.
  for (int edit : {ids::kReadLength, ids::kEraseLength}) host_.setText(edit, b.deviceLens);
}

void CProgrammerDlg::OnProgramSpare() {
  probe(host_.isChecked(ids::kProgramSpare) ? 1 : 0);
}

void CProgrammerDlg::OnReadSpare() {
  probe(host_.isChecked(ids::kReadSpare) ? 1 : 0);
}

void CProgrammerDlg::logDeviceFault(const std::string& fault) {
  state_.log.takeStamp(link_.clock());
  state_.log.appendStampedWith(kLineDeviceFault, fault);
  showLog();
}

void CProgrammerDlg::reportUnexpectedFailure(const std::string& what) {
  lastFailure_ = std::string(kMsgUnexpectedFailure) + what;
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineUnexpectedFailure);
  showLog();
  message(std::string(kMsgUnexpectedFailure) + what);
}

bool CProgrammerDlg::OnCancel() {
  // Found whatever its letter case (a log copied from Windows as "SystemLog.log" is extended),
  // relative to the folder, so that a folder path of any length works.
  const WorkingFolder folder(currentDirectory());
  files::FileObject& file = state_.readFile;
  // Runs that end together in one folder take turns: the lock is held only for one write.
  if (!file.openTakingTurns(folder, kLogFileName, files::Access::ReadWrite,
                            files::Disposition::OpenAlways, link_.clock())) {
    message(std::string(kMsgLogNotSaved) + folder.pathOf(kLogFileName));
    return false;
  }
  std::string block(kLogSeparator);
  block += state_.log.text();
  const std::string bytes = utf8ToCp936(block);
  const bool written = file.seekToEnd() && file.write(bytes.data(), bytes.size());
  const std::string path = file.path();
  file.close();
  if (!written) {
    message(std::string(kMsgLogNotSaved) + path);
    return false;
  }
  return true;
}

}  // namespace norvik::app
