// "芯片测试": programs test.bin into the selected socket's chip in test mode, reads the same
// range back into test1.bin and compares the two. It destroys the chip's contents, so it asks
// first.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "link/probe.h"
#include "operations/compare_files.h"
#include "platform/working_folder.h"

namespace norvik::app {

namespace {
constexpr std::uint64_t kTestLength = 0x600000;  // 6 MiB, programmed and read back
constexpr const char* kTestLengthText = "600000";
}  // namespace

void CProgrammerDlg::OnChipTest(std::stop_token stop) {
  lastOutcome_ = Outcome::None;
  MessageBoxRequest confirm;
  confirm.owner = MessageOwner::Dialog;
  confirm.caption = "";
  confirm.text = kMsgChipTestConfirm;
  confirm.buttons = MessageButtons::OkCancel;
  if (host_.messageBox(confirm) != kIdOk) {
    lastOutcome_ = Outcome::Cancelled;
    return;
  }

  const WorkingFolder folder(currentDirectory());
  host_.setText(ids::kProgramStart, "0");
  host_.setText(ids::kReadStart, "0");
  host_.setText(ids::kReadLength, kTestLengthText);
  host_.setText(ids::kProgramLength, kTestLengthText);

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
  // The whole first min(length, 6 MiB) bytes of test.bin take part in the comparison.
  const std::uint64_t compared = std::min<std::uint64_t>(
      static_cast<std::uint64_t>(std::max<std::int64_t>(image.length(), 0)), kTestLength);

  if (probe(1) == link::kProbeNoProgrammer) return refuse(Outcome::NoProgrammer, kMsgNoDevice);
  showChipNames();

  OnProgram(stop);
  const Outcome programmed = lastOutcome_;
  image.close();
  if (programmed == Outcome::Stopped) return;

  files::FileObject& back = state_.readFile;
  if (!back.open(folder, kTestReadBackName, files::Access::ReadWrite,
                 files::Disposition::OpenExisting) &&
      !back.open(folder, kTestReadBackName, files::Access::ReadWrite,
                 files::Disposition::CreateAlways)) {
    refuse(Outcome::FileUnusable,
           std::string(kMsgTestReadBackUnusable) + folder.pathOf(kTestReadBackName));
  } else {
    OnRead(stop);
  }
  const Outcome read = lastOutcome_;
  if (read == Outcome::Stopped) return;

  // Only data written and read back in this run can pass.
  bool passed = programmed == Outcome::Succeeded && read == Outcome::Succeeded && back.isOpen();
  if (passed) {
    files::FileObject reference;
    passed = reference.open(folder, kTestImageName, files::Access::Read,
                            files::Disposition::OpenExisting) &&
             operations::compareFiles(reference, back, compared).equal;
  }
  back.close();

  // The verdict line takes the stamp of the latest log line (the read's success line).
  if (passed) {
    message(kMsgTestPassed);
    state_.log.appendStamped(kLineTestPassed);
    lastOutcome_ = Outcome::Succeeded;
  } else {
    message(kMsgTestFailed);
    state_.log.appendStamped(kLineTestFailed);
    lastOutcome_ = Outcome::TestFailed;
  }
  showLog();
}

}  // namespace norvik::app
