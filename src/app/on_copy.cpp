// "开始拷贝": the programmer copies a range of socket A's chip onto socket B's chip by itself; the
// host sends the parameters and follows the progress reports.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/percent_progress.h"
#include "app/programmer_dlg.h"
#include "link/exchange.h"
#include "link/flags.h"
#include "operations/job_follower.h"

namespace norvik::app {

void CProgrammerDlg::OnCopy(std::stop_token stop) {
  lastOutcome_ = Outcome::None;
  link::CopyFlags flags;
  flags.skipBad = host_.isChecked(ids::kCopySkipBad);
  flags.ce0 = host_.isChecked(ids::kCe0);
  flags.ce1 = host_.isChecked(ids::kCe1);
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
  PercentProgress progress(host_, ids::kCopyBar, ids::kCopyPercent);
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
  showDone(ids::kCopyBar, ids::kCopyPercent, kTextCopyDone, Tail::BarFirst);
  logSuccess(kLineCopyDone);
}

}  // namespace norvik::app
