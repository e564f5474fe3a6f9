// "开始拷贝": the programmer copies a range of socket A's chip onto socket B's chip by itself; the
// host sends the parameters and follows the progress reports. With "拷贝后校验" the host then
// reads the range from both chips and compares them.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/percent_progress.h"
#include "app/programmer_dlg.h"
#include "app/step_progress.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "operations/job_follower.h"

namespace norvik::app {

namespace {
// A verified copy: the copy, the read of socket A, the read of socket B.
constexpr int kVerifiedCopySteps = 3;
}  // namespace

void CProgrammerDlg::OnCopy(std::stop_token stop) {
  const RecordScope record(*this, "copy");
  lastOutcome_ = Outcome::None;
  copyVerification_ = Verification{};
  verifyThisCopy_ = verifyAfterCopy_;
  link::CopyFlags flags;
  flags.skipBad = host_.isChecked(ids::kCopySkipBad);
  flags.ce0 = host_.isChecked(ids::kCe0);
  flags.ce1 = host_.isChecked(ids::kCe1);
  noteOptions(host_.isChecked(ids::kCopySpare), flags.skipBad, flags.ce1);
  // Edit 1024 (socket B's start) is not read: the copy keeps the same addresses on both chips.
  const JobRequest job{
      .command = link::kCmdCopy,
      .flags = flags.byte(),
      .spareFlag = host_.isChecked(ids::kCopySpare) ? 1 : 0,  // for the probe only
      .sockets = Sockets::Both,
      .startEdit = ids::kCopyStart,
      .lengthEdit = ids::kCopyLength,
      .enterStart = kMsgEnterCopyStart,
      .enterLength = kMsgEnterCopyLength,
      .timing = link::kCopyPair,
  };
  if (!startProgrammerJob(job, stop)) return;

  appendDetectionLines();
  state_.log.takeStamp(link_.clock());
  state_.log.appendStamped(kLineCopyStart);  // shown with the success line

  CopyThreadProc(stop);
}

void CProgrammerDlg::CopyThreadProc(std::stop_token stop) {
  link::Packet buffer{};  // byte 2 starts at 0
  PercentProgress plain(host_, ids::kCopyBar, ids::kCopyPercent);
  StepProgress first(host_, ids::kCopyBar, ids::kCopyPercent, 0, kVerifiedCopySteps);
  operations::JobProgress& progress =
      verifyThisCopy_ ? static_cast<operations::JobProgress&>(first) : plain;
  const operations::JobOutcome job =
      operations::followJob(link_, operations::kCopyPolling, buffer, progress, stop);
  switch (job.result) {
    case operations::JobResult::Done:
      break;
    case operations::JobResult::Stopped:
      return noteStopped(/*jobGoesOn=*/true);
    case operations::JobResult::Silent:
      showLog();
      return refuse(Outcome::NoAnswer, kMsgCopyNoAnswer, MessageOwner::None);
  }
  noteMoved(jobLength_);
  if (verifyThisCopy_) {
    // The success tail only for a copy that proved equal: a chip that differs is no success.
    copyVerification_ = verifyCopy(jobStart_, jobLength_, stop);
    if (copyVerification_.outcome != Outcome::Succeeded) {
      lastOutcome_ = copyVerification_.outcome;
      if (copyVerification_.outcome == Outcome::TestFailed) {
        refuse(Outcome::TestFailed,
               std::string(kMsgCopyVerifyFailed) + "\n" + copyVerification_.explanation,
               MessageOwner::None);
      }
      return;
    }
  }
  showDone(ids::kCopyBar, ids::kCopyPercent, kTextCopyDone, Tail::BarFirst);
  logSuccess(kLineCopyDone);
}

}  // namespace norvik::app
