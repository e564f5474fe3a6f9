// "芯片测试": programs test.bin into the selected socket's chip in test mode, reads the same
// range back into test1.bin and compares the two. It destroys the chip's contents, so it asks
// first, naming the socket.
#include <algorithm>
#include <cstdio>

#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/open_failure.h"
#include "app/programmer_dlg.h"
#include "link/probe.h"
#include "platform/working_folder.h"

namespace norvik::app {

void CProgrammerDlg::OnChipTest(std::stop_token stop) {
  const RecordScope record(*this, "selftest");
  lastOutcome_ = Outcome::None;
  MessageBoxRequest confirm;
  confirm.owner = MessageOwner::Dialog;
  confirm.caption = "";
  confirm.text = std::string(kMsgChipTestConfirm) + "\n" +
                 (host_.isChecked(ids::kSelectA) ? kMsgChipTestSocketA : kMsgChipTestSocketB);
  confirm.buttons = MessageButtons::OkCancel;
  if (host_.messageBox(confirm) != kIdOk) {
    lastOutcome_ = Outcome::Cancelled;
    return;
  }

  const WorkingFolder folder(currentDirectory());
  char lengthText[16];
  std::snprintf(lengthText, sizeof lengthText, "%X", kTestModeLength);
  host_.setText(ids::kProgramStart, "0");
  host_.setText(ids::kReadStart, "0");
  host_.setText(ids::kReadLength, lengthText);
  host_.setText(ids::kProgramLength, lengthText);

  // Test mode is on from here to the end, on every path; the files are closed on every path.
  host_.setChecked(ids::kTestMode, true);
  struct Cleanup {
    CProgrammerDlg& dlg;
    ~Cleanup() {
      dlg.host_.setChecked(ids::kTestMode, false);
      dlg.state_.imageFile.close();
      dlg.state_.readFile.close();
    }
  } cleanup{*this};

  files::FileObject& image = state_.imageFile;
  if (!image.open(folder, kTestImageName, files::Access::Read, files::Disposition::OpenExisting)) {
    return refuse(Outcome::FileUnusable,
                  std::string(kMsgTestImageMissing) + folder.pathOf(kTestImageName));
  }
  // The whole first min(length, 6 MiB) bytes of test.bin take part in the comparison; an empty
  // test.bin would compare nothing and pass whatever the chip holds.
  const std::uint64_t compared = std::min<std::uint64_t>(
      static_cast<std::uint64_t>(std::max<std::int64_t>(image.length(), 0)), kTestModeLength);
  if (compared == 0) return refuse(Outcome::FileUnusable, kMsgTestImageEmpty + image.path());
  const std::string referencePath = image.path();

  if (probe(1) == link::kProbeNoProgrammer) return refuse(Outcome::NoProgrammer, kMsgNoDevice);
  showChipNames();

  // Each step that does not finish has shown its own message; the verdict says which step it was
  // and the outcome keeps that step's reason.
  OnProgram(stop);
  image.close();
  if (lastOutcome_ == Outcome::Stopped) return;
  Verification verdict;
  if (lastOutcome_ != Outcome::Succeeded) {
    verdict.outcome = lastOutcome_;
    verdict.explanation = kMsgTestProgramStepFailed;
  } else {
    files::FileObject& back = state_.readFile;
    if (!back.open(folder, kTestReadBackName, files::Access::ReadWrite,
                   files::Disposition::OpenExisting) &&
        !back.open(folder, kTestReadBackName, files::Access::ReadWrite,
                   files::Disposition::CreateAlways)) {
      const std::string path = folder.pathOf(kTestReadBackName);
      refuse(Outcome::FileUnusable, std::string(kMsgTestReadBackUnusable) + path + "\n" +
                                        openFailureText(back, path, /*creating=*/true));
      verdict.outcome = Outcome::FileUnusable;
      verdict.explanation = kMsgTestReadStepFailed;
    } else {
      OnRead(stop);
      if (lastOutcome_ == Outcome::Stopped) return;
      if (lastOutcome_ != Outcome::Succeeded || !back.isOpen()) {
        verdict.outcome = lastOutcome_ == Outcome::Succeeded ? Outcome::FileUnusable : lastOutcome_;
        verdict.explanation = kMsgTestReadStepFailed;
      } else {
        verdict = compareReadBack(referencePath, compared, 0, state_.readFlags);
      }
    }
  }
  state_.readFile.close();

  // The verdict line takes the stamp of the latest log line (the read's success line).
  if (verdict.outcome == Outcome::Succeeded) {
    message(kMsgTestPassed);
    state_.log.appendStamped(kLineTestPassed);
  } else {
    lastFailure_ = verdict.explanation.empty()
                       ? std::string(kMsgTestFailed)
                       : std::string(kMsgTestFailed) + "\n" + verdict.explanation;
    message(lastFailure_);
    state_.log.appendStamped(kLineTestFailed);
  }
  lastOutcome_ = verdict.outcome;
  showLog();
}

}  // namespace norvik::app
